#include "support/FakeWhoisServer.h"
#include "whois/WhoisClient.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using Mode = FakeWhoisServer::Mode;
using Script = FakeWhoisServer::Script;

namespace {
constexpr int Bound = 10000; // longest any event here may take to arrive

void aim(WhoisClient& client, quint16 port, const QString& query = QStringLiteral("example.com"))
{
    client.setServer(QStringLiteral("127.0.0.1"));
    client.setPort(port);
    client.setQuery(query);
}

// Runs one exchange and returns how it ended.
WhoisOutcome finish(WhoisClient& client)
{
    QSignalSpy finished(&client, &WhoisClient::finished);
    if (client.connectToServer() != WhoisClient::NoError)
        return {};
    if (!finished.wait(Bound) || finished.size() != 1)
        return {};
    return finished.first().first().value<WhoisOutcome>();
}

// What a non-blocking exchange delivered, and in which order the notices came.
struct Delivery
{
    QString text;
    QStringList notices;
};

void collect(WhoisClient& client, Delivery& delivery, int readCount)
{
    QObject::connect(&client, &WhoisClient::dataReady, &client, [&client, &delivery, readCount](int count) {
        QVERIFY(count > 0);
        delivery.notices.append(QStringLiteral("data"));
        QString piece;
        const int k = client.read(piece, readCount > 0 ? readCount : count);
        QCOMPARE(k, int(piece.size()));
        delivery.text += piece;
    });
    QObject::connect(&client, &WhoisClient::endOfReply, &client,
                     [&delivery] { delivery.notices.append(QStringLiteral("end")); });
    QObject::connect(&client, &WhoisClient::connectFailed, &client,
                     [&delivery](qint16 code) { delivery.notices.append(QStringLiteral("connect %1").arg(code)); });
    QObject::connect(&client, &WhoisClient::readFailed, &client,
                     [&delivery](qint16 code) { delivery.notices.append(QStringLiteral("read %1").arg(code)); });
    QObject::connect(&client, &WhoisClient::finished, &client,
                     [&delivery](const WhoisOutcome&) { delivery.notices.append(QStringLiteral("finished")); });
}
} // namespace

class TestWhoisClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blockingReply_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");

        const QByteArray reply = "Domain Name: EXAMPLE.COM\r\nRegistrar: R\r\n";
        QTest::newRow("whole") << FakeWhoisServer::reply(reply) << int(WhoisOutcome::Reply)
                               << QString::fromLatin1(reply);
        QTest::newRow("closed without a word")
            << FakeWhoisServer::reply({}) << int(WhoisOutcome::EmptyReply) << QString();
        QTest::newRow("trickled") << Script{Mode::Trickle, reply, 4, 1, 0} << int(WhoisOutcome::Reply)
                                  << QString::fromLatin1(reply);
        QTest::newRow("closed mid-reply") << Script{Mode::CloseMidReply, "0123456789", 3, 1, 0}
                                          << int(WhoisOutcome::Reply) << QStringLiteral("01234");
        // UTF-8 cut between single-byte pieces, and a Latin-1 byte among it.
        QTest::newRow("mixed encodings byte by byte")
            << Script{Mode::Trickle, "Inhaber: M\xC3\xBCller \xE2\x82\xAC\r\nOrt: K\xF6ln\r\n", 1, 1, 0}
            << int(WhoisOutcome::Reply) << QStringLiteral("Inhaber: M\u00FCller \u20AC\r\nOrt: K\u00F6ln\r\n");
    }

    void blockingReply()
    {
        QFETCH(Script, script);
        QFETCH(int, status);
        QFETCH(QString, text);
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(script);
        WhoisClient client;
        client.setBlockingMode(true);
        aim(client, server.port());
        QSignalSpy dataReady(&client, &WhoisClient::dataReady);

        const WhoisOutcome outcome = finish(client);
        QCOMPARE(int(outcome.status), status);
        QCOMPARE(outcome.text, text);
        QCOMPARE(outcome.error, qint16(0));
        QVERIFY(!outcome.truncated);
        QCOMPARE(dataReady.size(), 0);
        QVERIFY(!client.isConnected());
        // The reply can also be read out in pieces of a given size, then nothing waits.
        QString all;
        QString piece;
        while (client.read(piece, 7) > 0)
            all += piece;
        QCOMPARE(all, text);
        QCOMPARE(client.read(piece, 7), 0);
    }

    void sendsOneRequestLine_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QByteArray>("request");

        QTest::newRow("domain") << "example.com" << QByteArray("example.com\r\n");
        QTest::newRow("line breaks inside") << "a\r\nb\nc" << QByteArray("a  b c\r\n");
        QTest::newRow("non-ASCII as UTF-8") << QStringLiteral("m\u00FCller.de") << QByteArray("m\xC3\xBCller.de\r\n");
    }

    void sendsOneRequestLine()
    {
        QFETCH(QString, query);
        QFETCH(QByteArray, request);
        FakeWhoisServer server;
        QVERIFY(server.start());
        WhoisClient client;
        client.setBlockingMode(true);
        aim(client, server.port(), query);
        QCOMPARE(int(finish(client).status), int(WhoisOutcome::EmptyReply));
        QCOMPARE(server.requests, QList<QByteArray>{request});
    }

    void nonBlockingPieces_data()
    {
        QTest::addColumn<int>("readCount");
        QTest::newRow("read what the notice offers") << 0;
        QTest::newRow("read less than offered") << 2;
    }

    void nonBlockingPieces()
    {
        QFETCH(int, readCount);
        const QByteArray reply = "line one\nline two\nline three\n";
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(Script{Mode::Trickle, reply, 5, 2, 0});
        WhoisClient client;
        aim(client, server.port());
        Delivery delivery;
        collect(client, delivery, readCount);
        QSignalSpy finished(&client, &WhoisClient::finished);

        QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
        QVERIFY(finished.wait(Bound));
        const WhoisOutcome outcome = finished.first().first().value<WhoisOutcome>();
        QCOMPARE(int(outcome.status), int(WhoisOutcome::Reply));
        QVERIFY(outcome.text.isEmpty());
        // What a short read left behind is still there after the end.
        QString rest;
        while (client.read(rest, 1000) > 0)
            delivery.text += rest;
        QCOMPARE(delivery.text, QString::fromLatin1(reply));
        QVERIFY2(delivery.notices.count(QStringLiteral("data")) > 1, "a trickled reply comes in several pieces");
        QCOMPARE(delivery.notices.mid(delivery.notices.size() - 2), (QStringList{"end", "finished"}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<int>("code");

        QTest::newRow("refused") << "refused"
                                 << "connect" << int(WhoisClient::ConnectionRefused);
        QTest::newRow("no answer to connect") << "stalled"
                                              << "connect" << int(WhoisClient::ConnectTimedOut);
        QTest::newRow("server hangs") << "hang"
                                      << "read" << int(WhoisClient::ExchangeTimedOut);
        QTest::newRow("server trickles too long") << "slow"
                                                  << "read" << int(WhoisClient::ExchangeTimedOut);
    }

    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, notice);
        QFETCH(int, code);
        FakeWhoisServer server;
        quint16 port = 0;
        if (kind == QLatin1String("refused")) {
            port = FakeWhoisServer::refusedPort();
        } else if (kind == QLatin1String("stalled")) {
            QVERIFY(server.startStalled());
            QTRY_VERIFY_WITH_TIMEOUT(server.stalled(), Bound);
            port = server.port();
        } else {
            QVERIFY(server.start());
            server.setDefaultScript(kind == QLatin1String("hang")
                                        ? Script{Mode::Hang, {}, 1, 1, 0}
                                        : Script{Mode::Trickle, QByteArray(10000, 'x'), 1, 50, 0});
            port = server.port();
        }
        for (const bool blocking : {false, true}) {
            WhoisClient client;
            client.setBlockingMode(blocking);
            client.setTimeLimits(300, 600);
            aim(client, port);
            Delivery delivery;
            collect(client, delivery, 0);
            QSignalSpy finished(&client, &WhoisClient::finished);
            QElapsedTimer clock;
            clock.start();

            QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
            QVERIFY(finished.wait(Bound));
            QVERIFY2(clock.elapsed() < 5000, "the time limits end the wait");
            const WhoisOutcome outcome = finished.first().first().value<WhoisOutcome>();
            QCOMPARE(int(outcome.status), int(WhoisOutcome::Failure));
            QCOMPARE(int(outcome.error), code);
            QVERIFY(delivery.notices.contains(QStringLiteral("%1 %2").arg(notice).arg(code)));
            QVERIFY(!delivery.notices.contains(QStringLiteral("end")));
            QCOMPARE(delivery.notices.last(), QStringLiteral("finished"));
            QCOMPARE(int(client.lastError()), code);
            QString piece;
            if (!blocking) {
                QCOMPARE(client.read(piece, 100), -1);
                client.setLastError(WhoisClient::NoError);
                QCOMPARE(client.read(piece, 100), 0);
            }
        }
    }

    void noServer()
    {
        WhoisClient client;
        QSignalSpy finished(&client, &WhoisClient::finished);
        client.setServer(QStringLiteral("  "));
        QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoServer));
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 0);
        QVERIFY(!client.isBusy());
    }

    void replyIsBounded_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<bool>("truncated");

        QTest::newRow("10 MB") << WhoisClient::DefaultMaxReplyBytes << qint64(10 * 1000 * 1000) << true;
        QTest::newRow("endless") << WhoisClient::DefaultMaxReplyBytes << qint64(-1) << true;
        QTest::newRow("exactly the limit") << qint64(1000) << qint64(1000) << false;
        QTest::newRow("one byte over") << qint64(1000) << qint64(1001) << true;
    }

    void replyIsBounded()
    {
        QFETCH(qint64, limit);
        QFETCH(qint64, sent);
        QFETCH(bool, truncated);
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.setDefaultScript(Script{Mode::Huge, {}, 1, 1, sent});
        for (const bool blocking : {true, false}) {
            WhoisClient client;
            client.setBlockingMode(blocking);
            client.setMaxReplyBytes(limit);
            aim(client, server.port());
            Delivery delivery;
            if (!blocking)
                collect(client, delivery, 0);
            const WhoisOutcome outcome = finish(client);
            QCOMPARE(int(outcome.status), int(WhoisOutcome::Reply));
            QCOMPARE(outcome.truncated, truncated);
            QCOMPARE(client.truncated(), truncated);
            QCOMPARE(qint64(blocking ? outcome.text.size() : delivery.text.size()),
                     sent < 0 ? limit : std::min(limit, sent));
            if (sent < 0)
                QTRY_VERIFY_WITH_TIMEOUT(server.lastClosedByClient, Bound);
        }
    }

    void disconnectSilences()
    {
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(Script{Mode::Hang, {}, 1, 1, 0});
        WhoisClient client;
        client.setTimeLimits(200, 200);
        aim(client, server.port());
        Delivery delivery;
        collect(client, delivery, 0);
        QSignalSpy request(&server, &FakeWhoisServer::requestReceived);
        QSignalSpy closed(&server, &FakeWhoisServer::connectionClosed);

        QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
        QVERIFY(request.wait(Bound));
        QVERIFY(client.isConnected());
        client.disconnectFromServer();
        QVERIFY(!client.isConnected());
        QVERIFY(!client.isBusy());
        QVERIFY(closed.wait(Bound));
        // Past the time limits nothing has come for the dropped exchange.
        QSignalSpy later(&client, &WhoisClient::finished);
        QVERIFY(!later.wait(500));
        QVERIFY(delivery.notices.isEmpty());
        client.disconnectFromServer();
    }

    void destroyedInHandler()
    {
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(Script{Mode::Trickle, "first piece\nsecond piece\n", 6, 5, 0});
        QPointer<WhoisClient> client = new WhoisClient;
        aim(*client, server.port());
        int notices = 0;
        connect(client, &WhoisClient::dataReady, client, [&](int) {
            ++notices;
            delete client.data();
        });
        connect(client, &WhoisClient::endOfReply, client, [&] { ++notices; });
        connect(client, &WhoisClient::finished, client, [&] { ++notices; });
        QSignalSpy closed(&server, &FakeWhoisServer::connectionClosed);

        QCOMPARE(client->connectToServer(), qint16(WhoisClient::NoError));
        QTRY_VERIFY_WITH_TIMEOUT(client.isNull(), Bound);
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, Bound);
        QCOMPARE(notices, 1);
    }

    void restartedInHandler()
    {
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(Script{Mode::Trickle, "first reply, slowly\n", 4, 5, 0});
        server.enqueue(FakeWhoisServer::reply("second reply\n"));
        WhoisClient client;
        aim(client, server.port(), QStringLiteral("first"));
        Delivery delivery;
        QString firstPiece;
        connect(&client, &WhoisClient::dataReady, &client, [&](int count) {
            QString piece;
            client.read(piece, count);
            delivery.text += piece;
            if (firstPiece.isEmpty()) {
                firstPiece = piece;
                client.setQuery(QStringLiteral("second"));
                QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
            }
        });
        QSignalSpy finished(&client, &WhoisClient::finished);

        QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
        QVERIFY(finished.wait(Bound));
        QVERIFY(QStringLiteral("first reply, slowly\n").startsWith(firstPiece));
        QCOMPARE(delivery.text, firstPiece + QStringLiteral("second reply\n"));
        QCOMPARE(server.requests, (QList<QByteArray>{"first\r\n", "second\r\n"}));
        QCOMPARE(finished.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWhoisClient)
#include "tst_whoisclient.moc"

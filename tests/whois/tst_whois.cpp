#include "core/Utils.h"
#include "support/TestPlatform.h"
#include "support/WhoisFixture.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"
#include "whois/WhoisLines.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run
{
    WhoisOutcome outcome;
    QString delivered;   // non-blocking: what the data-ready notices handed over
    QStringList notices; // in order
};

// One exchange with the client, the way the lookup window (non-blocking) or the confirmation (blocking) runs it.
Run exchange(WhoisClient& client, quint16 port, const QString& query = QStringLiteral("example.com"))
{
    Run run;
    client.setServer(QStringLiteral("127.0.0.1"));
    client.setPort(port);
    client.setQuery(query);
    QObject context;
    QObject::connect(&client, &WhoisClient::dataReady, &context, [&](int count) {
        QString piece;
        run.notices.append(client.read(piece, count) == count ? "data" : "short read");
        run.delivered += piece;
    });
    QObject::connect(&client, &WhoisClient::endOfReply, &context, [&] { run.notices.append("end"); });
    QObject::connect(&client, &WhoisClient::connectFailed, &context,
                     [&](qint16 code) { run.notices.append(QStringLiteral("connect %1").arg(code)); });
    QObject::connect(&client, &WhoisClient::readFailed, &context,
                     [&](qint16 code) { run.notices.append(QStringLiteral("read %1").arg(code)); });
    QSignalSpy finished(&client, &WhoisClient::finished);
    if (client.connectToServer() == WhoisClient::NoError && finished.wait(Bound) && finished.size() == 1)
        run.outcome = finished.first().first().value<WhoisOutcome>();
    return run;
}
} // namespace

// The client of the WHOIS protocol and the plain rules around it.
class TestWhois : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosesServer_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("recordZero");
        QTest::addColumn<QString>("server");

        const QString iana = QStringLiteral("whois.iana.org");
        QTest::newRow("record's server") << "example.com" << iana << "whois.verisign-grs.com";
        QTest::newRow("record without server") << "example.xy" << iana << "whois.internic.net";
        QTest::newRow("blank server") << "example.zz" << iana << "whois.internic.net";
        QTest::newRow("unknown label: record 0") << "example.qq" << iana << iana;
        QTest::newRow("unknown label, record 0 without") << "example.qq" << QString() << "whois.internic.net";
        QTest::newRow("trailing blank is part of the label") << "example.com " << iana << iana;
    }

    void choosesServer()
    {
        QFETCH(QString, domain);
        QFETCH(QString, recordZero);
        QFETCH(QString, server);
        QTemporaryDir dir;
        resetProgramState(dir.path());
        const QStringList records[] = {
            {"int", recordZero}, {"com", "whois.verisign-grs.com"}, {"xy", ""}, {"zz", "   "}};
        for (const QStringList& record : records) {
            Utils::DomainTable[Utils::TldCount].Tld = record.at(0);
            Utils::DomainTable[Utils::TldCount++].WhoisServer = record.at(1);
        }
        QCOMPARE(Whois::GetWhoisServer(domain), server);
    }

    void readsMarkers_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<bool>("free");

        QTest::newRow("No match then the name") << "No match for \"EXAMPLE.COM\".\r\n>>> Last update" << true;
        QTest::newRow("No entries found") << "%\n% No entries found for the selected source(s).\n" << true;
        QTest::newRow("lower case second marker") << "no entries found" << false;
        QTest::newRow("marker cut by a line break") << "No\r\nmatch" << false;
        QTest::newRow("empty") << "" << false;
    }

    void readsMarkers()
    {
        QFETCH(QString, reply);
        QFETCH(bool, free);
        QCOMPARE(Whois::CheckWhoisBuffer(reply), free);
    }

    void splitsPiece_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("bare LF lines") << "a\nbb\n" << QStringList{"a\r\n", "bb\r\n"};
        QTest::newRow("CR LF kept whole") << "a\r\nbb\r\n" << QStringList{"a\r\nbb\r\n"};
        QTest::newRow("rest without LF") << "a\n\nrest" << QStringList{"a\r\n", "\r\n", "rest"};
        // From the first line with a CR before its LF on, the piece goes in unchanged; any CR counts.
        QTest::newRow("bare then CR LF") << "a\nb\r\nc\nd\n" << QStringList{"a\r\n", "b\r\nc\nd\n"};
        QTest::newRow("CR inside the line") << "x\ra\nb\n" << QStringList{"x\ra\nb\n"};
    }

    void splitsPiece()
    {
        QFETCH(QString, piece);
        QFETCH(QStringList, lines);
        QCOMPARE(Whois::splitReplyPiece(piece), lines);
    }

    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("UTF-8") << QByteArray("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80")
                               << QStringLiteral("M\u00FCller \u20AC \U0001F600");
        QTest::newRow("Latin-1") << QByteArray("K\xF6ln \x80") << QStringLiteral("K\u00F6ln \u0080");
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QStringLiteral("\u00ED\u00A0\u0080");
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QStringLiteral("\u00F4\u0090\u0080\u0080");
        QTest::newRow("sequence cut short")
            << QByteArray("\xE2\x82z\xE2\x82") << QStringLiteral("\u00E2\u0082z\u00E2\u0082");
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        // The text must not depend on where the pieces part.
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            ReplyDecoder decoder;
            QString got = decoder.decode(bytes.left(cut));
            got += decoder.decode(bytes.mid(cut));
            got += decoder.flush();
            QVERIFY2(got == text, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    void reply_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("request");

        const QByteArray reply = "Domain Name: EXAMPLE.COM\r\nRegistrar: R\r\n";
        QTest::newRow("whole") << FakeWhoisServer::reply(reply) << "example.com" << int(WhoisOutcome::Reply)
                               << QString::fromLatin1(reply) << QByteArray("example.com\r\n");
        QTest::newRow("closed without a word")
            << FakeWhoisServer::reply({}) << "a\r\nb\nc" << int(WhoisOutcome::EmptyReply) << QString()
            << QByteArray("a  b c\r\n");
        // UTF-8 cut between one-byte pieces, and a Latin-1 byte among it.
        QTest::newRow("byte by byte") << Script{Mode::Trickle, "M\xC3\xBCller \xE2\x82\xAC K\xF6ln\n", 1, 0}
                                      << QStringLiteral("m\u00FCller.de") << int(WhoisOutcome::Reply)
                                      << QStringLiteral("M\u00FCller \u20AC K\u00F6ln\n")
                                      << QByteArray("m\xC3\xBCller.de\r\n");
    }

    void reply()
    {
        QFETCH(Script, script);
        QFETCH(QString, query);
        QFETCH(int, status);
        QFETCH(QString, text);
        QFETCH(QByteArray, request);
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.setDefaultScript(script);
        for (const bool blocking : {true, false}) {
            WhoisClient client;
            client.setBlockingMode(blocking);
            const Run run = exchange(client, server.port(), query);
            QCOMPARE(int(run.outcome.status), status);
            QCOMPARE(blocking ? run.outcome.text : run.delivered, text);
            if (blocking)
                QVERIFY(run.notices.isEmpty());
            else
                QCOMPARE(run.notices.last(), QStringLiteral("end"));
            QVERIFY(!client.isConnected());
        }
        QCOMPARE(server.requests, (QList<QByteArray>{request, request}));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<int>("code");

        QTest::newRow("refused") << QString("refused") << "connect" << int(WhoisClient::ConnectionRefused);
        QTest::newRow("connect unanswered") << QString("stalled") << "connect" << int(WhoisClient::ConnectTimedOut);
        QTest::newRow("server hangs") << QString("hang") << "read" << int(WhoisClient::ExchangeTimedOut);
    }

    void failures()
    {
        QFETCH(QString, kind);
        QFETCH(QString, notice);
        QFETCH(int, code);
        FakeWhoisServer server;
        const quint16 port = WhoisFixture::startServer(server, kind);
        QVERIFY(port);
        server.setDefaultScript(Script{Mode::Hang, {}, 1, 0});
        for (const bool blocking : {true, false}) {
            WhoisClient client;
            client.setBlockingMode(blocking);
            client.setTimeLimits(300, 600);
            QElapsedTimer clock;
            clock.start();
            const Run run = exchange(client, port);
            QVERIFY(clock.elapsed() < 5000);
            QCOMPARE(int(run.outcome.status), int(WhoisOutcome::Failure));
            QCOMPARE(int(run.outcome.error), code);
            QVERIFY(run.notices.contains(QStringLiteral("%1 %2").arg(notice).arg(code)));
            QVERIFY(!run.notices.contains("end"));
            QCOMPARE(client.lastError(), run.outcome.error);
            // What had come is still there to read; then read() reports the failure.
            QString piece;
            while (client.read(piece, 100) > 0) {
            }
            QCOMPARE(client.read(piece, 100), -1);
        }
    }

    void replyIsBounded_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("sent");
        QTest::addColumn<qint64>("kept");

        const qint64 mebibyte = WhoisClient::DefaultMaxReplyBytes;
        QTest::newRow("10 MB") << mebibyte << qint64(10 * 1000 * 1000) << mebibyte;
        QTest::newRow("without end") << mebibyte << qint64(-1) << mebibyte;
        QTest::newRow("exactly the limit") << qint64(1000) << qint64(1000) << qint64(1000);
        QTest::newRow("one byte over") << qint64(1000) << qint64(1001) << qint64(1000);
    }

    void replyIsBounded()
    {
        QFETCH(qint64, limit);
        QFETCH(qint64, sent);
        QFETCH(qint64, kept);
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.setDefaultScript(Script{Mode::Huge, {}, 1, sent});
        for (const bool blocking : {true, false}) {
            WhoisClient client;
            client.setBlockingMode(blocking);
            client.setMaxReplyBytes(limit);
            const Run run = exchange(client, server.port());
            QCOMPARE(int(run.outcome.status), int(WhoisOutcome::Reply));
            QCOMPARE(run.outcome.truncated, sent != kept);
            QCOMPARE(qint64(blocking ? run.outcome.text.size() : run.delivered.size()), kept);
        }
    }

    void handlerEndsExchange_data()
    {
        QTest::addColumn<bool>("destroy");
        QTest::newRow("client destroyed") << true;
        QTest::newRow("next exchange started") << false;
    }

    void handlerEndsExchange()
    {
        QFETCH(bool, destroy);
        FakeWhoisServer server;
        QVERIFY(server.start());
        server.enqueue(Script{Mode::Trickle, "first reply, slowly\n", 4, 0});
        server.enqueue(FakeWhoisServer::reply("second reply\n"));
        QSignalSpy closed(&server, &FakeWhoisServer::connectionClosed);
        QPointer<WhoisClient> client = new WhoisClient;
        QString firstPiece;
        QString delivered;
        int ends = 0;
        connect(client, &WhoisClient::dataReady, client, [&](int count) {
            QString piece;
            client->read(piece, count);
            delivered += piece;
            if (!firstPiece.isEmpty())
                return;
            firstPiece = piece;
            if (destroy)
                delete client.data();
            else
                QCOMPARE(client->connectToServer(), qint16(WhoisClient::NoError));
        });
        connect(client, &WhoisClient::finished, client, [&] { ++ends; });
        client->setServer(QStringLiteral("127.0.0.1"));
        client->setPort(server.port());
        QCOMPARE(client->connectToServer(), qint16(WhoisClient::NoError));

        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), destroy ? 1 : 2, Bound);
        QTRY_VERIFY_WITH_TIMEOUT(destroy || ends == 1, Bound);
        QVERIFY(QStringLiteral("first reply, slowly\n").startsWith(firstPiece));
        QCOMPARE(delivered, destroy ? firstPiece : firstPiece + QStringLiteral("second reply\n"));
        QCOMPARE(ends, destroy ? 0 : 1);
        delete client.data();
    }
};

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"

#include "support/FakeServer.h"
#include "support/Suite.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"
#include "whois/WhoisLines.h"

// WHOIS without windows: the server choice, the reading of replies, and the client against a loopback server.
class TestWhois : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void whoisServer()
    {
        // The first record is only the answer for unknown top-level domains.
        loadTable({"zz;Z;;;whois.zz", "org;O;;;whois.pir.org", "info;I;;;   "});
        QCOMPARE(Whois::GetWhoisServer("a.org"), QStringLiteral("whois.pir.org"));
        QCOMPARE(Whois::GetWhoisServer("a.info"), Whois::DefaultWhoisServer);
        // Only a domain name goes out in its ASCII form; a handle or a person's name goes as typed.
        QCOMPARE(Whois::queryText(QString::fromUtf8(" münchen.de ")), QStringLiteral("xn--mnchen-3ya.de"));
        QCOMPARE(Whois::queryText(QString::fromUtf8("Jürgen")), QString::fromUtf8("Jürgen"));
        QCOMPARE(Whois::queryText(QString::fromUtf8("Jürgen Müller.de")), QString::fromUtf8("Jürgen Müller.de"));
    }

    // The reading of replies: which ones say free, how a piece is cut into lines, how bytes cut anywhere decode.
    void reading_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<QString>("result");
        const auto row = [](const char* name, const char* rule, const QByteArrayList& pieces, const QString& result) {
            QTest::newRow(name) << rule << pieces << result;
        };
        row("No match", "free", {"No match for \"A.COM\".\r\n>>> Last update"}, "1");
        row("No entries found", "free", {"%\n% No entries found for the selected source(s).\n"}, "1");
        row("second marker, lower case", "free", {"no entries found"}, "0");
        row("bare LF gets CR LF", "lines", {"a\nbb\n"}, "a\r\n|bb\r\n");
        row("CR LF keeps the rest whole", "lines", {"a\r\nb\nc"}, "a\r\nb\nc");
        row("two bytes cut", "text", {"caf\xc3", "\xa9!"}, QString::fromUtf8("caf\xc3\xa9!"));
        row("three pieces", "text", {"\xf0\x9f", "\x98", "\x80"}, QStringLiteral("\U0001F600"));
        row("cut, not continued", "text", {"\xe2\x82", "x"}, QString::fromLatin1("\xe2\x82x"));
        row("cut at the end", "text", {"a\xe2\x82"}, QString::fromLatin1("a\xe2\x82"));
        row("range ends", "text", {"\xe0\xa0\x80\xe0\xbf\xbf\xe0\x9f!"}, QStringLiteral("\u0800\u0FFF\u00e0\u009f!"));
    }
    void reading()
    {
        QFETCH(QString, rule);
        QFETCH(QByteArrayList, pieces);
        ReplyDecoder decoder;
        QString text;
        for (const QByteArray& piece : pieces)
            text += decoder.decode(piece);
        text += decoder.flush();
        if (rule == "free")
            text = QString::number(Whois::CheckWhoisBuffer(text));
        else if (rule == "lines")
            text = Whois::splitReplyPiece(text).join('|');
        QTEST(text, "result");
    }

    void exchange_data()
    {
        QTest::addColumn<int>("mode"); // a FakeServer::Mode; -1: never accepted
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, int mode, const char* reply, int status, int error, const QString& text) {
            QTest::newRow(name) << mode << QByteArray(reply) << status << error << text;
        };
        using M = FakeServer::Mode;
        const int fail = WhoisOutcome::Failure;
        row("reply", int(M::Reply), "No match\r\n", WhoisOutcome::Reply, 0, "No match\r\n");
        row("empty reply", int(M::Reply), "", WhoisOutcome::EmptyReply, 0, "");
        row("never accepted", -1, "", fail, WhoisClient::ConnectTimedOut, "");
        row("server hangs", int(M::Hang), "", fail, WhoisClient::ExchangeTimedOut, "");
        row("cut at the bound", int(M::Huge), "", WhoisOutcome::Reply, 0,
            QString(QString(70, 'x') + "\r\n").repeated(1500).left(100000));
    }
    void exchange()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, reply);
        QFETCH(int, error);
        for (const bool blocking : {true, false}) {
            FakeServer server;
            if (mode == -1) {
                QVERIFY(server.startStalled());
                QTRY_VERIFY(server.stalled());
            } else if (mode >= 0) {
                server.setDefault({FakeServer::Mode(mode), reply});
                QVERIFY(server.start());
            }
            WhoisClient client;
            client.setServer(QStringLiteral("127.0.0.1"));
            client.setPort(server.port());
            client.setQuery(QStringLiteral("a.com"));
            client.setBlockingMode(blocking);
            client.setTimeLimits(500, 1000);
            client.setMaxReplyBytes(100000);
            QString pieces;
            connect(&client, &WhoisClient::dataReady, this, [&](int count) {
                QString piece;
                QCOMPARE(client.read(piece, count), count);
                pieces += piece;
            });
            QSignalSpy finished(&client, &WhoisClient::finished);
            QCOMPARE(client.connectToServer(), qint16(WhoisClient::NoError));
            QVERIFY(finished.wait(5000));
            QCOMPARE(finished.count(), 1);
            const auto outcome = finished.at(0).at(0).value<WhoisOutcome>();
            QTEST(int(outcome.status), "status");
            QCOMPARE(int(outcome.error), error);
            QCOMPARE(outcome.truncated, mode == int(FakeServer::Mode::Huge));
            QTEST(blocking ? outcome.text : pieces, "text");
            QCOMPARE(server.heads().value(0), mode < 0 ? QByteArray() : QByteArray("a.com\r\n"));
        }
    }
};

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"

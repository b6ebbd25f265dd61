#include "core/Environment.h"
#include "support/FakeServer.h"
#include "support/Suite.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapBootstrapUpdater.h"
#include "whois/RdapClient.h"
#include "whois/RdapDomain.h"
#include "whois/ReplyDecoder.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"
#include "whois/WhoisLines.h"

// WHOIS and RDAP without windows: the server choice, the reading of replies, the clients against loopback servers,
// the directory of RDAP services and its weekly refresh, registration details.
class TestWhois : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray fixture(const char* name)
    {
        return readFile(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/" + QString(name));
    }
    static QDateTime jan(int day, int hour = 0) { return QDateTime(QDate(2024, 1, day), QTime(hour, 0), Qt::UTC); }
    // A directory whose one service answers for "com".
    static QByteArray json(int day)
    {
        const QString text = QStringLiteral(R"({"publication":"%1","services":[[["com"],["%2"]]]})");
        return text.arg(jan(day).toString(Qt::ISODate), QStringLiteral("https://r.example/")).toUtf8();
    }

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void whoisServer()
    {
        // The first record is only the answer for unknown top-level domains.
        loadTable({"zz;Z;;;whois.zz", "org;O;;;whois.pir.org", "info;I;;;   "});
        QCOMPARE(Whois::GetWhoisServer("a.org"), QStringLiteral("whois.pir.org"));
        QCOMPARE(Whois::GetWhoisServer("a.info") + ": " + Whois::ServerList().join(' '),
                 "whois.internic.net: Autodetect whois.internic.net whois.ripe.net whois.apnic.net whois.arin.net "
                 "whois.nic.mil whois.nic.gov"); // the lookup window's list
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
        // How a confirmation reads a whole reply about a.zz.
        row("No Data Found", "reply", {"No Data Found\r\n"}, "free");
        row("padded status", "reply", {"Domain: a.zz\nStatus:      free\n"}, "free");
        row("the asked name is free", "reply", {"% a.zz\nA.ZZ is free\n"}, "free");
        row("another name is free", "reply", {"b.zz is free\n"}, "taken");
        row("said within a line", "reply", {"Object NOT FOUND\n"}, "taken");
        row("said at the start of a line", "reply", {"NOT FOUND\n"}, "free");
        row("disclaimer beside a registrar", "reply", {"Not found: see terms\n  Registrar: R\n"}, "taken");
        row("domain name with dates", "reply", {"Domain Name: A.ZZ\nUpdated Date: 2020\nNOT FOUND\n"}, "taken");
        row("domain name with a registrar", "reply", {"Domain Name: A.ZZ\nSponsoring Registrar Name: R\nNOT FOUND\n"},
            "taken");
        row("rate limit", "reply", {"%% Query rate LIMIT EXCEEDED\n"}, "refused");
        row("refusal beside a record", "reply", {"Domain Name: a.zz\nRegistrar: R\nquota\n"}, "taken");
        row("refusal outweighs not found", "reply", {"Not found\nToo many requests, try again later\n"}, "refused");
        row("nothing said", "reply", {"Access permitted\n"}, "taken");
        row("a name without its record", "reply", {"Domain Name: a.zz\nStatus: free\n"}, "free");
        row("dates without a name", "reply", {"No Data Found\nLast update Date: 2024\n"}, "free");
        row("too many requests", "reply", {"Error: too many requests\n"}, "refused");
        row("access denied", "reply", {"ACCESS DENIED\n"}, "refused");
        row("bare LF gets CR LF", "lines", {"a\nbb\n"}, "a\r\n|bb\r\n");
        row("CR LF keeps the rest whole", "lines", {"a\r\nb\nc"}, "a\r\nb\nc");
        row("two bytes cut", "text", {"caf\xc3", "\xa9!"}, QString::fromUtf8("caf\xc3\xa9!"));
        row("three pieces", "text", {"\xf0\x9f", "\x98", "\x80"}, QStringLiteral("\U0001F600"));
        row("cut, not continued", "text", {"\xe2\x82", "x"}, QString::fromLatin1("\xe2\x82x"));
        row("cut at the end", "text", {"a\xe2\x82"}, QString::fromLatin1("a\xe2\x82"));
        row("range ends", "text", {"\xe0\xa0\x80\xe0\xbf\xbf\xe0\x9f\x80!"},
            QStringLiteral("\u0800\u0FFF\u00e0\u009f\u0080!")); // the last overlong
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
        else if (rule == "reply")
            text = QStringList{"free", "taken", "not checked", "refused"}[int(Whois::readReply(text, "a.zz"))];
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
        row("one letter", int(M::Reply), "x", WhoisOutcome::Reply, 0, "x");
        row("reset after the query", int(M::Reset), "", fail, WhoisClient::ReadFailed, "");
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
        for (const auto delivery : {WhoisClient::Delivery::WholeReply, WhoisClient::Delivery::Pieces}) {
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
            client.setDelivery(delivery);
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
            QTEST(delivery == WhoisClient::Delivery::WholeReply ? outcome.text : pieces, "text");
            QCOMPARE(server.heads().value(0), mode < 0 ? QByteArray() : QByteArray("a.com\r\n"));
        }
    }

    // The pieces without a network: the address asked, what an answer means, how long a server asks to wait.
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("result");
        QTest::newRow("address, final dot") << "url" << QByteArray("Ab.COM.") << "https://r.example/v1/domain/ab.com";
        QTest::newRow("address, A-label") << "url"
                                          << QByteArray("b\xc3\xbc"
                                                        "cher.de")
                                          << "https://r.example/v1/domain/xn--bcher-kva.de";
        QTest::newRow("address, a path in the name") << "url" << QByteArray("a/../b.com") << "";
        QTest::newRow("address, digits") << "url" << QByteArray("a09.com") << "https://r.example/v1/domain/a09.com";
        QTest::newRow("404") << "404" << fixture("rdap-sample-404.json") << "0";
        QTest::newRow("200 cut") << "200 cut" << fixture("rdap-sample-200.json") << "2";
        QTest::newRow("200 taken") << "200" << fixture("rdap-sample-200.json") << "1";
        QTest::newRow("500 with a domain") << "500" << fixture("rdap-sample-200.json") << "2";
        QTest::newRow("wait, seconds") << "wait" << QByteArray("61") << "61";
        QTest::newRow("wait, a nine") << "wait" << QByteArray("9") << "9";
        QTest::newRow("wait, none said") << "wait" << QByteArray() << "2";
        QTest::newRow("wait, a date") << "wait" << QByteArray("Mon, 01 Jan 2024 12:00:30 GMT") << "30";
        QTest::newRow("wait, a date passed") << "wait" << QByteArray("Mon, 01 Jan 2024 11:00:00 GMT") << "0";
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QByteArray, input);
        if (rule == "url")
            QTEST(Rdap::domainUrl("https://r.example/v1", QString::fromUtf8(input), false).toString(), "result");
        else if (rule == "wait")
            QTEST(QString::number(Rdap::retryAfterSeconds(input, jan(1, 12), RdapClient::FallbackRetryAfterSeconds,
                                                          RdapClient::LongestRetryAfterSeconds)),
                  "result");
        else
            QTEST(QString::number(int(Rdap::classifyAnswer(rule.left(3).toInt(), input, rule.endsWith("cut")))),
                  "result");
    }

    void serviceFor()
    {
        // ' for ": the moc takes // inside a raw string for a comment.
        const auto parsed = RdapBootstrap::parse(QByteArray("{'services':[[['com','net'],['https://com.example/v1/']],"
                                                            "[['uk'],['https://uk.example/']], ['bad'],"
                                                            "[['co.uk'],['http://plain.example/']]]}")
                                                     .replace('\'', '"'));
        QVERIFY(parsed);
        // The longest match counts, and only over HTTPS.
        QCOMPARE(parsed->serviceFor("x.a.net") + parsed->serviceFor("a.co.uk") + parsed->serviceFor("a.zz"),
                 QStringLiteral("https://com.example/v1/"));
        QVERIFY(!RdapBootstrap::parse(QByteArray("{'services':[[[],['https://r.example/']]]}").replace('\'', '"')));
        Environment::current().programFolder = ORLEVAN_SOURCE_DIR "/data"; // the directory the program ships
        QVERIFY(!Rdap::loadBootstrap(Rdap::DirectoryFiles::program()).serviceFor("example.com").isEmpty());
    }

    void client_data()
    {
        QTest::addColumn<QStringList>("answers"); // "path status [Location, Retry-After or hang]"
        QTest::addColumn<int>("verdict");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("backOff"); // until when the host is left alone afterwards, on a clock standing at 0
        const int free = int(Rdap::Verdict::Free), unknown = int(Rdap::Verdict::NotChecked);
        const QString path = QStringLiteral("/domain/a.test ");
        QTest::newRow("taken") << QStringList{path + "200"} << int(Rdap::Verdict::Taken) << 200 << 1 << 0;
        const QStringList hops{path + "301 /1", "/1 308 /2", "/2 302 /3", "/3 307 /4", "/4 301 /5"};
        QTest::newRow("five redirects, the most followed") << hops + QStringList{"/5 404"} << free << 404 << 6 << 0;
        QTest::newRow("a sixth refused") << hops + QStringList{"/5 301 /6"} << unknown << 301 << 6 << 0;
        QTest::newRow("to http: refused") << QStringList{path + "302 http://127.0.0.1/x"} << unknown << 302 << 1 << 0;
        QTest::newRow("loop") << QStringList{path + "302 /b", "/b 307 /domain/a.test"} << unknown << 307 << 2 << 0;
        QTest::newRow("429 waited out") << QStringList{path + "429 0", path + "404"} << free << 404 << 2 << 0;
        QTest::newRow("a back-off over a minute") << QStringList{path + "429 61"} << unknown << 0 << 1 << 61000;
        QTest::newRow("429 twice: the second sets the back-off")
            << QStringList{path + "429 0", path + "429 61"} << unknown << 429 << 2 << 61000;
        QTest::newRow("no answer") << QStringList{path + "200 hang"} << unknown << 0 << 1 << 0;
    }
    void client()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, requests);
        QFETCH(int, backOff);
        qint64 now = 0;
        Rdap::Policy policy;
        policy.clock = [&now] {
            return now;
        };
        FakeServer server(true, true);
        QVERIFY(server.start());
        for (const QString& line : answers) {
            const QList<QByteArray> f = line.toLatin1().split(' ');
            const int status = f.at(1).toInt();
            QList<QPair<QByteArray, QByteArray>> headers;
            if (Rdap::isRedirect(status) || status == 429)
                headers.append({status == 429 ? "Retry-After" : "Location", f.at(2)});
            FakeServer::Script answer = FakeServer::http(status, fixture("rdap-sample-200.json"), headers);
            if (f.value(2) == "hang")
                answer.mode = FakeServer::Mode::Hang;
            server.answer(answer, f.at(0));
        }
        RdapClient client(policy);
        client.setTimeLimits(1500, 2000);
        client.setHostInterval(0);
        QSignalSpy finished(&client, &RdapClient::finished);
        client.lookup(server.url(""), QStringLiteral("A.test"));
        QVERIFY(finished.wait(10000));
        const auto outcome = finished.at(0).at(0).value<RdapOutcome>();
        QTEST(int(outcome.verdict), "verdict");
        QTEST(outcome.httpStatus, "status");
        QCOMPARE(server.requests.size(), requests);
        QCOMPARE(RdapPacer::shared().notBefore("127.0.0.1", 0), backOff);
        if (backOff) { // while it lasts, later names there are not asked either
            client.lookup(server.url(""), QStringLiteral("b.test"));
            QVERIFY(finished.wait(10000));
            QCOMPARE(server.requests.size(), requests);
        }
    }

    // A domain object as the details window shows it, on 1 January 2022 (UTC) in the C locale.
    void details_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow(".com as a registry answers") << "themarquetry.com" << fixture("rdap-sample-200.json")
                                                    << "Name: themarquetry.com\n"
                                                       "Registrar: Hosting Concepts B.V. d/b/a Registrar.eu\n"
                                                       "Registered: Tuesday, 16 March 2021\n"
                                                       "Expires: Wednesday, 16 March 2022 (74 days left)\n"
                                                       "Last changed: not given\n"
                                                       "Status: the registrar blocks transfers\n"
                                                       "Name servers: ns1.dns-parking.com, ns2.dns-parking.com";
        // ' for ": a registrar under a reseller, other date shapes, a page link, statuses (unknown, in capitals).
        QTest::newRow("odd shapes") << QString::fromUtf8("b\u00fccher.de")
                                    << QByteArray(R"({'objectClassName':'domain','ldhName':'XN--BCHER-KVA.DE',
            'entities':[{'roles':['reseller'],'entities':[{'roles':['Registrar'],'vcardArray':['vcard',[['fn',{},
            'text','R Inc.'],['url',{},'uri','javascript:x']]],'links':[{'type':'text/html','href':'https://r.example/'}]}]}],
            'events':[{'eventAction':'registration','eventDate':'2020-05-06T23:08:09.5-02:00'},
            {'eventAction':'expiration','eventDate':'2021-12-31'},{'eventAction':'last changed','eventDate':'soon'}],
            'status':['redemption period','frobbed','Server Transfer Prohibited','client update prohibited']})")
                                    << QString::fromUtf8("Name: b\u00fccher.de (xn--bcher-kva.de)\n"
                                                         "Registrar: R Inc.\n"
                                                         "Registered: Thursday, 7 May 2020\n"
                                                         "Expires: Friday, 31 December 2021 (expired 1 day ago)\n"
                                                         "Last changed: soon\n"
                                                         "Status: deleted, in its redemption period (only the "
                                                         "holder can restore it); frobbed; the registry blocks "
                                                         "transfers; the registrar blocks changes\n"
                                                         "Name servers: not given\n"
                                                         "More: https://r.example/");
        QTest::newRow("an entity") << "a.com" << QByteArray(R"({'objectClassName':'entity'})") << "";
        QTest::newRow("CR domain") << "a.com" << QByteArray(R"({'objectClassName':'\rdomain'})") << "";
        QTest::newRow("nothing but the class")
            << "a.com" << QByteArray(R"({'objectClassName':'domain','links':[{'type':'text/html','href':'file:/x'}]})")
            << "Name: a.com\nRegistrar: not given\nRegistered: not given\nExpires: not given\nLast changed: not "
               "given\nStatus: not given\nName servers: not given";
    }
    void details()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, input);
        const auto details = RdapDomain::parse(input.replace('\'', '"'));
        const QDateTime now(QDate(2022, 1, 1), QTime(0, 0), QTimeZone::utc());
        QTEST(details ? RdapDomain::report(*details, typed, now, QLocale::c()) : QString(), "expected");
    }

    // A timer that fires before the host's second is up waits again; the clock decides.
    void pacing()
    {
        qint64 now = 0;
        int reads = 0;
        Rdap::Policy policy;
        policy.clock = [&] {
            return ++reads, now;
        };
        policy.plainHttpAllowed = true;
        FakeServer server(true);
        QVERIFY(server.start());
        RdapClient first(policy), second(policy);
        first.lookup(server.url(""), QStringLiteral("a.test"));
        QTRY_COMPARE(server.requests.size(), 1);
        now = 995;
        second.lookup(server.url(""), QStringLiteral("b.test"));
        QTRY_VERIFY(reads > 5);
        QCOMPARE(server.requests.size(), 1);
        now = 1000;
        QTRY_COMPARE(server.requests.size(), 2);
    }

    void updaterFetchesOnceAWeek()
    {
        Rdap::Policy policy;
        policy.plainHttpAllowed = true;
        FakeServer server(true);
        QVERIFY(server.start());
        const QByteArray since = "Tue, 02 Jan 2024 00:00:00 GMT";
        server.answer(FakeServer::http(200, json(2), {{"ETag", "\"v2\""}, {"Last-Modified", since}}), "/dns.json");
        server.answer(FakeServer::http(304, {}), "/dns.json");
        policy.directoryUrl = server.url("/dns.json");
        const Rdap::DirectoryFiles files = Rdap::DirectoryFiles::program();
        RdapBootstrapUpdater updater;
        QSignalSpy finished(&updater, &RdapBootstrapUpdater::finished);

        QVERIFY(updater.startIfDue(*RdapBootstrap::parse(json(1)), files, policy));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true);
        QCOMPARE(server.requests.at(0).header("If-Modified-Since"), QByteArray("Mon, 01 Jan 2024 00:00:00 GMT"));
        const auto stored = Rdap::readBootstrap(files.user);
        QVERIFY(stored && stored->publication() == jan(2));

        QVERIFY(!updater.startIfDue(*stored, files, policy, QDateTime::currentDateTimeUtc().addDays(6)));
        // Without its state file the program still remembers its attempt.
        QFile::rename(files.state, files.state + ".kept");
        QVERIFY(!updater.startIfDue(*stored, files, policy));
        QFile::rename(files.state + ".kept", files.state);
        QVERIFY(updater.startIfDue(*stored, files, policy, QDateTime::currentDateTimeUtc().addDays(7)));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), false);
        QCOMPARE(server.requests.at(1).header("If-None-Match"), QByteArray("\"v2\""));
        QCOMPARE(server.requests.at(1).header("If-Modified-Since"), since);
        // An answer that brought nothing new counts as the week's fetch too.
        QVERIFY(!updater.startIfDue(*stored, files, policy));
        QCOMPARE(server.requests.size(), 2);
        server.setDefault({FakeServer::Mode::Hang, {}}); // a server that never answers is given up in time
        updater.setTimeLimit(300);
        QVERIFY(updater.startIfDue(*stored, files, policy, QDateTime::currentDateTimeUtc().addDays(14)));
        QVERIFY(finished.wait(5000));
    }
};

QTEST_GUILESS_MAIN(TestWhois)
#include "tst_whois.moc"

#include "support/FakeServer.h"
#include "support/Suite.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapBootstrapUpdater.h"
#include "whois/RdapClient.h"

// RDAP without windows: addresses, answers, the directory of services and its weekly refresh, the client.
class TestRdap : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray fixture(const char* name)
    {
        QFile file(QStringLiteral(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static QDateTime jan(int day, int hour = 0) { return QDateTime(QDate(2024, 1, day), QTime(hour, 0), Qt::UTC); }
    // A directory whose one service answers for "com".
    static QByteArray json(int day, const QString& base = QStringLiteral("https://r.example/"))
    {
        const QString text = QStringLiteral(R"({"publication":"%1","services":[[["com"],["%2"]]]})");
        return text.arg(jan(day).toString(Qt::ISODate), base).toUtf8();
    }

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void domainUrl_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("url"); // empty: refused
        QTest::newRow("final dot") << "Ab.COM." << QStringLiteral("https://r.example/v1/domain/ab.com");
        QTest::newRow("A-label") << "b\u00fccher.de" << QStringLiteral("https://r.example/v1/domain/xn--bcher-kva.de");
        QTest::newRow("path in the name") << "a/../b.com" << QString();
    }
    void domainUrl()
    {
        QFETCH(QString, domain);
        QTEST(Rdap::domainUrl(QStringLiteral("https://r.example/v1"), domain).toString(), "url");
    }

    void classify_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("verdict");
        const QByteArray taken = fixture("rdap-sample-200.json");
        const int unknown = int(Rdap::Verdict::NotChecked);
        QTest::newRow("404") << 404 << fixture("rdap-sample-404.json") << false << int(Rdap::Verdict::Free);
        QTest::newRow("200 cut") << 200 << taken << true << unknown;
        QTest::newRow("500 with a domain") << 500 << taken << false << unknown;
        QTest::newRow("200 other object") << 200 << QByteArray(R"({"objectClassName":"entity"})") << false << unknown;
    }
    void classify()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, cut);
        QTEST(int(Rdap::classifyAnswer(status, body, cut)), "verdict");
    }

    void retryAfter_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("seconds"); // at 12:00:00 on 1 January 2024
        QTest::newRow("delay") << QByteArray("5") << 5;
        QTest::newRow("a minute and more") << QByteArray("61") << 61;
        QTest::newRow("absent") << QByteArray() << 2;
        QTest::newRow("date") << QByteArray("Mon, 01 Jan 2024 12:00:30 GMT") << 30;
        QTest::newRow("date passed") << QByteArray("Mon, 01 Jan 2024 11:00:00 GMT") << 0;
    }
    void retryAfter()
    {
        QFETCH(QByteArray, header);
        using C = RdapClient;
        QTEST(Rdap::retryAfterSeconds(header, jan(1, 12), C::FallbackRetryAfterSeconds, C::LongestRetryAfterSeconds),
              "seconds");
    }

    void serviceFor_data()
    {
        QTest::addColumn<QString>("domain");
        QTest::addColumn<QString>("base");
        QTest::newRow("entry") << "x.a.net" << QStringLiteral("https://com.example/v1/");
        QTest::newRow("longest match without HTTPS") << "a.co.uk" << QString();
        QTest::newRow("no entry") << "a.zz" << QString();
    }
    void serviceFor()
    {
        QFETCH(QString, domain);
        // ' for ": the moc takes // inside a raw string for a comment.
        const auto parsed = RdapBootstrap::parse(QByteArray("{'services':[[['com','net'],['https://com.example/v1/']],"
                                                            "[['uk'],['https://uk.example/']], ['bad'],"
                                                            "[['co.uk'],['http://plain.example/']]]}")
                                                     .replace('\'', '"'));
        QVERIFY(parsed);
        QTEST(parsed->serviceFor(domain), "base");
        QVERIFY(!RdapBootstrap::parse(QByteArray("{'services':[[[],['https://r.example/']]]}").replace('\'', '"')));
    }

    void refreshRules()
    {
        const auto dir = [](int day, const char* base) {
            return RdapBootstrap::parse(json(day, base));
        };
        QCOMPARE(Rdap::chooseBootstrap(dir(2, "https://shipped/"), dir(2, "https://user/")).serviceFor("a.com"),
                 QStringLiteral("https://user/"));
        QCOMPARE(Rdap::chooseBootstrap(dir(2, "https://shipped/"), dir(1, "https://user/")).serviceFor("a.com"),
                 QStringLiteral("https://shipped/"));
        QVERIFY(!Rdap::fetchedReplacement(200, json(1), *RdapBootstrap::parse(json(2))));
        // Validators of a copy since replaced would bring a 304 for a file we lack.
        const Rdap::FetchState state{jan(1), "Mon, 01 Jan 2024 00:00:00 GMT", "\"e1\"", jan(1)};
        QCOMPARE(Rdap::conditionalHeaders(state, jan(2)).value(0).second, QByteArray("Tue, 02 Jan 2024 00:00:00 GMT"));
        QVERIFY(Rdap::refreshDue(jan(2), jan(1))); // a clock set back
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
        QTest::newRow("redirects followed")
            << QStringList{path + "301 /v2", "/v2 308 /x", "/x 404"} << free << 404 << 3 << 0;
        QTest::newRow("loop") << QStringList{path + "302 /b", "/b 307 /domain/a.test"} << unknown << 307 << 2 << 0;
        QTest::newRow("429 waited out") << QStringList{path + "429 0", path + "404"} << free << 404 << 2 << 0;
        QTest::newRow("a back-off over a minute") << QStringList{path + "429 61"} << unknown << 0 << 1 << 61000;
        QTest::newRow("429 twice") << QStringList{path + "429 0", path + "429 0"} << unknown << 429 << 2 << 0;
        QTest::newRow("no answer") << QStringList{path + "200 hang"} << unknown << 0 << 1 << 0;
    }
    void client()
    {
        QFETCH(QStringList, answers);
        QFETCH(int, requests);
        QFETCH(int, backOff);
        qint64 now = 0;
        RdapPacer::clock = [&now] {
            return now;
        };
        FakeServer server(true);
        QVERIFY(server.start());
        QVERIFY(!Rdap::isUsableUrl(QUrl(server.url()))); // plain HTTP only where allowed
        Rdap::PlainHttpAllowed = true;
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
        RdapClient client;
        client.setTimeLimits(500, 800);
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

    // A timer that fires before the host's second is up waits again; the clock decides.
    void pacing()
    {
        qint64 now = 0;
        int reads = 0;
        RdapPacer::clock = [&] {
            return ++reads, now;
        };
        Rdap::PlainHttpAllowed = true;
        FakeServer server(true);
        QVERIFY(server.start());
        RdapClient first, second;
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
        Rdap::PlainHttpAllowed = true;
        FakeServer server(true);
        QVERIFY(server.start());
        const QByteArray since = "Tue, 02 Jan 2024 00:00:00 GMT";
        server.answer(FakeServer::http(200, json(2), {{"ETag", "\"v2\""}, {"Last-Modified", since}}), "/dns.json");
        server.answer(FakeServer::http(304, {}), "/dns.json");
        Rdap::BootstrapUrl = server.url("/dns.json");
        RdapBootstrapUpdater updater;
        QSignalSpy finished(&updater, &RdapBootstrapUpdater::finished);

        QVERIFY(updater.startIfDue(*RdapBootstrap::parse(json(1))));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), true);
        QCOMPARE(server.requests.at(0).header("If-Modified-Since"), QByteArray("Mon, 01 Jan 2024 00:00:00 GMT"));
        const auto stored = Rdap::readBootstrap(Rdap::userBootstrapPath());
        QVERIFY(stored && stored->publication() == jan(2));

        QVERIFY(!updater.startIfDue(*stored, QDateTime::currentDateTimeUtc().addDays(6)));
        // Without its state file the program still remembers its attempt.
        QFile::rename(Rdap::fetchStatePath(), Rdap::fetchStatePath() + ".kept");
        QVERIFY(!updater.startIfDue(*stored));
        QFile::rename(Rdap::fetchStatePath() + ".kept", Rdap::fetchStatePath());
        QVERIFY(updater.startIfDue(*stored, QDateTime::currentDateTimeUtc().addDays(7)));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.takeFirst().at(0).toBool(), false);
        QCOMPARE(server.requests.at(1).header("If-None-Match"), QByteArray("\"v2\""));
        QCOMPARE(server.requests.at(1).header("If-Modified-Since"), since);
        // An answer that brought nothing new counts as the week's fetch too.
        QVERIFY(!updater.startIfDue(*stored));
        QCOMPARE(server.requests.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestRdap)
#include "tst_rdap.moc"

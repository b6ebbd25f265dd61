#include "support/FakeRdapServer.h"
#include "support/FakeWhoisServer.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapBootstrapUpdater.h"
#include "whois/RdapClient.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Rdap::Verdict;
using Answer = FakeRdapServer::Answer;
Q_DECLARE_METATYPE(Rdap::Verdict)

namespace {
constexpr int Bound = 10000;

struct Route
{
    QByteArray path;
    Answer answer;
};
using Routes = QList<Route>;

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs one question to the end; an outcome with reason "no finish" when finished() did not come exactly once.
RdapOutcome ask(RdapClient& client, const QString& base, const QString& domain)
{
    QSignalSpy finished(&client, &RdapClient::finished);
    client.lookup(base, domain);
    if (!finished.wait(Bound) || finished.size() != 1)
        return RdapOutcome{Verdict::NotChecked, -1, QStringLiteral("no finish")};
    return finished.first().first().value<RdapOutcome>();
}

QByteArray directory(const QString& publication, const QString& base = QStringLiteral("https://c.example/"))
{
    return QStringLiteral("{\"publication\":\"%1\",\"services\":[[[\"com\"],[\"%2\"]]]}")
        .arg(publication, base)
        .toUtf8();
}
} // namespace
Q_DECLARE_METATYPE(Routes)
Q_DECLARE_METATYPE(FakeRdapServer::Answer)

class TestRdapClient : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;

    RdapClient* quickClient()
    {
        auto* client = new RdapClient(this);
        client->setHostInterval(0);
        client->setTimeLimits(2000, 2000);
        return client;
    }

private Q_SLOTS:
    void initTestCase() { Rdap::PlainHttpAllowed = true; }
    void cleanupTestCase() { Rdap::PlainHttpAllowed = false; }

    void init()
    {
        m_dir = new QTemporaryDir;
        Rdap::DataFolder = m_dir->path();
    }

    void cleanup()
    {
        Rdap::DataFolder.clear();
        Rdap::BootstrapUrl = Rdap::IanaBootstrapUrl;
        delete m_dir;
        m_dir = nullptr;
    }

    void answers_data()
    {
        QTest::addColumn<Routes>("routes"); // "@" in a Location stands for the server's own address
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("requests");

        const QByteArray path = "/rdap/domain/name.test";
        QTest::newRow("404 keeps free") << Routes{{path, FakeRdapServer::json(404, fixture("rdap-sample-404.json"))}}
                                        << Verdict::Free << 1;
        QTest::newRow("404 without body") << Routes{{path, Answer{404, {}, {}, false}}} << Verdict::Free << 1;
        QTest::newRow("200 domain makes taken")
            << Routes{{path, FakeRdapServer::json(200, fixture("rdap-sample-200.json"))}} << Verdict::Taken << 1;
        QTest::newRow("200 not a domain")
            << Routes{{path, FakeRdapServer::json(200, R"({"objectClassName":"entity"})")}} << Verdict::NotChecked << 1;
        QTest::newRow("500") << Routes{{path, FakeRdapServer::json(500, fixture("rdap-sample-200.json"))}}
                             << Verdict::NotChecked << 1;
        QTest::newRow("400") << Routes{{path, Answer{400, {}, {}, false}}} << Verdict::NotChecked << 1;
        QTest::newRow("redirect followed")
            << Routes{{path, FakeRdapServer::redirect(302, "@/other/domain/name.test")},
                      {"/other/domain/name.test", FakeRdapServer::json(200, fixture("rdap-sample-200.json"))}}
            << Verdict::Taken << 2;
        QTest::newRow("relative redirect") << Routes{{path, FakeRdapServer::redirect(301, "/other/domain/name.test")},
                                                     {"/other/domain/name.test", FakeRdapServer::json(404, {})}}
                                           << Verdict::Free << 2;
        QTest::newRow("redirect loop") << Routes{{path, FakeRdapServer::redirect(307, "/b")},
                                                 {"/b", FakeRdapServer::redirect(307, "@/rdap/domain/name.test")}}
                                       << Verdict::NotChecked << 2;
        QTest::newRow("redirect without Location")
            << Routes{{path, Answer{302, {}, {}, false}}} << Verdict::NotChecked << 1;
        QTest::newRow("429 twice") << Routes{{path, Answer{429, {}, {{"Retry-After", "0"}}, false}}}
                                   << Verdict::NotChecked << 2;
        QTest::newRow("no answer") << Routes{{path, Answer{200, {}, {}, true}}} << Verdict::NotChecked << 1;

        // Five hops are followed, a sixth is not.
        Routes five{{path, FakeRdapServer::redirect(302, "/h1")}};
        for (int i = 1; i < 5; ++i)
            five.append(
                {"/h" + QByteArray::number(i), FakeRdapServer::redirect(302, "/h" + QByteArray::number(i + 1))});
        Routes six = five;
        five.append({"/h5", FakeRdapServer::json(404, {})});
        six.append({"/h5", FakeRdapServer::redirect(302, "/h6")});
        six.append({"/h6", FakeRdapServer::json(404, {})});
        QTest::newRow("five hops") << five << Verdict::Free << 6;
        QTest::newRow("six hops") << six << Verdict::NotChecked << 6;
    }

    void answers()
    {
        QFETCH(Routes, routes);
        QFETCH(Verdict, verdict);
        QFETCH(int, requests);
        FakeRdapServer server;
        QVERIFY(server.start());
        for (Route route : routes) {
            for (auto& header : route.answer.headers)
                header.second.replace("@", server.url("").toLatin1());
            server.answer(route.path, route.answer);
        }
        RdapClient* client = quickClient();
        client->setTimeLimits(2000, 500);
        const RdapOutcome outcome = ask(*client, server.url("/rdap/"), QStringLiteral("Name.Test"));
        QCOMPARE(outcome.verdict, verdict);
        QCOMPARE(server.requests.size(), requests);
        QVERIFY(!client->isBusy());
    }

    void request()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/rdap/domain/xn--mller-kva.test", FakeRdapServer::json(404, {}));
        RdapClient* client = quickClient();
        QCOMPARE(ask(*client, server.url("/rdap"), QStringLiteral("M\u00FCller.TEST")).verdict, Verdict::Free);
        QCOMPARE(server.requests.size(), 1);
        QVERIFY(server.requests.first().headers.value("accept").startsWith("application/rdap+json"));
        QVERIFY(server.requests.first().headers.value("user-agent").startsWith("Orlevan/"));
    }

    void bodyBound_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<Verdict>("verdict");
        QTest::newRow("200 cut") << 200 << Verdict::NotChecked;
        QTest::newRow("404 cut") << 404 << Verdict::Free;
    }

    void bodyBound()
    {
        QFETCH(int, status);
        QFETCH(Verdict, verdict);
        FakeRdapServer server;
        QVERIFY(server.start());
        const QByteArray big =
            QByteArray("{\"objectClassName\":\"domain\",\"pad\":\"") + QByteArray(3 * 1024 * 1024, 'x') + "\"}";
        server.answer("/domain/a.test", FakeRdapServer::json(status, big));
        RdapClient* client = quickClient();
        QCOMPARE(ask(*client, server.url("/"), QStringLiteral("a.test")).verdict, verdict);
        client->setMaxBodyBytes(big.size());
        QCOMPARE(ask(*client, server.url("/"), QStringLiteral("a.test")).verdict,
                 status == 200 ? Verdict::Taken : Verdict::Free);
    }

    void unreachable_data()
    {
        QTest::addColumn<bool>("stalled");
        QTest::newRow("refused") << false;
        QTest::newRow("connect never completes") << true;
    }

    void unreachable()
    {
        QFETCH(bool, stalled);
        FakeWhoisServer listener;
        quint16 port = FakeWhoisServer::refusedPort();
        if (stalled) {
            QVERIFY(listener.startStalled());
            QTRY_VERIFY_WITH_TIMEOUT(listener.stalled(), Bound);
            port = listener.port();
        }
        RdapClient* client = quickClient();
        client->setTimeLimits(300, 5000);
        QElapsedTimer clock;
        clock.start();
        const RdapOutcome outcome = ask(*client, QStringLiteral("http://127.0.0.1:%1/").arg(port), "a.test");
        QCOMPARE(outcome.verdict, Verdict::NotChecked);
        QCOMPARE(outcome.httpStatus, 0);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(outcome.reason));
    }

    void retryAfterObeyed()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/domain/a.test", Answer{429, {}, {{"Retry-After", "1"}}, false});
        server.answer("/domain/a.test", FakeRdapServer::json(200, fixture("rdap-sample-200.json")));
        RdapClient* client = quickClient();
        QCOMPARE(ask(*client, server.url("/"), QStringLiteral("a.test")).verdict, Verdict::Taken);
        QCOMPARE(server.requests.size(), 2);
        QVERIFY(server.requests.at(1).atMs - server.requests.at(0).atMs >= 950);
    }

    // One request a second per host, across clients; another host is not held back.
    void hostPacing()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/domain/a.test", FakeRdapServer::json(404, {}));
        RdapClient first;
        first.setHostInterval(1000);
        QCOMPARE(ask(first, server.url("/"), QStringLiteral("a.test")).verdict, Verdict::Free);
        RdapClient second;
        second.setHostInterval(1000);
        QCOMPARE(ask(second, server.url("/"), QStringLiteral("a.test")).verdict, Verdict::Free);
        const QString otherHost = QStringLiteral("http://localhost:%1/").arg(server.port());
        QCOMPARE(ask(second, otherHost, QStringLiteral("a.test")).verdict, Verdict::Free);
        QCOMPARE(server.requests.size(), 3);
        QVERIFY(server.requests.at(1).atMs - server.requests.at(0).atMs >= 950);
        QVERIFY(server.requests.at(2).atMs - server.requests.at(1).atMs < 900);
    }

    void refusedName()
    {
        RdapClient* client = quickClient();
        QSignalSpy finished(client, &RdapClient::finished);
        client->lookup(QStringLiteral("https://r.example/"), QStringLiteral("a/b.test"));
        QCOMPARE(finished.size(), 0); // never from inside lookup()
        QVERIFY(finished.wait(Bound));
        QCOMPARE(finished.first().first().value<RdapOutcome>().verdict, Verdict::NotChecked);
    }

    // Cancelling or destroying the client mid-request says nothing and leaves nothing behind.
    void stopMidRequest()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/domain/a.test", Answer{200, {}, {}, true});
        RdapClient* client = quickClient();
        QSignalSpy finished(client, &RdapClient::finished);
        QSignalSpy received(&server, &FakeRdapServer::requestReceived);
        client->lookup(server.url("/"), QStringLiteral("a.test"));
        QVERIFY(received.wait(Bound));
        client->cancel();
        QVERIFY(!client->isBusy());
        client->lookup(server.url("/"), QStringLiteral("a.test"));
        QVERIFY(received.wait(Bound));
        delete client;
        QTest::qWait(0);
        QCOMPARE(finished.size(), 0);
    }

    void directoryRefresh_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("newer copy") << FakeRdapServer::json(200, directory("2026-09-30T00:00:00Z")) << true;
        QTest::newRow("not modified") << Answer{304, {}, {}, false} << false;
        QTest::newRow("older copy") << FakeRdapServer::json(200, directory("2025-01-01T00:00:00Z")) << false;
        QTest::newRow("error") << Answer{503, {}, {}, false} << false;
        QTest::newRow("no answer") << Answer{200, {}, {}, true} << false;
    }

    void directoryRefresh()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, replaced);
        FakeRdapServer server;
        QVERIFY(server.start());
        answer.headers.append(qMakePair(QByteArray("Last-Modified"), QByteArray("Wed, 30 Sep 2026 00:00:00 GMT")));
        answer.headers.append(qMakePair(QByteArray("ETag"), QByteArray("\"v2\"")));
        server.answer("/dns.json", answer);
        Rdap::BootstrapUrl = server.url("/dns.json");
        const RdapBootstrap inHand = *RdapBootstrap::parse(directory("2026-07-23T02:00:03Z"));

        RdapBootstrapUpdater updater;
        updater.setTimeLimit(500);
        QSignalSpy finished(&updater, &RdapBootstrapUpdater::finished);
        QVERIFY(updater.startIfDue(inHand));
        QVERIFY(finished.wait(Bound));
        QCOMPARE(finished.first().first().toBool(), replaced);
        QCOMPARE(server.requests.first().headers.value("if-modified-since"), "Thu, 23 Jul 2026 02:00:03 GMT");
        QCOMPARE(QFile::exists(Rdap::userBootstrapPath()), replaced);
        if (replaced)
            QCOMPARE(Rdap::loadBootstrap().publication(), QDateTime::fromString("2026-09-30T00:00:00Z", Qt::ISODate));

        // Whatever came of it, the next confirmation does not ask again within the week.
        QVERIFY(!updater.startIfDue(inHand));
        const Rdap::FetchState state = Rdap::readFetchState(Rdap::fetchStatePath());
        QVERIFY(state.checked.secsTo(QDateTime::currentDateTimeUtc()) < 60);
        QCOMPARE(state.etag, replaced ? QByteArray("\"v2\"") : QByteArray());
        QVERIFY(!updater.startIfDue(inHand, QDateTime::currentDateTimeUtc().addDays(6)));
        QVERIFY(updater.startIfDue(inHand, QDateTime::currentDateTimeUtc().addDays(8)));
    }

    void refreshUsesValidatorsOfCopyInHand()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/dns.json", Answer{304, {}, {}, false});
        Rdap::BootstrapUrl = server.url("/dns.json");
        const QDateTime published = QDateTime::fromString("2026-09-30T00:00:00Z", Qt::ISODate);
        Rdap::writeFetchState(Rdap::fetchStatePath(), {QDateTime::currentDateTimeUtc().addDays(-8),
                                                       "Wed, 30 Sep 2026 00:00:00 GMT", "\"v2\"", published});
        RdapBootstrapUpdater updater;
        QSignalSpy finished(&updater, &RdapBootstrapUpdater::finished);
        QVERIFY(updater.startIfDue(*RdapBootstrap::parse(directory("2026-09-30T00:00:00Z"))));
        QVERIFY(finished.wait(Bound));
        QCOMPARE(server.requests.first().headers.value("if-none-match"), "\"v2\"");
        // A 304 keeps the validators for the next time.
        QCOMPARE(Rdap::readFetchState(Rdap::fetchStatePath()).etag, QByteArray("\"v2\""));
    }

    void refreshOff_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("no address") << QString();
        QTest::newRow("plain http") << QStringLiteral("http://127.0.0.1:1/dns.json");
    }

    void refreshOff()
    {
        QFETCH(QString, url);
        Rdap::PlainHttpAllowed = false;
        Rdap::BootstrapUrl = url;
        RdapBootstrapUpdater updater;
        QVERIFY(!updater.startIfDue(RdapBootstrap()));
        Rdap::PlainHttpAllowed = true;
        QVERIFY(!QFile::exists(Rdap::fetchStatePath()));
    }
};

QTEST_GUILESS_MAIN(TestRdapClient)
#include "tst_rdapclient.moc"

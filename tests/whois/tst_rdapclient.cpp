#include "support/FakeRdapServer.h"
#include "support/WhoisFixture.h"
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
using Routes = QList<QPair<QByteArray, Answer>>;

namespace {
// One question to its end; "no finish" when finished() did not come exactly once.
RdapOutcome ask(RdapClient& client, const QString& base, const QString& domain = QStringLiteral("Name.Test"))
{
    QSignalSpy finished(&client, &RdapClient::finished);
    client.lookup(base, domain);
    if (finished.size() != 0 || !finished.wait(Bound) || finished.size() != 1)
        return RdapOutcome{Verdict::NotChecked, -1, QStringLiteral("no finish")};
    return finished.first().first().value<RdapOutcome>();
}

QByteArray directory(const char* publication)
{
    return QByteArray("{\"publication\":\"") + publication + "\",\"services\":[[[\"com\"],[\"https://c.example/\"]]]}";
}
} // namespace
Q_DECLARE_METATYPE(Rdap::Verdict)
Q_DECLARE_METATYPE(Routes)
Q_DECLARE_METATYPE(FakeRdapServer::Answer)

class TestRdapClient : public QObject
{
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;

private Q_SLOTS:
    void init()
    {
        Rdap::PlainHttpAllowed = true;
        m_dir = new QTemporaryDir;
        Rdap::DataFolder = m_dir->path();
    }

    void cleanup()
    {
        Rdap::PlainHttpAllowed = false;
        Rdap::DataFolder.clear();
        Rdap::BootstrapUrl = Rdap::IanaBootstrapUrl;
        delete m_dir;
    }

    void answers_data()
    {
        QTest::addColumn<Routes>("routes"); // "@" in a Location stands for the server's own address
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("requests");

        const QByteArray path = "/rdap/domain/name.test";
        const Answer taken = FakeRdapServer::json(200, WhoisFixture::sample("rdap-sample-200.json"));
        const Answer free = FakeRdapServer::json(404, WhoisFixture::sample("rdap-sample-404.json"));
        QTest::newRow("404 keeps free") << Routes{{path, free}} << Verdict::Free << 1;
        QTest::newRow("200 domain makes taken") << Routes{{path, taken}} << Verdict::Taken << 1;
        QTest::newRow("200 not a domain")
            << Routes{{path, FakeRdapServer::json(200, "{\"objectClassName\":\"entity\"}")}} << Verdict::NotChecked
            << 1;
        QTest::newRow("200 over 1 MiB") << Routes{{path, FakeRdapServer::json(200, taken.body.leftJustified(1 << 21))}}
                                        << Verdict::NotChecked << 1;
        QTest::newRow("500") << Routes{{path, Answer{500, taken.body, {}, false}}} << Verdict::NotChecked << 1;
        QTest::newRow("no answer") << Routes{{path, Answer{200, {}, {}, true}}} << Verdict::NotChecked << 1;
        QTest::newRow("429 twice") << Routes{{path, Answer{429, {}, {{"Retry-After", "0"}}, false}}}
                                   << Verdict::NotChecked << 2;
        QTest::newRow("redirect followed") << Routes{{path, FakeRdapServer::redirect(302, "@/other/domain/name.test")},
                                                     {"/other/domain/name.test", taken}}
                                           << Verdict::Taken << 2;
        QTest::newRow("redirect loop") << Routes{{path, FakeRdapServer::redirect(307, "/b")},
                                                 {"/b", FakeRdapServer::redirect(301, "@/rdap/domain/name.test")}}
                                       << Verdict::NotChecked << 2;
        // Five hops are followed, a sixth is not.
        Routes five{{path, FakeRdapServer::redirect(302, "/h1")}};
        for (char i = '1'; i < '5'; ++i)
            five.append({QByteArray("/h") + i, FakeRdapServer::redirect(303, QByteArray("/h") + char(i + 1))});
        Routes six = five;
        five.append({"/h5", free});
        six.append({"/h5", FakeRdapServer::redirect(308, "/h6")});
        six.append({"/h6", free});
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
        for (auto route : routes) {
            for (auto& header : route.second.headers)
                header.second.replace("@", server.url("").toLatin1());
            server.answer(route.first, route.second);
        }
        RdapClient client;
        client.setHostInterval(0);
        client.setTimeLimits(2000, 500);
        QCOMPARE(ask(client, server.url("/rdap/")).verdict, verdict);
        QCOMPARE(server.requests.size(), requests);
        QVERIFY(server.requests.first().headers.value("accept").startsWith("application/rdap+json"));
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
        const quint16 port = WhoisFixture::startServer(listener, stalled ? "stalled" : "refused");
        QVERIFY(port);
        RdapClient client;
        client.setTimeLimits(300, 5000);
        QElapsedTimer clock;
        clock.start();
        const RdapOutcome outcome = ask(client, QStringLiteral("http://127.0.0.1:%1/").arg(port));
        QCOMPARE(outcome.verdict, Verdict::NotChecked);
        QCOMPARE(outcome.httpStatus, 0);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(outcome.reason));
    }

    // 429 waits as Retry-After says; and no host is asked twice within a second, by any client, while another
    // host is not held back.
    void pacing()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/domain/name.test", Answer{429, {}, {{"Retry-After", "1"}}, false});
        server.answer("/domain/name.test", FakeRdapServer::json(404, {}));
        RdapClient first;
        first.setHostInterval(0);
        QCOMPARE(ask(first, server.url("/")).verdict, Verdict::Free);
        RdapClient second;
        QCOMPARE(ask(second, server.url("/")).verdict, Verdict::Free);
        QCOMPARE(ask(second, QStringLiteral("http://localhost:%1/").arg(server.port())).verdict, Verdict::Free);
        QCOMPARE(server.requests.size(), 4);
        QVERIFY(server.requests.at(1).atMs - server.requests.at(0).atMs >= 950);
        QVERIFY(server.requests.at(2).atMs - server.requests.at(1).atMs >= 950);
        QVERIFY(server.requests.at(3).atMs - server.requests.at(2).atMs < 900);
    }

    // Cancelling or destroying the client mid-request says nothing and leaves nothing behind.
    void stopMidRequest()
    {
        FakeRdapServer server;
        QVERIFY(server.start());
        server.answer("/domain/name.test", Answer{200, {}, {}, true});
        auto* client = new RdapClient;
        client->setHostInterval(0);
        QSignalSpy finished(client, &RdapClient::finished);
        QSignalSpy received(&server, &FakeRdapServer::requestReceived);
        client->lookup(server.url("/"), QStringLiteral("name.test"));
        QVERIFY(received.wait(Bound));
        client->cancel();
        QVERIFY(!client->isBusy());
        client->lookup(server.url("/"), QStringLiteral("name.test"));
        QVERIFY(received.wait(Bound));
        delete client;
        QCOMPARE(finished.size(), 0);
    }

    void directoryRefresh_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("newer copy") << FakeRdapServer::json(200, directory("2026-09-30T00:00:00Z")) << true;
        QTest::newRow("not modified") << Answer{304, {}, {}, false} << false;
        QTest::newRow("older copy") << FakeRdapServer::json(200, directory("2025-01-01T00:00:00Z")) << false;
        QTest::newRow("no answer") << Answer{200, {}, {}, true} << false;
    }

    void directoryRefresh()
    {
        QFETCH(Answer, answer);
        QFETCH(bool, replaced);
        FakeRdapServer server;
        QVERIFY(server.start());
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
        QCOMPARE(Rdap::loadBootstrap().publication().date().month(), replaced ? 9 : 0);
        QCOMPARE(Rdap::readFetchState(Rdap::fetchStatePath()).etag, replaced ? QByteArray("\"v2\"") : QByteArray());
        // Whatever came of it, no new question within the week.
        QVERIFY(!updater.startIfDue(inHand));
        QVERIFY(!updater.startIfDue(inHand, QDateTime::currentDateTimeUtc().addDays(6)));
        QVERIFY(updater.startIfDue(inHand, QDateTime::currentDateTimeUtc().addDays(8)));
    }
};

QTEST_GUILESS_MAIN(TestRdapClient)
#include "tst_rdapclient.moc"

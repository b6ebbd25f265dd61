#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "dns/RunPlan.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/Suite.h"

// One run against a name server of its own on 127.0.0.1: what goes out, which answers are believed, how it ends.
class TestCheckRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<CheckRun> m_run;
    ScriptedTransport* m_scripted = nullptr;
    ManualTickSource* m_tick = nullptr;

    // Complete names, one column; with scripted, a socket and ticks of the test's own.
    CheckRun* start(const QStringList& names, int passes, bool scripted = false)
    {
        const RunPlan plan = RunPlan::make(names, false, false);
        plan.fill(CheckResults);
        CheckRun::Setup setup = plan.setup(Utils::AppSettings);
        setup.passes = passes;
        if (!scripted) {
            m_run = m_driver->makeRun(CheckResults, setup);
        } else {
            auto transport = std::make_unique<ScriptedTransport>();
            auto ticks = std::make_unique<ManualTickSource>();
            m_scripted = transport.get();
            m_tick = ticks.get();
            m_run = std::make_unique<CheckRun>(CheckResults, setup, std::move(ticks), std::move(transport));
        }
        return m_run.get();
    }
    QString statuses() const
    {
        QString out;
        for (int r = 1; r <= CheckResults.rowCount(); ++r)
            out += QString::number(CheckResults(1, r).status);
        return out;
    }

private Q_SLOTS:
    void init()
    {
        resetProgramState(m_dir.path());
        m_platform = std::make_unique<TestPlatform>();
        m_driver = std::make_unique<RunDriver>();
        Utils::AppSettings.NameServer = "127.0.0.1";
    }
    void cleanup()
    {
        m_run.reset();
        m_driver.reset();
        m_platform.reset();
    }

    // The server answers a.com and c.com "exists", the made-up name under com "no such name", b.com as the row
    // says. Only the server asked, from the port asked, answering the question asked, is believed.
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("passes");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<int>("queries");
        QTest::newRow("name error") << "3" << 2 << "121" << 4;
        QTest::newRow("success") << "0" << 1 << "111" << 4;
        QTest::newRow("no reply: asked in every pass") << "none" << 3 << "131" << 6;
        QTest::newRow("refused: asked again") << "5" << 2 << "131" << 5;
        QTest::newRow("server failure") << "2" << 1 << "131" << 4;
        QTest::newRow("format error") << "1" << 1 << "131" << 4;
        QTest::newRow("not implemented") << "4" << 1 << "131" << 4;
        QTest::newRow("from another port") << "port" << 1 << "131" << 4;
        QTest::newRow("another question") << "question" << 1 << "131" << 4;
        QTest::newRow("not a response") << "query" << 1 << "131" << 4;
        QTest::newRow("identifier of no candidate") << "id" << 1 << "131" << 4;
        QTest::newRow("three bytes") << "short" << 1 << "131" << 4;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(int, passes);
        QUdpSocket stranger;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            QByteArray reply = FakeNameServer::replyFor(query.datagram, answer.size() == 1 ? answer.toInt() : 3);
            if (query.name != "b.com")
                return FakeNameServer::replyFor(query.datagram, FakeNameServer::isMadeUp(query.name) ? 3 : 0);
            if (answer == "port")
                stranger.writeDatagram(reply, query.sender, query.senderPort);
            if (answer == "none" || answer == "port")
                return std::nullopt;
            if (answer == "question")
                reply[13] = 'x';
            reply[2] = char(answer == "query" ? 0x01 : reply[2]);
            reply[1] = char(answer == "id" ? 9 : reply[1]); // past the made-up name's 4
            return answer == "short" ? reply.left(3) : reply;
        };
        QSignalSpy completed(start({"a.com", "b.com", "c.com"}, passes), &CheckRun::completed);
        m_run->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(completed.size(), 1);
        QTEST(statuses(), "statuses");
        QTEST(int(m_driver->ns.queries.size()), "queries");
        QCOMPARE(m_driver->ns.queries.at(1).datagram, DNS::BuildQuery("a.com", 1));
        QCOMPARE(m_run->repliesReceived(), answer == "3" || answer == "0" ? 3 : 2);
        QVERIFY(m_platform->messages.isEmpty());
    }

    void lateAndRepeatedReplies()
    {
        QList<FakeNameServer::Query> held;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (FakeNameServer::isMadeUp(query.name))
                return FakeNameServer::replyFor(query.datagram, 3);
            held.append(query);
            return std::nullopt;
        };
        start({"a.com"}, 1)->start();
        int tick = 0;
        // Answered twice in the drain, after the pause: counted once, kept.
        QVERIFY(m_driver->finish(m_run.get(), [&] {
            if (++tick != 8)
                return true;
            for (int i = 0; i < 2; ++i)
                m_driver->ns.sendTo(held.first(), FakeNameServer::replyFor(held.first().datagram, 3));
            return true;
        }));
        QCOMPARE(statuses(), QStringLiteral("2"));
        QCOMPARE(m_run->repliesReceived(), 1);
    }

    void onlyRefusals()
    {
        m_driver->ns.responder = [](const FakeNameServer::Query& query) {
            return std::optional<QByteArray>(FakeNameServer::replyFor(query.datagram, 5, false));
        };
        start({"a.com", "b.com"}, 2)->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QVERIFY(m_run->onlyRefusals());
        QVERIFY(CheckRun::onlyRefusalsText("ns.example").startsWith("The name server ns.example would not answer"));
    }

    void cancel()
    {
        QSignalSpy completed(start({"a.com", "b.com", "c.com"}, 2), &CheckRun::completed);
        m_run->start();
        QVERIFY(m_driver->settle(m_run.get()));
        m_run->cancel();
        for (int i = 0; i < 30; ++i)
            m_driver->ticks->fire();
        QCOMPARE(m_driver->ns.queries.size(), 1);
        QVERIFY(completed.isEmpty());
        QCOMPARE(m_driver->socket->localPort(), quint16(0));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("failingSend"); // 0: the socket reports an error of its own instead
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sent");
        const QString network = "Cannot initialize the network - \rPlease check that you are online.";
        QTest::newRow("no name server") << "" << true << -1 << network << 0;
        QTest::newRow("socket cannot bind") << "127.0.0.1" << false << -1 << network << 0;
        QTest::newRow("send fails") << "127.0.0.1" << true << 2
                                    << "Error communicating with nameserver.\rCheck your settings under options->DNS "
                                       "options"
                                    << 2;
        QTest::newRow("socket error: told, the run goes on") << "127.0.0.1" << true << 0 << "Winsock error" << 4;
    }
    void failures()
    {
        QFETCH(QString, server);
        QFETCH(bool, opens);
        QFETCH(int, failingSend);
        Utils::AppSettings.NameServer = server;
        start({"a.com", "b.com", "c.com"}, 1, true);
        m_scripted->opens = opens;
        m_scripted->failingSend = failingSend;
        QSignalSpy sendFailed(m_run.get(), &CheckRun::sendFailed);
        QSignalSpy networkFailed(m_run.get(), &CheckRun::networkFailed);
        m_run->start();
        if (failingSend == 0)
            m_scripted->raiseError();
        for (int i = 0; i < 5; ++i)
            m_tick->fire();
        QTRY_COMPARE(m_platform->messages.size(), 1);
        for (int i = 0; i < 5; ++i)
            m_tick->fire();
        QTEST(m_platform->messages.first().text, "message");
        QCOMPARE(m_platform->messages.first().icon, failingSend == 0 ? Platform::NoIcon : Platform::Critical);
        QTEST(int(m_scripted->sent.size()), "sent");
        QCOMPARE(sendFailed.size(), failingSend > 0 ? 1 : 0);
        QCOMPARE(networkFailed.size(), failingSend < 0 ? 1 : 0);
    }

    // A made-up name under every suffix vouches for its "exists" answers; one that exists makes them prove nothing.
    void canaries_data()
    {
        QTest::addColumn<QString>("server"); // how made-up names are answered
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<QString>("note");
        const QString every = "The nameserver 127.0.0.1 says that every domain exists, even made-up ones, so Orlevan "
                              "cannot tell which domains are free.\rPlease choose another nameserver under "
                              "options->DNS options";
        const QString some = "Every domain under .co.uk seems to exist, even made-up ones, so these domains could not "
                             "be checked.";
        const QStringList mixed = {"a.com", "b.com", "c.co.uk", "d.co.uk"};
        QTest::newRow("no such name") << "" << mixed << "1211"
                                      << "";
        QTest::newRow("every name exists") << "exist" << mixed << "3233" << every;
        QTest::newRow("a wildcard under one suffix") << "co.uk" << mixed << "1233" << some;
        QTest::newRow("one suffix") << "exist" << QStringList{"c.co.uk", "d.co.uk"} << "33"
                                    << some + "\rIf this happens for every top-level domain, please choose another "
                                              "nameserver under options->DNS options";
        QTest::newRow("dropped") << "drop" << mixed << "1211"
                                 << "";
        QTest::newRow("answered with another question") << "question" << mixed << "1211"
                                                        << "";
    }
    void canaries()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, names);
        m_driver->ns.freeNames = {"b.com"};
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            const bool madeUp = FakeNameServer::isMadeUp(query.name);
            QByteArray reply = FakeNameServer::replyFor(query.datagram, query.name == "b.com" ? 3 : 0);
            if (!madeUp || server == "exist" || (server == "co.uk" && query.name.endsWith(server)))
                return reply;
            if (server == "drop")
                return std::nullopt;
            reply[3] = char(0x83);
            if (server == "question")
                reply[13] = reply[13] == 'x' ? 'y' : 'x';
            return reply;
        };
        start(names, 1)->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QTEST(statuses(), "statuses");
        QTEST(CheckRun::canaryText(m_run->canaries(), "127.0.0.1"), "note");
        // The candidates go out as ever, after one made-up name a suffix.
        const int canaries = int(m_run->canaries().size());
        QCOMPARE(canaries, names.size() / 2);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(m_driver->ns.queries.at(canaries + i).datagram, DNS::BuildQuery(names.at(i), qint16(i + 1)));
    }

    void hostName()
    {
        Utils::AppSettings.NameServer = "localhost";
        const RunPlan plan = RunPlan::make({"a.com"}, false, false);
        plan.fill(CheckResults);
        CheckRun::Setup setup = plan.setup(Utils::AppSettings);
        setup.port = m_driver->ns.port();
        m_driver->ns.alsoListenOn(QHostAddress::LocalHostIPv6);
        m_run = std::make_unique<CheckRun>(CheckResults, setup);
        m_run->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(statuses(), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"

#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "dns/RunPlan.h"
#include "support/ProgramState.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/TestPlatform.h"

#include <QSignalSpy>
#include <QUdpSocket>
#include <QTemporaryDir>
#include <QTest>

// One run against a name server of its own on 127.0.0.1: what goes out, which answers are believed, how it ends.
class TestCheckRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<CheckRun> m_run;

    // complete names, one column
    CheckRun* start(const QStringList& names, int passes)
    {
        const RunPlan plan = RunPlan::make(names, false, false);
        plan.fill(CheckResults);
        CheckRun::Setup setup = plan.setup(Utils::AppSettings);
        setup.passes = passes;
        m_run = m_driver->makeRun(CheckResults, setup);
        m_run->start();
        return m_run.get();
    }
    QString statuses() const
    {
        QString out;
        for (int r = 1; r <= CheckResults.rowCount(); ++r)
            out += QString::number(CheckResults(1, r).status);
        return out;
    }

    ScriptedTransport* m_scripted = nullptr;
    ManualTickSource* m_tick = nullptr;
    void startScripted(const QStringList& names)
    {
        const RunPlan plan = RunPlan::make(names, false, false);
        plan.fill(CheckResults);
        auto transport = std::make_unique<ScriptedTransport>();
        auto ticks = std::make_unique<ManualTickSource>();
        m_scripted = transport.get();
        m_tick = ticks.get();
        m_run = std::make_unique<CheckRun>(CheckResults, plan.setup(Utils::AppSettings), std::move(ticks),
                                           std::move(transport));
    }

private Q_SLOTS:
    void init()
    {
        resetProgramState(m_dir.path());
        m_platform = std::make_unique<TestPlatform>();
        m_driver = std::make_unique<RunDriver>();
    }
    void cleanup()
    {
        m_run.reset();
        m_driver.reset();
        m_platform.reset();
    }

    void answers_data()
    {
        QTest::addColumn<int>("rcode");
        QTest::addColumn<int>("passes");
        QTest::addColumn<QString>("statuses"); // of a.com b.com c.com; the server answers b.com with rcode
        QTest::addColumn<int>("queries");
        QTest::newRow("name error") << 3 << 2 << "121" << 3;
        QTest::newRow("success") << 0 << 1 << "111" << 3;
        QTest::newRow("no reply: asked in every pass") << -1 << 3 << "131" << 5;
        QTest::newRow("refused: asked again") << 5 << 2 << "131" << 4;
        QTest::newRow("server failure: asked again") << 2 << 1 << "131" << 3;
        QTest::newRow("format error") << 1 << 1 << "131" << 3;
        QTest::newRow("not implemented") << 4 << 1 << "131" << 3;
    }
    void answers()
    {
        QFETCH(int, rcode);
        QFETCH(int, passes);
        m_driver->ns.responder = [rcode](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (query.name != "b.com")
                return FakeNameServer::replyFor(query.datagram, 0);
            if (rcode < 0)
                return std::nullopt;
            return FakeNameServer::replyFor(query.datagram, quint8(rcode));
        };
        QSignalSpy completed(start({"a.com", "b.com", "c.com"}, passes), &CheckRun::completed);
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(completed.size(), 1);
        QTEST(statuses(), "statuses");
        QTEST(int(m_driver->ns.queries.size()), "queries");
        QCOMPARE(m_driver->ns.queries.first().datagram, DNS::BuildQuery("a.com", 1));
        QCOMPARE(m_run->repliesReceived(), rcode == 3 || rcode == 0 ? 3 : 2);
        QVERIFY(m_platform->messages.isEmpty());
    }

    // Only the server asked, from the port asked, answering the question asked, is believed.
    void strays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("other port") << "port";
        QTest::newRow("other question") << "question";
        QTest::newRow("not a response") << "query";
        QTest::newRow("unknown identifier") << "id";
        QTest::newRow("too short") << "short";
    }
    void strays()
    {
        QFETCH(QString, kind);
        QUdpSocket stranger;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            QByteArray reply = FakeNameServer::replyFor(query.datagram, 3);
            if (kind == "port")
                stranger.writeDatagram(reply, query.sender, query.senderPort);
            if (kind == "port" || query.name == "b.com")
                return kind == "port" ? std::nullopt : std::optional<QByteArray>(reply);
            if (kind == "question")
                reply.replace("a", "b");
            if (kind == "query")
                reply[2] = char(0x01);
            if (kind == "id")
                reply[1] = char(3);
            if (kind == "short")
                reply.truncate(3);
            return reply;
        };
        start({"a.com", "b.com"}, 1);
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(statuses(), kind == "port" ? QStringLiteral("33") : QStringLiteral("32"));
    }

    void lateAndRepeatedReplies()
    {
        QList<FakeNameServer::Query> held;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            held.append(query);
            return std::nullopt;
        };
        start({"a.com"}, 1);
        int tick = 0;
        // Answered twice in the drain, after the pause: counted once, kept.
        QVERIFY(m_driver->finish(m_run.get(), [&] {
            if (++tick == 8) {
                m_driver->ns.sendTo(held.first(), FakeNameServer::replyFor(held.first().datagram, 3));
                m_driver->ns.sendTo(held.first(), FakeNameServer::replyFor(held.first().datagram, 3));
                return QTest::qWaitFor([&] { return m_run->repliesReceived() == 1; }, 5000);
            }
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
        start({"a.com", "b.com"}, 2);
        QVERIFY(m_driver->finish(m_run.get()));
        QVERIFY(m_run->onlyRefusals());
        QCOMPARE(statuses(), QStringLiteral("33"));
        QVERIFY(CheckRun::onlyRefusalsText("ns.example").startsWith("The name server ns.example would not answer"));
    }

    void cancel()
    {
        QSignalSpy completed(start({"a.com", "b.com", "c.com"}, 2), &CheckRun::completed);
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
        QTest::addColumn<int>("failingSend");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sent");
        const QString network = "Cannot initialize the network - \rPlease check that you are online.";
        QTest::newRow("no name server") << "" << true << -1 << network << 0;
        QTest::newRow("socket cannot bind") << "127.0.0.1" << false << -1 << network << 0;
        QTest::newRow("send fails") << "127.0.0.1" << true << 2
                                    << "Error communicating with nameserver.\rCheck your settings under options->DNS "
                                       "options"
                                    << 2;
    }
    void failures()
    {
        QFETCH(QString, server);
        QFETCH(bool, opens);
        QFETCH(int, failingSend);
        Utils::AppSettings.NameServer = server;
        startScripted({"a.com", "b.com", "c.com"});
        m_scripted->opens = opens;
        m_scripted->failingSend = failingSend;
        QSignalSpy sendFailed(m_run.get(), &CheckRun::sendFailed);
        QSignalSpy networkFailed(m_run.get(), &CheckRun::networkFailed);
        m_run->start();
        for (int i = 0; i < 5; ++i)
            m_tick->fire();
        QTRY_COMPARE(m_platform->messages.size(), 1);
        QTEST(m_platform->messages.first().text, "message");
        QCOMPARE(m_platform->messages.first().icon, Platform::Critical);
        QTEST(int(m_scripted->sent.size()), "sent");
        QCOMPARE(sendFailed.size(), failingSend > 0 ? 1 : 0);
        QCOMPARE(networkFailed.size(), failingSend > 0 ? 0 : 1);
    }

    // A socket error of its own is told, and the run goes on.
    void socketError()
    {
        Utils::AppSettings.NameServer = "127.0.0.1";
        startScripted({"a.com", "b.com"});
        m_run->start();
        m_scripted->raiseError();
        QTRY_COMPARE(m_platform->texts(), QStringList{"Winsock error"});
        m_tick->fire();
        QCOMPARE(m_scripted->sent.size(), 2);
    }

    void hostName()
    {
        Utils::AppSettings.NameServer = "localhost";
        const RunPlan plan = RunPlan::make({"a.com"}, false, false);
        plan.fill(CheckResults);
        CheckRun::Setup setup = plan.setup(Utils::AppSettings);
        setup.port = m_driver->ns.port();
        m_run = std::make_unique<CheckRun>(CheckResults, setup);
        if (!m_driver->ns.alsoListenOn(QHostAddress::LocalHostIPv6))
            qInfo("no IPv6 loopback here");
        m_run->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(statuses(), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"

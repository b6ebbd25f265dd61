#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "check/RunPlan.h"
#include "support/RunDriver.h"
#include "support/Suite.h"

// One run against a name server of its own on 127.0.0.1: what goes out, which answers are believed, how it ends.
class TestCheckRun : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<CheckRun> m_run;

    // Complete names, one column.
    CheckRun* start(const QStringList& names, int passes)
    {
        const RunPlan plan = RunPlan::make(names, false, false);
        plan.fill(CheckResults);
        CheckRun::Setup setup = plan.setup(Utils::AppSettings);
        setup.passes = passes;
        m_run = std::make_unique<CheckRun>(CheckResults, setup);
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
            if (answer == "3") // twice: counted once
                m_driver->ns.sendTo(query, reply);
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

    // A made-up name under every suffix vouches for its "exists" answers; one that exists makes them prove nothing.
    // What the user is told of the name server afterwards.
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
        const auto row = [](const char* name, const char* server, const QStringList& names, const char* statuses,
                            const QString& note) {
            QTest::newRow(name) << server << names << statuses << note;
        };
        row("no such name", "", mixed, "1211", "");
        row("every name exists", "exist", mixed, "3233", every);
        row("a wildcard under one suffix", "co.uk", mixed, "1233", some);
        row("one suffix", "exist", {"c.co.uk", "d.co.uk"}, "33",
            some + "\rIf this happens for every top-level domain, please choose another nameserver under options->DNS "
                   "options");
        row("dropped", "drop", mixed, "1211", "");
        row("answered with another question", "question", mixed, "1211", "");
        row("nothing but refusals", "refuse", mixed, "3333",
            "The name server 127.0.0.1 would not answer any of the questions.\rNone of the domains could be checked. "
            "You can choose another name server under Options, DNS Settings.");
    }
    void canaries()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, names);
        m_driver->ns.freeNames = {"b.com"};
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (server == "refuse")
                return FakeNameServer::replyFor(query.datagram, 5, false);
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
        QTEST(m_run->notes("127.0.0.1").join('|'), "note");
        QCOMPARE(m_run->canaries().size(), names.size() / 2); // one a suffix
    }

    // The program asks a root server by its name unless told otherwise.
    void hostName()
    {
        Utils::AppSettings.NameServer = "localhost";
        m_driver->ns.alsoListenOn(QHostAddress::LocalHostIPv6);
        start({"a.com"}, 1)->start();
        QVERIFY(m_driver->finish(m_run.get()));
        QCOMPARE(statuses(), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"

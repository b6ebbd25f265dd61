#include "check/Check.h"
#include "core/Environment.h"
#include "dns/DNS.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/Suite.h"

// A whole Check of complete names against a name server of its own on 127.0.0.1, with hand-stepped ticks: what
// goes out, which answers are believed, what the user is told, how it ends.
class TestCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<Check> m_check;
    QString m_server = "127.0.0.1";

    // Complete names, one column.
    Check* start(const QStringList& names, int passes)
    {
        Candidates::Result list;
        list.verdict = Candidates::Verdict::Accepted;
        list.names = list.typed = names;
        list.bareNames = false;
        m_check = std::make_unique<Check>(list, Check::Settings{m_server, 5, passes, false, false, {}});
        return m_check.get();
    }
    QString statuses() const
    {
        static const char* words[] = {"pending", "taken", "free", "not checked"};
        QStringList out;
        for (int r = 1; r <= m_check->CheckResults().rowCount(); ++r)
            out += words[m_check->CheckResults()(1, r).status];
        return out.join(", ");
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
        m_check.reset();
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
        const QString unanswered = "taken, not checked, taken";
        QTest::newRow("name error") << "3" << 2 << "taken, free, taken" << 4;
        QTest::newRow("success") << "0" << 1 << "taken, taken, taken" << 4;
        QTest::newRow("one reply twice, another lost") << "dup" << 1 << "taken, free, not checked" << 4;
        QTest::newRow("no reply: asked in every pass") << "none" << 3 << unanswered << 6;
        QTest::newRow("refused: asked again") << "5" << 2 << unanswered << 5;
        QTest::newRow("server failure") << "2" << 1 << unanswered << 4;
        QTest::newRow("from another port") << "port" << 1 << unanswered << 4;
        QTest::newRow("another question") << "question" << 1 << unanswered << 4;
        QTest::newRow("not a response") << "query" << 1 << unanswered << 4;
        QTest::newRow("identifier of no candidate") << "id" << 1 << unanswered << 4;
        QTest::newRow("three bytes") << "short" << 1 << unanswered << 4;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(int, passes);
        QUdpSocket stranger;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            QByteArray reply = FakeNameServer::replyFor(query.datagram, answer.size() == 1 ? answer.toInt() : 3);
            if (answer == "dup" && query.name == "c.com")
                return std::nullopt;
            if (query.name != "b.com")
                return FakeNameServer::replyFor(query.datagram, FakeNameServer::isMadeUp(query.name) ? 3 : 0);
            if (answer == "3" || answer == "dup") // twice: counted once
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
        QSignalSpy finished(start({"a.com", "b.com", "c.com"}, passes), &Check::finished);
        QCOMPARE(m_check->runProgress().checked, 0);
        QSignalSpy changed(m_check.get(), &Check::cellChanged);
        m_check->start();
        QVERIFY(m_driver->finish(m_check->run()));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(m_check->phase(), RunPhase::Done);
        QTEST(statuses(), "statuses");
        QTEST(int(m_driver->ns.queries.size()), "queries");
        QCOMPARE(m_driver->ns.queries.at(1).datagram, DNS::BuildQuery("a.com", 1));
        const int replies = answer == "3" || answer == "0" ? 3 : 2;
        QCOMPARE(m_check->repliesReceived(), replies);
        QCOMPARE(changed.size(), replies); // a duplicate is no news
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
        const QString some = "Every domain under %1 seems to exist, even made-up ones, so these domains could not be "
                             "checked.";
        const QString hint = "\rIf this happens for every top-level domain, please choose another nameserver under "
                             "options->DNS options";
        const QString silent = "Every domain under %1 could not be checked: %2 got no answer.\rWithout that answer, "
                               "\"exists\" proves nothing there. You can check them again, or choose another "
                               "nameserver under options->DNS options";
        const QStringList mixed = {"a.com", "b.com", "c.co.uk", "d.net"};
        const auto row = [](const char* name, const char* server, const QStringList& names, const char* statuses,
                            const QString& note) {
            QTest::newRow(name) << server << names << statuses << note;
        };
        const char* trusted = "taken, free, taken, taken";
        const char* unchecked = "not checked, free, not checked, not checked";
        row("no such name", "", mixed, trusted, "");
        row("lost once, answered in the next pass", "late", mixed, trusted, "");
        row("every name exists", "exist", mixed, unchecked, every);
        row("a wildcard under one suffix", "co.uk", mixed, "taken, free, not checked, taken", some.arg(".co.uk"));
        row("two suffixes, both lie", "exist", {"c.co.uk", "d.net"}, "not checked, not checked",
            some.arg(".co.uk .net") + hint);
        row("one lies, the others are silent", "com", mixed, unchecked,
            some.arg(".com") + '|' + silent.arg(".co.uk .net", "the made-up names under them"));
        row("dropped", "drop", {"a.com", "b.com"}, "not checked, free", silent.arg(".com", "a made-up name under it"));
        row("answered with another question", "question", {"a.com"}, "not checked",
            silent.arg(".com", "a made-up name under it"));
        row("a server that never answers", "silent", {"a.com"}, "not checked",
            "The nameserver 127.0.0.1 did not answer.\rCheck your settings under options->DNS options");
        row("nothing but refusals", "refuse", mixed, "not checked, not checked, not checked, not checked",
            "The name server 127.0.0.1 would not answer any of the questions.\rNone of the domains could be checked. "
            "You can choose another name server under Options, DNS Settings.");
    }
    void canaries()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, names);
        QSet<QString> asked;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (server == "refuse" || server == "silent")
                return server == "silent" ? std::nullopt
                                          : std::optional(FakeNameServer::replyFor(query.datagram, 5, false));
            const bool madeUp = FakeNameServer::isMadeUp(query.name);
            QByteArray reply = FakeNameServer::replyFor(query.datagram, query.name == "b.com" ? 3 : 0);
            if (!madeUp || server == "exist" || query.name.endsWith("." + server))
                return reply;
            if (server == "drop" || server == "com" || (server == "late" && !asked.contains(query.name)))
                return asked.insert(query.name), std::nullopt;
            reply[3] = char(0x83);
            if (server == "question")
                reply[13] = reply[13] == 'x' ? 'y' : 'x';
            return reply;
        };
        QSignalSpy notes(start(names, 2), &Check::note);
        m_check->start();
        QVERIFY(m_driver->finish(m_check->run()));
        QTEST(statuses(), "statuses");
        QStringList said;
        for (const QList<QVariant>& note : notes)
            said.append(note.value(0).toString());
        QTEST(said.join('|'), "note");
    }

    // The program asks a root server by its name unless told otherwise.
    void hostName()
    {
        m_server = "localhost";
        m_driver->ns.alsoListenOn(QHostAddress::LocalHostIPv6);
        start({"a.com"}, 1)->start();
        QVERIFY(m_driver->finish(m_check->run()));
        QCOMPARE(statuses(), QStringLiteral("taken"));
    }

    // What goes wrong is reported with its text; whether the Check goes on depends on what went wrong.
    void failures_data()
    {
        QTest::addColumn<QString>("socket"); // how the run's socket misbehaves
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sent"); // in six ticks
        QTest::addColumn<int>("phase");
        const QString network = "Cannot initialize the network - \rPlease check that you are online.";
        const auto row = [](const char* name, const char* socket, Check::Failure failure, const QString& text, int sent,
                            RunPhase phase) {
            QTest::newRow(name) << socket << int(failure) << text << sent << int(phase);
        };
        row("no such name server", "no server", Check::Failure::Network, network, 0, RunPhase::NetworkFailed);
        row("socket cannot bind", "no bind", Check::Failure::Network, network, 0, RunPhase::NetworkFailed);
        row("second send fails: the Check stops", "send 2", Check::Failure::Send,
            "Error communicating with nameserver.\rCheck your settings under options->DNS options", 2, RunPhase::Idle);
        row("socket error: the Check goes on", "error", Check::Failure::Socket, "Winsock error", 3, RunPhase::Checking);
        row("too many candidates: nothing goes out", "too many", Check::Failure::Refused,
            "Sorry, you have too many combinations of domains.\rThe maximum number allowed is 2047 and you have 2048",
            0, RunPhase::Idle);
    }
    void failures()
    {
        QFETCH(QString, socket);
        QFETCH(int, sent);
        m_server = socket == "no server" ? "" : "127.0.0.1";
        QPointer<ScriptedTransport> transport;
        Environment::current().transport = [&] {
            auto made = std::make_unique<ScriptedTransport>();
            made->opens = socket != "no bind";
            made->failingSend = socket == "send 2" ? 2 : -1;
            transport = made.get();
            return made;
        };
        start(socket == "too many" ? QString(" x.com").repeated(2048).split(' ', Qt::SkipEmptyParts)
                                   : QStringList{"a.com", "b.com"},
              1);
        QSignalSpy failed(m_check.get(), &Check::failed);
        m_check->start();
        if (socket == "error")
            transport->raiseError();
        for (int i = 0; i < 6 && m_driver->ticks; ++i)
            m_driver->ticks->fire();
        QTRY_COMPARE(failed.size(), 1);
        QTEST(int(failed.value(0).value(0).value<Check::Failure>()), "failure");
        QTEST(failed.value(0).value(1).toString(), "text");
        QTEST(int(m_check->phase()), "phase");
        QCOMPARE(transport ? int(transport->sent.size()) : 0, sent);
        QVERIFY(m_platform->messages.isEmpty()); // the core shows nothing
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"

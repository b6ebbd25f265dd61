#include "check/Check.h"
#include "check/ResultsLayout.h"
#include "check/ResultsText.h"
#include "check/WhoisConfirmation.h"
#include "core/Utils.h"
#include "dns/DNS.h"
#include "support/FakeServer.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/Suite.h"
#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

#include <QElapsedTimer>

// A whole Check of complete names against a name server of its own on 127.0.0.1, with hand-stepped ticks: what
// goes out, which answers are believed, what the user is told, how it ends. Then what the results window says and
// how it sizes itself, and the confirmation of free cells, without a window.
class TestCheck : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<RunDriver> m_driver;
    std::unique_ptr<Check> m_check;
    QString m_server = "127.0.0.1";

    // Complete names, one column, asked at the driver's name server.
    static Check::Inputs completeNames(const QStringList& names)
    {
        Check::Inputs inputs;
        inputs.names = inputs.typed = names;
        inputs.bareNames = false;
        return inputs;
    }
    Check* start(const QStringList& names, int passes, Check::Io io = {})
    {
        Check::Inputs inputs = completeNames(names);
        inputs.nameServer = m_server;
        inputs.port = m_driver->ns.port();
        inputs.delayMs = 5;
        inputs.passes = passes;
        if (!io.dns.ticks)
            io.dns = m_driver->io();
        m_check = std::make_unique<Check>(inputs, io);
        return m_check.get();
    }
    QString statuses() const
    {
        static const char* words[] = {"pending", "taken", "free", "not checked"};
        QStringList out;
        for (int r = 1; r <= m_check->CheckResults().rowCount(); ++r) {
            const QString why = ResultsText::reasonText(m_check->CheckResults()(1, r));
            out += words[m_check->CheckResults()(1, r).status] + (why.isEmpty() ? "" : " (" + why + ')');
        }
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

    // The server answers a.com, c.com and com itself "exists", the made-up name under com "no such name", b.com as
    // the row says. Only the server asked, from the port asked, answering the question asked, is believed.
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("passes");
        QTest::addColumn<QString>("statuses");
        QTest::addColumn<int>("queries");
        const QString unanswered = "taken, not checked (no answer), taken";
        QTest::newRow("name error") << "3" << 2 << "taken, free, taken" << 5;
        QTest::newRow("success") << "0" << 1 << "taken, taken, taken" << 5;
        QTest::newRow("one reply twice, another lost") << "dup" << 1 << "taken, free, not checked (no answer)" << 5;
        QTest::newRow("no reply: asked in every pass") << "none" << 3 << unanswered << 7;
        QTest::newRow("refused: asked again")
            << "5" << 2 << "taken, not checked (the name server answered REFUSED), taken" << 6;
        QTest::newRow("server failure") << "2" << 1 << "taken, not checked (the name server answered SERVFAIL), taken"
                                        << 5;
        QTest::newRow("from another port") << "port" << 1 << unanswered << 5;
        QTest::newRow("from the server's port at another address") << "address" << 1 << unanswered << 5;
        QTest::newRow("another question") << "question" << 1 << unanswered << 5;
        QTest::newRow("not a response") << "query" << 1 << unanswered << 5;
        QTest::newRow("identifier of no candidate") << "id" << 1 << unanswered << 5;
        QTest::newRow("three bytes") << "short" << 1 << unanswered << 5;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(int, passes);
        QUdpSocket stranger;
        stranger.bind(QHostAddress(answer == "address" ? "127.0.0.2" : "127.0.0.1"),
                      answer == "address" ? m_driver->ns.port() : 0);
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            QByteArray reply = FakeNameServer::replyFor(query.datagram, answer.size() == 1 ? answer.toInt() : 3);
            if (answer == "dup" && query.name == "c.com")
                return std::nullopt;
            if (query.name != "b.com")
                return FakeNameServer::replyFor(query.datagram, FakeNameServer::isMadeUp(query.name) ? 3 : 0);
            if (answer == "3" || answer == "dup") // twice: counted once
                m_driver->ns.sendTo(query, reply);
            if (answer == "port" || answer == "address")
                stranger.writeDatagram(reply, query.sender, query.senderPort);
            if (answer == "none" || answer == "port" || answer == "address")
                return std::nullopt;
            if (answer == "question")
                reply[13] = 'x';
            reply[2] = char(answer == "query" ? 0x01 : reply[2]);
            reply[1] = char(answer == "id" ? 9 : reply[1]); // past the made-up name's 4
            return answer == "short" ? reply.left(3) : reply;
        };
        QSignalSpy finished(start({"a.com", "b.com", "c.com"}, passes), &Check::finished);
        QSignalSpy changed(m_check.get(), &Check::cellChanged);
        m_check->start();
        QVERIFY(m_driver->finish(m_check->run()));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(m_check->phase(), RunPhase::Done);
        QTEST(statuses(), "statuses");
        QTEST(int(m_driver->ns.queries.size()), "queries");
        QCOMPARE(m_driver->ns.queries.at(2).datagram, DNS::BuildQuery("a.com", 1)); // after the made-up name, com
        const int replies = answer == "3" || answer == "0" ? 3 : 2;
        QCOMPARE(m_check->repliesReceived(), replies);
        QCOMPARE(changed.size(), replies); // a duplicate is no news
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
        const auto row = [](const char* name, const char* server, const QStringList& names, const QString& statuses,
                            const QString& note) {
            QTest::newRow(name) << server << names << statuses << note;
        };
        const QString exists = "not checked (a made-up name under .%1 exists too)";
        const QString quiet = "not checked (a made-up name under .%1 got no answer)";
        const QString trusted = "taken, free, taken, taken";
        row("no such name", "", mixed, trusted, "");
        row("lost once, answered in the next pass", "late", mixed, trusted, "");
        row("every name exists", "exist", mixed,
            exists.arg("com") + ", free, " + exists.arg("co.uk") + ", " + exists.arg("net"), every);
        row("a wildcard under one suffix", "co.uk", mixed, "taken, free, " + exists.arg("co.uk") + ", taken",
            some.arg(".co.uk"));
        row("two suffixes, both lie", "exist", {"c.co.uk", "d.net"}, exists.arg("co.uk") + ", " + exists.arg("net"),
            some.arg(".co.uk .net") + hint);
        row("one lies, the others are silent", "com", mixed,
            exists.arg("com") + ", free, " + quiet.arg("co.uk") + ", " + quiet.arg("net"),
            some.arg(".com") + '|' + silent.arg(".co.uk .net", "the made-up names under them"));
        row("dropped", "drop", {"a.com", "b.com"}, quiet.arg("com") + ", free",
            silent.arg(".com", "a made-up name under it"));
        row("answered with another question", "question", {"a.com"}, quiet.arg("com"),
            silent.arg(".com", "a made-up name under it"));
        row("a server that never answers", "silent", {"a.com"}, "not checked (no answer)",
            "The nameserver 127.0.0.1 did not answer.\rCheck your settings under options->DNS options");
        row("nothing but refusals", "refuse", mixed,
            QStringList(4, "not checked (the name server answered REFUSED)").join(", "),
            "The name server 127.0.0.1 would not answer any of the questions.\rNone of the domains could be checked. "
            "You can choose another name server under Options, DNS Settings.");
        row("refusals under one suffix", "net", mixed,
            "taken, free, taken, not checked (the name server answered "
            "REFUSED)",
            "The nameserver 127.0.0.1 would not answer for some domains under .net (REFUSED), so they could not be "
            "checked.\rYou can check them again, or choose another nameserver under options->DNS options");
        row("no such name, even for the suffixes", "nothing", mixed,
            "not checked (the name server says .com does not exist), not checked (the name server says .com does not "
            "exist), not checked (the name server says .co.uk does not exist), not checked (the name server says "
            ".net does not exist)",
            "The nameserver 127.0.0.1 says that even .com .co.uk .net itself does not exist, so its \"no such name\" "
            "proves nothing there: the domains under .com .co.uk .net that seemed free could not be "
            "checked.\rPlease choose another nameserver under options->DNS options");
    }
    void canaries()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, names);
        QSet<QString> asked;
        m_driver->ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (server == "refuse" || server == "silent" || (server == "net" && query.name.endsWith("net")))
                return server == "silent" ? std::nullopt
                                          : std::optional(FakeNameServer::replyFor(query.datagram, 5, false));
            if (server == "nothing")
                return FakeNameServer::replyFor(query.datagram, 3);
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
        // The time left counts the made-up names and controls that go out before the candidates.
        QCOMPARE(m_check->progress().msLeft,
                 qint64(5 * (m_check->plan().candidateTotal() + m_check->plan().canaries.size() +
                             2 * RunSchedule::PauseTicks + RunSchedule::DrainTicks)));
        QVERIFY(m_driver->finish(m_check->run()));
        QTEST(statuses(), "statuses");
        QStringList said;
        for (const QList<QVariant>& note : notes)
            said.append(note.value(0).toString());
        QTEST(said.join('|'), "note");
    }

    // A name server given by its host name is looked up, later, and asked at its address.
    void hostName()
    {
        m_server = "ns.test";
        Check::Io io;
        io.dns = m_driver->io();
        QStringList looked;
        io.dns.lookupHost = [&](const QString& host, QObject* context, std::function<void(const QHostInfo&)> done) {
            looked.append(host);
            QHostInfo info;
            info.setAddresses({QHostAddress(QHostAddress::LocalHost)});
            QTimer::singleShot(0, context, [done, info] { done(info); });
        };
        start({"a.com"}, 1, io)->start();
        QCOMPARE(m_check->run()->state(), CheckRun::State::Resolving);
        QVERIFY(m_driver->finish(m_check->run()));
        QCOMPARE(looked, QStringList{"ns.test"});
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
        row("a name server nobody knows", "unknown", Check::Failure::Network,
            "The nameserver ns.unknown.test could not be found.\rCheck your settings under options->DNS options", 0,
            RunPhase::NetworkFailed);
        row("second send fails: the Check stops", "send 2", Check::Failure::Send,
            "Error communicating with nameserver.\rCheck your settings under options->DNS options", 2, RunPhase::Idle);
        row("socket error: the Check goes on", "error", Check::Failure::Socket, "Winsock error", 4, RunPhase::Checking);
        row("too many candidates: nothing goes out", "too many", Check::Failure::Refused,
            "Sorry, you have too many combinations of domains.\rThe maximum number allowed is 2047 and you have 2048",
            0, RunPhase::Idle);
    }
    void failures()
    {
        QFETCH(QString, socket);
        QFETCH(int, sent);
        m_server = socket == "no server" ? "" : socket == "unknown" ? "ns.unknown.test" : "127.0.0.1";
        QPointer<ScriptedTransport> transport;
        Check::Io io;
        io.dns = m_driver->io();
        io.dns.transport = [&] {
            auto made = std::make_unique<ScriptedTransport>();
            made->opens = socket != "no bind";
            made->failingSend = socket == "send 2" ? 2 : -1;
            transport = made.get();
            return made;
        };
        io.dns.lookupHost = [](const QString&, QObject* context, std::function<void(const QHostInfo&)> done) {
            QHostInfo info;
            info.setError(QHostInfo::HostNotFound);
            QTimer::singleShot(0, context, [done, info] { done(info); });
        };
        start(socket == "too many" ? QString(" x.com").repeated(2048).split(' ', Qt::SkipEmptyParts)
                                   : QStringList{"a.com", "b.com"},
              1, io);
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

    void popup_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("texts"); // title | goto (+ when enabled) | www ("" hidden) | whois | details
        QTest::newRow("taken") << int(Taken) << "http://reg"
                               << "ab.co.uk is unavailable.|+Goto .co.uk registration website.|Goto www.ab.co.uk|"
                                  "Lookup ab.co.uk with WHOIS|details";
        QTest::newRow("taken, typed in its own script")
            << int(Taken) << "http://reg"
            << QString::fromUtf8("äb.co.uk (xn--b-uia.co.uk) is unavailable.|+Goto .co.uk registration website.|Goto "
                                 "www.äb.co.uk|Lookup xn--b-uia.co.uk with WHOIS|details");
        QTest::newRow("not checked, no site") << int(NotChecked) << "ab"
                                              << "ab.co.uk could not be checked.|No registration site known for  "
                                                 ".co.uk||Lookup ab.co.uk with WHOIS|Why: no answer";
    }
    void popup()
    {
        QFETCH(int, status);
        QFETCH(QString, site);
        const bool ownScript = QByteArray(QTest::currentDataTag()).contains("own script");
        CheckResult result{"ab.co.uk", "uk", quint8(status), {}, CheckResult::Dns, CheckResult::NoAnswer};
        if (ownScript)
            result.domain = "xn--b-uia.co.uk", result.typed = QString::fromUtf8("äb.co.uk");
        Utils::Registry registry;
        registry.registrationSite = site;
        const ResultsText::Popup p = ResultsText::popup(result, registry, "co.uk");
        QTEST(QStringList(
                  {p.title, (p.gotoEnabled ? "+" : "") + p.gotoCaption, p.wwwVisible ? p.wwwCaption : "",
                   p.whoisCaption + (p.detailsVisible ? "|details" : "") + (p.reason.isEmpty() ? "" : '|' + p.reason)})
                  .join('|'),
              "texts");
        RunPlan plan;
        plan.columnLabels = {"com", "co.uk"};
        QCOMPARE(ResultsText::columnLabel(plan, 2, result), QStringLiteral("co.uk"));
        QCOMPARE(ResultsText::progressText(120, 960, 39001), "120 of 960 checked, 40 s left");
        plan.bareNames = false;
        QCOMPARE(ResultsText::columnLabel(plan, 1, result), QStringLiteral("uk"));
    }

    // The clipboard's words, and the file a spreadsheet program reads.
    void copyAndCsv()
    {
        RunPlan plan;
        plan.columnLabels = {"com", "de"};
        plan.names = {"xn--mnchen-3ya", "n2", "n3"};
        plan.typed = {QString::fromUtf8("münchen"), "n2", "n3"};
        plan.registries = {{"com", "com", "http://com.reg", {}, {}}, {"de", "de", "https://r/\"a,b\"\nc", {}, {}}};
        CheckResultTable CheckResults;
        CheckResults.reset(2, 3);
        const quint8 statuses[] = {Free, Taken, NotChecked, Free, Pending, Taken};
        for (int i = 0; i < 6; ++i) {
            const QString tld = i < 3 ? "com" : "de";
            CheckResult& cell = CheckResults(i / 3 + 1, i % 3 + 1);
            cell = {"n" + QString::number(i % 3 + 1) + '.' + tld, tld, statuses[i], {}, CheckResult::By(i % 3)};
        }
        CheckResults(2, 1) = {"xn--mnchen-3ya.de", "de", Free, QString::fromUtf8("münchen.de"), CheckResult::Rdap};
        CheckResults(1, 3).why = CheckResult::NoAnswer;
        QCOMPARE(ResultsText::copyText(CheckResults, plan),
                 QString::fromUtf8("n1.com is available (check http://com.reg)\r\nn2.com is unavailable.\r\n"
                                   "n3.com was not checked.\r\nmünchen.de (xn--mnchen-3ya.de) is available (check "
                                   "https://r/\"a,b\"\nc)\r\nn2.de\r\nn3.de is unavailable.\r\n"));
        QCOMPARE(ResultsText::summaryOf("1", "2", "3"), QString::fromUtf8("1 free · 2 taken · 3 not checked"));
        QCOMPARE(ResultsText::csv(ResultsText::rows(CheckResults, plan)),
                 "\xEF\xBB\xBF" +
                     QString::fromUtf8("name,domain,status,confirmed by,registration site,reason\r\n"
                                       "münchen,n1.com,free,DNS,http://com.reg,\r\n"
                                       "n2,n2.com,taken,WHOIS,http://com.reg,\r\n"
                                       "n3,n3.com,not checked,,http://com.reg,no answer\r\n"
                                       "münchen,xn--mnchen-3ya.de,free,RDAP,\"https://r/\"\"a,b\"\"\nc\",\r\n"
                                       "n2,n2.de,not checked,,\"https://r/\"\"a,b\"\"\nc\",not asked\r\n"
                                       "n3,n3.de,taken,RDAP,\"https://r/\"\"a,b\"\"\nc\",\r\n")
                         .toUtf8());
    }

    void formSize_data()
    {
        QTest::addColumn<double>("content");
        QTest::addColumn<double>("rows");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        // screen 20000 x 10000 twips
        QTest::newRow("at least 2500 wide") << 100.0 << 1.0 << 2500.0 << 602.0 + 1400;
        QTest::newRow("at most 90 % of the screen") << 30000.0 << 100.0 << 18000.0 << 9000.0;
        QTest::newRow("just over 90 %") << 17600.0 << 30.0 << 18000.0 << 9000.0;
    }
    void formSize()
    {
        QFETCH(double, content);
        QFETCH(double, rows);
        const ResultsLayout::Size size =
            ResultsLayout::calcFormSize(content, (rows + 1) * ResultsLayout::RowPitch, {20000, 10000});
        QTEST(size.width, "width");
        QTEST(size.height, "height");
    }

    void resizeRule_data()
    {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<QString>("expected"); // window size, then progress top/width, button top/left, grid h/w
        QTest::newRow("smaller stays") << 4000.0 << 3000.0 << "4000x3000 1900/2520 1900/2635 1830/3850";
        QTest::newRow("larger snaps back") << 9000.0 << 9000.0 << "6000x5000 3900/4520 3900/4635 3830/5850";
        QTest::newRow("1300 high: controls stay") << 4000.0 << 1300.0 << "4000x1300 -";
        QTest::newRow("1301 high") << 4000.0 << 1301.0 << "4000x1301 201/2520 201/2635 131/3850";
        QTest::newRow("1700 wide: controls stay") << 1700.0 << 3000.0 << "1700x3000 -";
    }
    void resizeRule()
    {
        QFETCH(double, w);
        QFETCH(double, h);
        const ResultsLayout::Resize r = ResultsLayout::resizeRule({w, h}, {6000, 5000}, 5500);
        const auto& p = r.placement;
        QTEST(QString::asprintf("%gx%g ", r.window.width, r.window.height) +
                  (p ? QString::asprintf("%g/%g %g/%g %g/%g", p->progressTop, p->progressWidth, p->buttonTop,
                                         p->buttonLeft, p->gridHeight, p->gridWidth)
                     : "-"),
              "expected");
        QCOMPARE(ResultsLayout::resizeRule({9000, 9000}, {6000, 5000}, 0).snapped, false);
    }

    // Free cells are asked one after the other, at the registry's RDAP service where it has one, else at the
    // WHOIS server; every cell counts as a step.
    void confirmation_data()
    {
        QTest::addColumn<QByteArray>("whoisReply"); // "-": nobody listens
        QTest::addColumn<int>("rdapStatus");
        // What becomes of a.com and d.rdaptest, both free by DNS; b.com (taken) and c.com (not checked) stay.
        QTest::addColumn<QString>("statuses");
        QTest::newRow("both say free") << QByteArray("No match for A.COM\r\n") << 404 << "free by WHOIS, free by RDAP";
        QTest::newRow("registered") << QByteArray("Domain Name: A.COM\r\n") << 200 << "taken by WHOIS, taken by RDAP";
        QTest::newRow("other case") << QByteArray("no entries found\r\n") << 500
                                    << "taken by WHOIS, not checked by RDAP: no usable answer from RDAP";
        QTest::newRow("too many requests") << QByteArray("No match for A.COM\r\n") << 429
                                           << "free by WHOIS, not checked by RDAP: RDAP refused to answer";
        QTest::newRow("empty reply") << QByteArray("") << 404 << "taken by WHOIS, free by RDAP";
        QTest::newRow("unreachable") << QByteArray("-") << 404
                                     << "not checked by WHOIS: no usable answer from WHOIS, free by RDAP";
    }
    void confirmation()
    {
        QFETCH(QByteArray, whoisReply);
        QFETCH(int, rdapStatus);
        FakeServer whois, rdap(true);
        QVERIFY(whois.start() && rdap.start());
        whois.setDefault({FakeServer::Mode::Reply, whoisReply});
        for (int asked = 0; asked < 2; ++asked) // a "too many requests" is asked once more
            rdap.answer(FakeServer::http(rdapStatus, R"({"objectClassName": "domain"})", {{"Retry-After", "0"}}),
                        "/rdap/domain/d.rdaptest");
        // Each name's registry as the domain table and the directory know it when the plan is made.
        loadTable({"int;I;;;", "com;C;;;127.0.0.1"});
        const auto directory = RdapBootstrap::parse(
            R"({"services": [[["rdaptest"], [")" + rdap.url("/rdap/").toLatin1() + R"("]]]})", true);
        Candidates::Result names;
        names.names = names.typed = {"a.com", "b.com", "c.com", "d.rdaptest"};
        names.bareNames = false;
        const RunPlan plan = RunPlan::make(Check::Inputs::of(names, {}, false, {}, 53, *directory));
        CheckResultTable CheckResults;
        plan.fill(CheckResults);
        const quint8 statuses[] = {Free, Taken, NotChecked, Free};
        for (int r = 1; r <= 4; ++r)
            CheckResults(1, r).status = statuses[r - 1];
        loadTable({"int;I;;;"}); // read no more once the plan is made
        Rdap::Policy policy;
        policy.plainHttpAllowed = true;
        WhoisConfirmation walk(CheckResults, plan,
                               {whoisReply == "-" ? FakeServer::refusedPort() : whois.port(), 2000, 4000}, policy);
        QSignalSpy asking(&walk, &WhoisConfirmation::asking), advanced(&walk, &WhoisConfirmation::advanced);
        QSignalSpy finished(&walk, &WhoisConfirmation::finished);
        walk.start();
        QVERIFY(finished.wait(10000));
        QStringList shown;
        for (int r = 1; r <= 4; ++r)
            shown += QStringList{"pending", "taken", "free", "not checked"}[CheckResults(1, r).status] + " by " +
                     QStringList{"DNS", "WHOIS", "RDAP"}[CheckResults(1, r).decidedBy];
        for (const int r : {1, 4}) {
            if (CheckResults(1, r).status == NotChecked)
                shown[r - 1] += ": " + ResultsText::reasonText(CheckResults(1, r));
        }
        QTEST(shown[0] + ", " + shown[3], "statuses");
        QCOMPARE(shown[1] + ", " + shown[2], "taken by DNS, not checked by DNS");
        QCOMPARE(advanced.size(), 4);
        QCOMPARE(asking.value(0).value(2).toString() + '|' + asking.value(1).value(2).toString(),
                 QStringLiteral("WHOIS : a.com|RDAP : d.rdaptest"));
        QCOMPARE(whois.heads(), whoisReply == "-" ? QList<QByteArray>() : QList<QByteArray>{"a.com\r\n"});
        QCOMPARE(walk.failureNote(), !(shown[0] + shown[3]).contains("not checked")
                                         ? QString()
                                         : "1 free name could not be confirmed, so it shows as not "
                                           "checked.\rNo usable answer came from: 127.0.0.1");
    }

    // A WHOIS server that turns questions away is left alone for a while, longer each time, and a name is asked
    // at most three times; a broken connection proves nothing either.
    void refusals_data()
    {
        QTest::addColumn<QList<int>>("modes"); // FakeServer::Mode of each answer in turn, the last one repeated
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<QString>("outcome"); // of a.com, then b.com
        QTest::addColumn<int>("asked");
        QTest::addColumn<QList<int>>("pauses");
        QTest::addColumn<int>("leastMs");
        const int r = int(FakeServer::Mode::Reply);
        QTest::newRow("asked again") << QList<int>{r, r, r} << QStringList{"Try again later", "quota", "No match"}
                                     << "free|free" << 4 << QList<int>{50, 100} << 150;
        QTest::newRow("refused throughout") << QList<int>{r} << QStringList{"Query rate limit exceeded"}
                                            << "WHOIS refused to answer|WHOIS refused to answer" << 6
                                            << QList<int>{50, 100, 200, 400, 800, 800} << 1550;
        QTest::newRow("reset after the reply")
            << QList<int>{int(FakeServer::Mode::Reset)} << QStringList{"No match"}
            << "no usable answer from WHOIS|no usable answer from WHOIS" << 2 << QList<int>{} << 0;
        QTest::newRow("slow after a pause")
            << QList<int>{r, int(FakeServer::Mode::Hang), r} << QStringList{"quota", "", "No match"}
            << "no usable answer from WHOIS|free" << 3 << QList<int>{50} << 1400;
    }
    void refusals()
    {
        QFETCH(QList<int>, modes);
        QFETCH(QStringList, replies);
        FakeServer whois;
        QVERIFY(whois.start());
        for (int i = 0; i + 1 < modes.size(); ++i)
            whois.answer({FakeServer::Mode(modes[i]), replies[i].toLatin1()});
        whois.setDefault({FakeServer::Mode(modes.last()), replies.last().toLatin1()});
        loadTable({"com;C;;;127.0.0.1"});
        Candidates::Result names;
        names.names = names.typed = {"a.com", "b.com"};
        names.bareNames = false;
        const RunPlan plan = RunPlan::make(Check::Inputs::of(names, {}, false, {}, 53, {}));
        CheckResultTable table;
        plan.fill(table);
        table(1, 1).status = table(1, 2).status = Free;
        // Long enough for an answer on a loaded machine, short enough to wait out a server that never answers.
        const int exchangeMs = modes.contains(int(FakeServer::Mode::Hang)) ? 1500 : 4000;
        WhoisConfirmation walk(table, plan, {whois.port(), 2000, exchangeMs, 50}, {});
        QSignalSpy finished(&walk, &WhoisConfirmation::finished), pausing(&walk, &WhoisConfirmation::pausing);
        QElapsedTimer clock;
        clock.start();
        walk.start();
        QVERIFY(finished.wait(20000));
        QList<int> pauses;
        for (const QList<QVariant>& signal : std::as_const(pausing))
            pauses.append(signal.at(1).toInt());
        QTEST(pauses, "pauses");
        QFETCH(int, leastMs);
        QVERIFY2(clock.elapsed() >= leastMs, qPrintable(QString::number(clock.elapsed())));
        const auto shown = [&](int row) {
            return table(1, row).status == Free ? QStringLiteral("free") : ResultsText::reasonText(table(1, row));
        };
        QTEST(shown(1) + '|' + shown(2), "outcome");
        QTEST(int(whois.heads().size()), "asked");
    }

    // A check that confirms starts the directory's weekly refresh; the fetch lands after the check is gone.
    void directoryRefresh()
    {
        FakeServer server(true);
        QVERIFY(server.start());
        const QString directory = R"({"publication":"2024-01-0%1T00:00:00Z","services":[[["com"],["https://r/"]]]})";
        const Rdap::DirectoryFiles files = Rdap::DirectoryFiles::program();
        QVERIFY(writeFile(files.shipped, directory.arg(1).toUtf8()));
        server.answer(FakeServer::http(200, directory.arg(2).toUtf8()), "/dns.json");
        Rdap::Policy policy;
        policy.plainHttpAllowed = true;
        policy.directoryUrl = server.url("/dns.json");
        Utils::Settings settings;
        settings.ConfirmWhois = true;
        const Check::Inputs inputs = Check::Inputs::ofProgram({}, {"com"}, false, settings, 53, policy);
        QCOMPARE(inputs.registries.value(0).rdapService, QStringLiteral("https://r/"));
        QTRY_VERIFY(Rdap::readBootstrap(files.user));
        CheckResultTable table;
        const RunPlan none;
        QCOMPARE(WhoisConfirmation(table, none, {}, {}).Whois2->port(), quint16(43)); // unless the setup says otherwise
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"

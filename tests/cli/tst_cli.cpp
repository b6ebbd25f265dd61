#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/CliWatch.h"
#include "core/Environment.h"
#include "core/Utils.h"
#include "support/FakeNameServer.h"
#include "support/FakeServer.h"
#include "support/ScriptedTransport.h"
#include "support/Suite.h"

// orlevan-cli: its command line, and whole checks against a name server of its own, as a script would see them.
class TestCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<FakeNameServer> m_ns;
    Check::Io m_io;

    // Runs the command line with these arguments; the exit status, standard output and standard error.
    struct Ran
    {
        int status = -1;
        QByteArray out, err;
    };
    Ran run(const QStringList& arguments, QByteArray input = {}, bool interrupt = false,
            const CliRun::Terminal& terminal = {})
    {
        Ran ran;
        QString error;
        const auto options = CliOptions::parse(arguments, &error);
        QBuffer in(&input), out(&ran.out), err(&ran.err);
        in.open(QIODevice::ReadOnly);
        if (!options)
            return {2, {}, error.toUtf8()};
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        // A terminal shows both streams on one screen.
        CliRun cli(*options, &out, terminal.isTerminal ? &out : &err, terminal, m_io);
        QSignalSpy finished(&cli, &CliRun::finished);
        cli.start({options->names, options->files, &in});
        if (interrupt) {
            cli.interrupt(15);
            cli.interrupt(2); // a second signal changes nothing
        }
        if (finished.wait(10000))
            ran.status = finished.value(0).value(0).toInt();
        QCoreApplication::sendPostedEvents();
        if (finished.size() > 1)
            ran.status = -2;
        return ran;
    }

private Q_SLOTS:
    void init()
    {
        resetProgramState(m_dir.path());
        writeDataFile(Utils::dataFilePath(), {"int;I;;;", "com;C;http://reg;;", "zz;Z;;;", "uk;U;;co:org;"});
        m_ns = std::make_unique<FakeNameServer>();
        m_ns->freeNames = {"b.com"};
        m_ns->silentNames = {"c.com", "c.zz"};
        m_io = {};
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error"); // empty: accepted
        const auto row = [](const char* name, const QStringList& arguments, const char* error = "") {
            QTest::newRow(name) << arguments << QString::fromUtf8(error);
        };
        row("shortest delay", {"--delay", "5"});
        row("longest delay", {"--delay=1000"});
        row("delay too short", {"--delay", "4"}, "--delay takes a whole number from 5 to 1000, not \"4\".");
        row("delay too long", {"--delay", "1001"}, "--delay takes a whole number from 5 to 1000, not \"1001\".");
        row("ten passes", {"--retries", "10"});
        row("no pass", {"--retries", "0"}, "--retries takes a whole number from 1 to 10, not \"0\".");
        row("eleven passes", {"--retries", "11"}, "--retries takes a whole number from 1 to 10, not \"11\".");
        row("unknown format", {"--format", "xml"}, "--format takes text, csv, json, not \"xml\".");
        row("unknown state", {"--only", "gone"}, "--only takes free, taken, not-checked, changed, not \"gone\".");
        row("changed without the list", {"--only", "changed", "a"}, "--only changed goes with --watch or --watched.");
        row("two uses of the list", {"--watch", "--unwatch", "a.com"},
            "Only one of --watch, --unwatch and --watched can be given.");
        row("names to the whole list", {"--watched", "a.com"}, "--watched checks every watched name and takes none.");
        row("the list under suffixes", {"--watch", "--tld", "com", "a.com"},
            "--combinations, --tld and --domains do not go with the watch list, which holds complete domain names.");
        row("the list as csv", {"--watched", "--format", "csv"},
            "The watch list is printed as text or json, not as csv.");
        row("unknown selection", {"--domains", "all"}, "--domains takes default, personal, not \"all\".");
        row("suffixes and a selection", {"--tld", "com", "--domains", "default"},
            "--tld and --domains cannot both be given.");
        row("unknown option", {"--fast"}, "Unknown option 'fast'.");
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QString error;
        const auto parsed = CliOptions::parse(arguments, &error);
        QTEST(error, "error");
        QCOMPARE(parsed.has_value(), error.isEmpty());
    }

    // The same check as the window's, in each format; what is refused or fails, and how a script can tell.
    // On a terminal: results and messages never share a line with the progress, which fits the width; a dumb
    // terminal gets no escapes; a summary ends the run.
    void terminal()
    {
        CliRun::Terminal terminal{true, false, [] {
                                      return 30;
                                  }};
        const Ran ran = run({"--server", "127.0.0.1", "--port", QString::number(m_ns->port()), "--delay", "40", "--tld",
                             "com", "a", "b", "a.com", "A", "c.zz"},
                            {}, false, terminal);
        QCOMPARE(ran.status, int(CliRun::SomeNotChecked));
        QVERIFY(!ran.out.contains('\x1b'));
        QStringList lines;
        for (const QByteArray& line : ran.out.split('\n')) {
            for (const QByteArray& drawn : line.split('\r').mid(0, line.count('\r')))
                QVERIFY2(drawn.size() < 30, drawn.constData());
            lines += QString::fromUtf8(line.mid(line.lastIndexOf('\r') + 1)).section(" in ", 0, 0);
        }
        QVERIFY2(ran.out.contains("\rchecked "), ran.out.constData()); // the progress was shown
        QCOMPARE(lines.join('|'), "a.com is unavailable.|b.com is available (check http://reg)|a.com is unavailable.|"
                                  "c.zz was not checked.|orlevan-cli: 1 free, 2 taken, 1 not checked|");
    }

    void checks()
    {
        const QStringList server = {"--server", "127.0.0.1", "--port",    QString::number(m_ns->port()),
                                    "--delay",  "5",         "--retries", "1"};
        const QStringList names = server + QStringList{"--tld", "com"};
        Ran ran = run(names + QStringList{"--format", "csv", "a", "-", "d"}, "b\r\n\tc\n");
        QCOMPARE(ran.status, int(CliRun::SomeNotChecked));
        QCOMPARE(ran.out, QByteArray("\xEF\xBB\xBFname,domain,status,confirmed by,registration site,reason\r\n"
                                     "a,a.com,taken,DNS,http://reg,\r\nb,b.com,free,DNS,http://reg,\r\n"
                                     "c,c.com,not checked,,http://reg,no answer\r\nd,d.com,taken,DNS,http://reg,\r\n"));
        QVERIFY(!QFile::exists(Environment::current().settingsFile)); // read, never written
        QByteArray line = "a\n\n"; // a bare blank line, then names on one line longer than any read of it
        for (int i = 0; i < 800; ++i)
            line += "n" + QByteArray::number(i) + ' ';
        QBuffer in(&line);
        in.open(QIODevice::ReadOnly);
        QString error;
        const auto gathered = CliInput::gather({{}, {}, &in}, &error);
        QCOMPARE(gathered->size(), 801);
        QCOMPARE(gathered->last().text, "n799");
        const QByteArray stored = "[main]\ninit=False\ndns=192.0.2.1\ndelay=1000\n";
        QVERIFY(writeFile(Environment::current().settingsFile, stored));
        QCOMPARE(run(names + QStringList{"a"}).status, int(CliRun::AllChecked));
        QCOMPARE(readFile(Environment::current().settingsFile), stored);
        QVERIFY(writeFile(Environment::current().settingsFile, "[main]\nCheckWithDashes=True\n")); // no first-run mark
        const qsizetype before = m_ns->queries.size() + 2; // after the made-up name and com itself
        run(names + QStringList{"-c", "a", "x.zz", "b"});
        QStringList asked; // combinations with dashes, as stored: each hyphenated name right after its plain one,
        for (qsizetype i = before; i < m_ns->queries.size(); ++i) // all in the place of the first
            asked += m_ns->queries.at(i).name;
        QCOMPARE(asked.mid(0, 6).join(' '), "a.com ab.com a-b.com ba.com b-a.com b.com");
        QCOMPARE(asked.last(), "x.zz");
        ran = run(names + QStringList{"--only", "free", "--format", "json", "b", "a"});
        QCOMPARE(ran.status, int(CliRun::AllChecked));
        QCOMPARE(ran.out, R"({"ascii":"b.com","confirmedBy":"DNS","domain":"b.com","name":"b","reason":"",)"
                          R"("registrationSite":"http://reg","status":"free"})"
                          "\n");
        ran = run(names + QStringList{"a.com", "c.zz", "ü"}); // a name in its own script is shown as typed too
        QCOMPARE(ran.out, "a.com is unavailable.\nc.zz was not checked.\nü.com (xn--tda.com) is unavailable.\n");
        // A top-level domain stands for its second-level labels, as in the window's selection.
        QCOMPARE(run(server + QStringList{"--tld", "UK,zz", "a"}).out,
                 "a.co.uk is unavailable.\na.org.uk is unavailable.\na.zz is unavailable.\n");
        QCOMPARE(run(names + QStringList{"a_b"}).status, int(CliRun::Refused));
        // Stopped by SIGTERM before anything was answered: every name is there, not checked.
        ran = run(names + QStringList{"--format", "json", "a", "c.zz"}, "never read", true);
        QCOMPARE(ran.status, 143);
        QCOMPARE(ran.out.count("\"status\":\"not-checked\""), 2);
        QCOMPARE(ran.out.count("\"reason\":\"not asked\""), 2);
        ran = run(names + QStringList{"a", "c.zz"}, {}, true, {true, false}); // and the summary counts them
        QCOMPARE(QString::fromUtf8(ran.out).section(" in ", 0, 0), "a.com was not checked.\nc.zz was not checked.\n"
                                                                   "orlevan-cli: 0 free, 0 taken, 2 not checked");
        m_ns->responder = [](const FakeNameServer::Query& query) {
            return FakeNameServer::replyFor(query.datagram, 5); // REFUSED
        };
        ran = run(names + QStringList{"a"});
        QCOMPARE(ran.status, int(CliRun::SomeNotChecked));
        QCOMPARE(ran.err, "orlevan-cli: The name server 127.0.0.1 would not answer any of the questions. None of the "
                          "domains could be checked. You can choose another name server with --server.\n");
        m_io.dns.transport = [] {
            auto socket = std::make_unique<ScriptedTransport>();
            socket->opens = false;
            return socket;
        };
        ran = run(names + QStringList{"a"});
        QCOMPARE(ran.status, int(CliRun::Failed));
        QCOMPARE(ran.err,
                 QByteArray("orlevan-cli: Cannot initialize the network - Please check that you are online.\n"));
        QVERIFY(ran.out.isEmpty());
    }

    // The watch list on a clock of the test's own: the registry's details through RDAP, or WHOIS where the
    // directory names no service; the coming expiry said once; a writer changing the list during a check.
    void watch()
    {
        writeDataFile(Utils::dataFilePath(), {"int;I;;;", "com;C;;;", "zz;Z;;;127.0.0.1"});
        FakeServer rdap(true), whois;
        QVERIFY(rdap.start() && whois.start());
        QVERIFY(writeFile(Utils::dataFolder() + "/rdap-dns.json",
                          R"({"publication":"2100-01-01T00:00:00Z","services":[[["com"],[")" + rdap.url().toUtf8() +
                              R"("]]]})"));
        rdap.setDefault(FakeServer::http(200, R"({"objectClassName":"domain","status":["active"],"events":[)"
                                              R"({"eventAction":"expiration","eventDate":"2031-03-10T23:00:00Z"}],)"
                                              R"("entities":[{"roles":["registrar"],"vcardArray":["vcard",)"
                                              R"([["fn",{},"text","R"]]]}]})"));
        whois.setDefault({FakeServer::Mode::Reply, "No match for \"F.ZZ\".\r\n"});
        const FakeServer::Script bzz{FakeServer::Mode::Reply, "Domain Name: B.ZZ\r\nRegistrar: Zed Names\r\nRegistry "
                                                              "Expiry Date: 2031-06-01T00:00:00Z\r\nDomain Status: "
                                                              "clientHold https://icann.org/epp#clientHold\r\n"};
        // b.zz, f.zz and g.zz, then b.zz again; f.zz and g.zz are not registered from then on.
        for (const QByteArray& reply : {bzz.reply, QByteArray("No match"), QByteArray("Quota exceeded"), bzz.reply})
            whois.answer({FakeServer::Mode::Reply, reply});
        QDateTime now(QDate(2031, 2, 1), QTime(12, 0), Qt::UTC);
        WatchCheck::Io io{m_io, [&now] { return now; }, 0};
        io.check.rdap.plainHttpAllowed = true;
        io.check.whois.port = whois.port();
        const auto watch = [&](const QStringList& arguments) {
            QString error;
            const auto options =
                CliOptions::parse(QStringList{"--server", "127.0.0.1", "--port", QString::number(m_ns->port()),
                                              "--delay", "5", "--retries", "1"} +
                                      arguments,
                                  &error);
            Ran ran;
            QBuffer out(&ran.out), err(&ran.err);
            out.open(QIODevice::WriteOnly);
            err.open(QIODevice::WriteOnly);
            CliWatch cli(*options, &out, &err, io);
            QSignalSpy finished(&cli, &CliWatch::finished);
            QList<CliInput::Name> names;
            for (const QString& name : options->names)
                names.append({name, {}});
            cli.start(names);
            if (finished.wait(10000))
                ran.status = finished.value(0).value(0).toInt();
            return ran;
        };
        // A name the DNS no longer knows is free only when its registry says so too.
        m_ns->freeNames = {"e.com", "f.zz", "g.zz"};
        rdap.answer(FakeServer::http(500, "{}"), "/domain/e.com");
        Ran ran = watch({"--watch", "a.com", "b.zz", "c.com", "e.com", "f.zz", "g.zz"});
        QCOMPARE(ran.status, int(CliWatch::SomeNotChecked));
        QCOMPARE(ran.out, "a.com is taken: registrar R; expires 2031-03-10 (37 days left); status active.\n"
                          "b.zz is taken: registrar Zed Names; expires 2031-06-01 (120 days left); status client "
                          "hold.\nc.com was not checked: no answer.\n"
                          "e.com was not checked: 127.0.0.1 could not answer (HTTP 500).\nf.zz is free.\n"
                          "g.zz was not checked: the WHOIS server 127.0.0.1 gave no usable answer.\n");
        now = now.addDays(7);
        ran = watch({"--watched", "--only", "changed", "--format", "json"});
        QCOMPARE(ran.out, R"({"ascii":"a.com","change":"expires within 30 days, on 2031-03-10","changed":true,)"
                          R"("checked":"2031-02-08T12:00:00Z","daysLeft":30,"domain":"a.com","expires":"2031-03-10",)"
                          R"("registrar":"R","registryStatus":["active"],"status":"taken"})"
                          "\n");
        QStringList many = {"--watch"}; // six watched already: these would make one too many, and none is added
        for (int i = 0; i < Watch::MaxNames - 5; ++i)
            many.append(QStringLiteral("m%1.com").arg(i));
        ran = watch(many);
        QCOMPARE(ran.status, int(CliWatch::Refused));
        QCOMPARE(ran.err, "orlevan-cli: The watch list holds at most 2047 names, as many as one check asks; with "
                          "these it would hold 2048.\n");
        QVERIFY(!readFile(WatchList::defaultPath()).contains("m0.com"));
        // Another writer, while the names are asked: its removal and its addition both stand.
        QString error;
        const auto options = CliOptions::parse({"--watched", "--only", "changed"}, &error);
        QByteArray printed, said;
        QBuffer out(&printed), err(&said);
        out.open(QIODevice::WriteOnly);
        err.open(QIODevice::WriteOnly);
        // The settings' name server, which no lookup here may reach: it is not found.
        WatchCheck::Io unknownServer = io;
        unknownServer.check.dns.lookupHost = [](const QString&, QObject* context,
                                                std::function<void(const QHostInfo&)> done) {
            QHostInfo info;
            info.setError(QHostInfo::HostNotFound);
            QTimer::singleShot(0, context, [done, info] { done(info); });
        };
        CliWatch cli(*options, &out, &err, unknownServer);
        QSignalSpy finished(&cli, &CliWatch::finished);
        cli.start({});
        QVERIFY(!WatchList().update([](QList<WatchEntry>& list) {
            list.removeIf([](const WatchEntry& e) { return e.ascii == "b.zz"; });
            list.append(list.first());
            list.last().ascii = "d.com";
            return true;
        }));
        QVERIFY(finished.wait(10000));
        QVERIFY2(printed.isEmpty(), printed.constData()); // the coming expiry was told once
        QList<WatchEntry> list;
        QVERIFY(!WatchList().read(&list));
        QStringList names;
        for (const WatchEntry& e : list)
            names.append(e.ascii);
        QCOMPARE(names.join(' '), "a.com c.com e.com f.zz g.zz d.com");
        // Stopped by SIGTERM before anything was answered: every name printed, the list as it was.
        const QByteArray stored = readFile(WatchList::defaultPath());
        CliWatch stopped(*CliOptions::parse({"--watched"}, &error), &out, &err, unknownServer);
        QSignalSpy ended(&stopped, &CliWatch::finished);
        stopped.start({});
        stopped.interrupt(15);
        QVERIFY(ended.wait(10000));
        QCOMPARE(ended.value(0).value(0).toInt(), 143);
        QCOMPARE(printed.count("was not checked"), 6);
        QCOMPARE(readFile(WatchList::defaultPath()), stored);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

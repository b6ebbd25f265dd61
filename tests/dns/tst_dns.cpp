#include "check/RunPlan.h"
#include "core/Utils.h"
#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/RunSchedule.h"
#include "support/Suite.h"
#include "whois/RdapBootstrap.h"

// The datagrams on the wire, the pacing of a run and its plan, without a socket.
class TestDns : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    static QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

private Q_SLOTS:
    void init() { resetProgramState(m_dir.path()); }

    void query_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("datagram");
        QTest::newRow("two labels") << "example.com" << 1
                                    << hex("0001 0100 0001 0000 0000 0000 076578616d706c65 03636f6d 00 00ff00ff");
        QTest::newRow("sub-label, case kept")
            << "Ab.co.uk" << 300 << hex("012c 0100 0001 0000 0000 0000 024162 02636f 02756b 00 00ff00ff");
        QTest::newRow("empty labels") << ".a..b." << 2047
                                      << hex("07ff 0100 0001 0000 0000 0000 00 0161 00 0162 00 00 00ff00ff");
        QTest::newRow("64 characters") << QString(64, 'x') << 5
                                       << hex("0005 0100 0001 0000 0000 0000 40") + QByteArray(64, 'x') +
                                              hex("00 00ff00ff");
    }
    void query()
    {
        QFETCH(QString, name);
        QFETCH(int, id);
        QTEST(DNS::BuildQuery(name, qint16(id)), "datagram");
    }

    void reply_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<int>("id"); // -1: no result
        QTest::addColumn<bool>("exists");
        const auto row = [](const char* name, const char* bytes, int id, bool exists) {
            QTest::newRow(name) << hex(bytes) << id << exists;
        };
        row("name error", "012c8183", 300, false);
        row("success", "00018180", 1, true);
        row("server failure", "00018182", 1, true);
        row("bit above RCODE", "00018193", 1, true);
        row("identifier above 32767", "ffff8183", 65535, false);
        row("three bytes", "000181", -1, true);
    }
    void reply()
    {
        QFETCH(QByteArray, datagram);
        const auto info = DNS::ParseReply(datagram);
        QTEST(info ? info->id : -1, "id");
        if (info)
            QTEST(info->exists, "exists");
    }

    void schedule_data()
    {
        QTest::addColumn<int>("cells");
        QTest::addColumn<int>("passes");
        QTest::addColumn<QSet<int>>("answeredAtOnce"); // cells whose reply comes before the next tick
        QTest::addColumn<QList<int>>("sends");         // cell sent at each tick, -1 none, until the end
        QTest::newRow("one pass, unanswered")
            << 2 << 1 << QSet<int>{} << QList<int>{0, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        QTest::newRow("answered cells are not asked again")
            << 3 << 2 << QSet<int>{0, 2}
            << QList<int>{0, 1, 2, -1, -1, -1, 1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
        QTest::newRow("no cells") << 0 << 1 << QSet<int>{} << QList<int>(13, -1);
    }
    void schedule()
    {
        QFETCH(int, cells);
        QFETCH(int, passes);
        QFETCH(QSet<int>, answeredAtOnce);
        QSet<int> answered;
        const auto pending = [&](int cell) {
            return !answered.contains(cell);
        };
        RunSchedule schedule(cells, passes);
        QList<int> sends;
        int sent = 0;
        for (RunSchedule::Step step = schedule.begin(pending); !step.finished; step = schedule.tick(pending)) {
            sends.append(step.sendCell);
            sent += step.sendCell >= 0;
            if (answeredAtOnce.contains(step.sendCell))
                answered.insert(step.sendCell);
            QVERIFY(sends.size() < 1000);
        }
        QTEST(sends, "sends");
        QCOMPARE(sends.size(), RunSchedule::ticksFor(sent, passes));
    }

    // Every datagram queued between two ticks is read at the tick, however many batches they fill.
    void batchedReads()
    {
        UdpTransport socket;
        QVERIFY(socket.open(QAbstractSocket::IPv4Protocol));
        socket.setWaking(false);
        QList<QByteArray> sent, got;
        QObject::connect(&socket, &DnsTransport::datagramReceived, &socket,
                         [&](const QByteArray& datagram) { got.append(QByteArray(datagram.data(), datagram.size())); });
        QSignalSpy errors(&socket, &DnsTransport::socketError);
        QUdpSocket sender;
        for (int i = 0; i < 16; ++i) // two whole batches, then nothing more to read, which is no error
            sender.writeDatagram(sent.emplaceBack(QByteArray::number(i)), QHostAddress::LocalHost, socket.localPort());
        socket.poll();
        QCOMPARE(got, sent);
        QVERIFY(errors.isEmpty());
    }

    // A server may echo the question in other letter case; it still answers it, and only it.
    void echoInOtherCase()
    {
        const QByteArray query = DNS::BuildQuery("az.com", 7);
        for (const char* echoed : {"AZ.COM", "AY.COM"}) {
            QByteArray reply = DNS::BuildQuery(echoed, 7);
            reply[2] = char(0x81);
            QCOMPARE(DNS::AnswersQuery(reply, *DNS::ParseReply(reply), query), echoed[1] == 'Z');
        }
    }

    void plan_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("bare");
        QTest::addColumn<bool>("personal");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QString>("lastDomain");
        QTest::addColumn<QString>("lastTld");
        QTest::newRow("default list") << QStringList{"ab", "cd"} << true << false
                                      << QStringList{"com", "net", "org", "us", "to", "tv", "tm", "nu"} << "cd.nu"
                                      << "nu";
        QTest::newRow("complete names") << QStringList{"ab.com", "cd"} << false << false << QStringList{"Free?"} << "cd"
                                        << "int";
        QTest::newRow("personal with sub-labels")
            << QStringList{"ab"} << true << true << QStringList{"com", "co.uk", "uk"} << "ab.uk"
            << "uk";
    }
    static RunPlan planOf(const QStringList& names, bool bare, bool personal)
    {
        Candidates::Result list;
        list.names = list.typed = names;
        list.bareNames = bare;
        return RunPlan::make(RunPlan::Inputs::of(list, Utils::SelectedSuffixes(personal), personal, {}, 53, {}));
    }
    void plan()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, bare);
        QFETCH(bool, personal);
        QFETCH(QStringList, headings);
        loadTable({"int;I;", "com;C;", "uk;U;;co:", "nu;N;", "net;N;"});
        Utils::DomainTable[1].Selected = 1;
        Utils::DomainTable[2].Selected = 1;
        Utils::InitDefaultDomains();
        const RunPlan plan = planOf(names, bare, personal);
        QCOMPARE(plan.refusal, RunPlan::Refusal::None);
        QStringList shown;
        for (int c = 1; c <= plan.columns(); ++c)
            shown.append(plan.heading(c));
        QCOMPARE(shown, headings);
        CheckResultTable CheckResults;
        plan.fill(CheckResults);
        const CheckResult& last = CheckResults(plan.columns(), plan.rows());
        QTEST(last.domain, "lastDomain");
        QTEST(last.tld, "lastTld");
    }

    void planRefusals()
    {
        loadTable({"com;C;", "uk;U;;co:org:me:ltd"});
        Utils::DomainTable[1].Selected = 1;
        Utils::InitDefaultDomains();
        QCOMPARE(planOf(QStringList(2047, "n"), false, false).refusal, RunPlan::Refusal::None);
        QCOMPARE(planOf(QStringList(2048, "n"), false, false).refusal, RunPlan::Refusal::TooMany);
        QCOMPARE(planOf(QStringList(600, "n"), true, true).candidateTotal(), 2400);
        QCOMPARE(planOf(QStringList(600, "n"), true, true).refusal, RunPlan::Refusal::TooMany);
        QCOMPARE(planOf({QString(63, 'a')}, true, false).refusal, RunPlan::Refusal::None);
        QCOMPARE(planOf({QString(64, 'a')}, true, false).refusalText(),
                 Candidates::tooLongText(QString(64, 'a') + ".com")); // a name that comes around the name box
        Candidates::Result fits; // under the last suffix only
        fits.names = fits.typed = {QString(63, 'a') + '.' + QString(63, 'b') + '.' + QString(63, 'c') + '.' +
                                   QString(57, 'd')};
        const RunPlan lastTooLong = RunPlan::make(RunPlan::Inputs::of(fits, {"uk", "co.uk"}, false, {}, 53, {}));
        QCOMPARE(lastTooLong.refusalText(), Candidates::tooLongText(fits.typed.first() + ".co.uk"));
        Utils::DomainTable[1].Selected = 0;
        QCOMPARE(planOf(QStringList(3, "n"), true, true).refusalText(),
                 "No top-level domain is chosen, so there is nothing to check.\rChoose the top-level domains to search "
                 "under options->Domains to search");
        // The program's own ends of the exchange; every other test aims elsewhere.
        RunPlan::Inputs inputs;
        inputs.delayMs = inputs.passes = 0;
        const CheckRun::Setup setup = RunPlan::make(inputs).setup(inputs);
        QCOMPARE(QList<int>({setup.port, DNS::LocalPort, setup.delayMs, setup.passes}), QList<int>({53, 1000, 1, 1}));
    }
};

QTEST_GUILESS_MAIN(TestDns)
#include "tst_dns.moc"

#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "support/FakeNameServer.h"
#include "support/ManualTickSource.h"
#include "support/ScriptedTransport.h"
#include "support/TestPlatform.h"

#include <QSignalSpy>
#include <QTest>

namespace {
// A run over names n<row>.s<column>, ticked by hand.
struct Rig
{
    CheckResultTable table;
    ManualTickSource* ticks = new ManualTickSource;
    std::unique_ptr<CheckRun> run;

    Rig(int columns, int rows, int passes, const QString& server, quint16 port, DnsTransport* transport = nullptr)
    {
        table.reset(columns, rows);
        for (int c = 1; c <= columns; ++c) {
            for (int r = 1; r <= rows; ++r)
                table(c, r) = {QStringLiteral("n%1.s%2").arg(r).arg(c), {}, Pending, qint16((c - 1) * rows + r)};
        }
        run = std::make_unique<CheckRun>(table, CheckRun::Setup{server, port, 5, passes, columns, rows},
                                         std::unique_ptr<TickSource>(ticks), std::unique_ptr<DnsTransport>(transport));
    }
    // Ticks to the end, each reply (or refusal) in before the next tick; the number of ticks taken.
    int finish()
    {
        int count = 0;
        for (; run->state() == CheckRun::State::Running && count < 1000; ++count) {
            if (!QTest::qWaitFor(
                    [this] { return run->repliesReceived() + run->refusalsReceived() >= run->queriesSent(); }))
                break;
            ticks->fire();
        }
        return count;
    }
};
} // namespace

class TestCheckRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeRun_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("IPv4 address") << "127.0.0.1";
        QTest::newRow("IPv6 address") << "::1";
        QTest::newRow("host name") << "localhost";
    }
    void wholeRun()
    {
        QFETCH(QString, server);
        FakeNameServer ns(server == "::1" ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
        QVERIFY(ns.isListening() && (server != "localhost" || ns.alsoListenOn(QHostAddress::LocalHostIPv6)));
        ns.freeNames = {"n1.s1", "n2.s2"};
        Rig rig(2, 2, 2, server, ns.port());
        rig.run->start();
        QTRY_VERIFY(rig.run->state() == CheckRun::State::Running);
        const quint16 localPort = rig.run->localPort();
        // One query at once, one per tick; pass 2 finds every cell answered and only pauses.
        QCOMPARE(rig.run->queriesSent(), 1);
        QCOMPARE(rig.finish(), int(RunSchedule::ticksFor(4, 2)));
        QCOMPARE(rig.run->state(), CheckRun::State::Completed);
        QList<int> ids;
        for (const FakeNameServer::Query& query : std::as_const(ns.queries)) {
            ids.append(query.id);
            QCOMPARE(query.datagram, DNS::BuildQuery(query.name, qint16(query.id)));
            QCOMPARE(query.senderPort, localPort);
        }
        QCOMPARE(ids, (QList<int>{1, 2, 3, 4}));
        const QList<quint8> statuses{rig.table(1, 1).status, rig.table(1, 2).status, rig.table(2, 1).status,
                                     rig.table(2, 2).status};
        QCOMPARE(statuses, (QList<quint8>{Free, Taken, Taken, Free}));
        QVERIFY(!rig.ticks->running);
    }

    // Port 1000 taken (or privileged): any free port serves.
    void localPortTakenFallsBack()
    {
        QUdpSocket holder;
        holder.bind(QHostAddress::AnyIPv4, DNS::LocalPort, QAbstractSocket::DontShareAddress);
        FakeNameServer ns;
        Rig rig(1, 1, 1, "127.0.0.1", ns.port());
        rig.run->start();
        QVERIFY(rig.run->localPort() != 0 && rig.run->localPort() != DNS::LocalPort);
        rig.finish();
        QCOMPARE(rig.table(1, 1).status, quint8(Taken));
    }

    // Datagrams that must not count; a good reply to the other cell afterwards shows they were read.
    void strayDatagrams()
    {
        FakeNameServer ns;
        ns.answering = false;
        Rig rig(1, 2, 1, "127.0.0.1", ns.port());
        QSignalSpy answered(rig.run.get(), &CheckRun::cellAnswered);
        rig.run->start();
        rig.ticks->fire();
        QTRY_COMPARE(ns.queries.size(), 2);
        const FakeNameServer::Query first = ns.queries.at(0);
        const QByteArray good = FakeNameServer::replyFor(first.datagram, 3);
        QByteArray highId = good;
        highId[0] = char(0xFF);
        QByteArray notReply = good;
        notReply[2] = char(0x01);
        const QByteArray otherName = FakeNameServer::replyFor(DNS::BuildQuery("n9.s1", qint16(first.id)), 3);
        for (const QByteArray& stray :
             {good.left(2), highId, notReply, otherName, FakeNameServer::replyFor(first.datagram, 3, false)})
            ns.sendTo(first, stray);
        QUdpSocket otherPort;
        QVERIFY(otherPort.bind(QHostAddress::LocalHost, 0));
        otherPort.writeDatagram(good, first.sender, first.senderPort);
        QTest::qWait(0);
        ns.sendTo(first, FakeNameServer::replyFor(ns.queries.at(1).datagram, 0));
        QTRY_COMPARE(answered.size(), 1);
        QCOMPARE(rig.table(1, 1).status, quint8(Pending));

        // Repeats of the right reply set the status again, but the count stops at the number of cells.
        for (int i = 0; i < 3; ++i)
            ns.sendTo(first, good);
        QTRY_COMPARE(answered.size(), 4);
        QCOMPARE(rig.table(1, 1).status, quint8(Free));
        QCOMPARE(rig.run->repliesReceived(), 2);
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("withQuestion");
        QTest::addColumn<bool>("oneAnswered");
        QTest::newRow("refused with question") << true << false;
        QTest::newRow("refused without question") << false << false;
        QTest::newRow("one real answer") << true << true;
    }
    void refusals()
    {
        QFETCH(bool, withQuestion);
        QFETCH(bool, oneAnswered);
        FakeNameServer ns;
        ns.responder = [&](const FakeNameServer::Query& query) {
            if (oneAnswered && query.id == 2)
                return FakeNameServer::replyFor(query.datagram, 3);
            return FakeNameServer::replyFor(query.datagram, quint8(query.id == 1 ? 5 : 2), withQuestion);
        };
        Rig rig(1, 2, 2, "127.0.0.1", ns.port());
        rig.run->start();
        rig.finish();
        // Refused cells are asked again in the next pass, do not count, and end as not checked.
        QCOMPARE(rig.run->state(), CheckRun::State::Completed);
        QCOMPARE(ns.queries.size(), oneAnswered ? 3 : 4);
        QCOMPARE(rig.table(1, 1).status, quint8(NotChecked));
        QCOMPARE(rig.table(1, 2).status, quint8(oneAnswered ? Free : NotChecked));
        QCOMPARE(rig.run->repliesReceived(), oneAnswered ? 1 : 0);
        QCOMPARE(rig.run->onlyRefusals(), !oneAnswered);
    }

    void repliesInPauseAndDrainCount()
    {
        FakeNameServer ns;
        ns.answering = false;
        Rig rig(1, 2, 1, "127.0.0.1", ns.port());
        QSignalSpy completed(rig.run.get(), &CheckRun::completed);
        rig.run->start();
        for (int i = 0; i < 1 + 3; ++i) // the second query, its tick and two of the pause
            rig.ticks->fire();
        QTRY_COMPARE(ns.queries.size(), 2);
        ns.sendTo(ns.queries.at(0), FakeNameServer::replyFor(ns.queries.at(0).datagram, 3));
        QTRY_COMPARE(rig.run->repliesReceived(), 1);
        for (int i = 0; i < 1 + 9; ++i) // the end of the pause and nine of the drain
            rig.ticks->fire();
        ns.sendTo(ns.queries.at(1), FakeNameServer::replyFor(ns.queries.at(1).datagram, 0));
        QTRY_COMPARE(rig.run->repliesReceived(), 2);
        QVERIFY(completed.isEmpty());
        rig.ticks->fire();
        QCOMPARE(completed.size(), 1);
        QCOMPARE(rig.table(1, 1).status, quint8(Free));
        QCOMPARE(rig.table(1, 2).status, quint8(Taken));
    }

    // The run's own failures: its message, and what it sends afterwards.
    void failures_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("failingSend");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sent");
        const QString network = "Cannot initialize the network - \rPlease check that you are online.";
        QTest::newRow("empty name server") << "" << -1 << network << 0;
        QTest::newRow("unresolvable name") << "ns..example" << -1 << network << 0;
        QTest::newRow("second send fails")
            << "127.0.0.1" << 2
            << "Error communicating with nameserver.\rCheck your settings under options->DNS options" << 2;
    }
    void failures()
    {
        QFETCH(QString, server);
        QFETCH(int, failingSend);
        TestPlatform platform;
        auto* transport = new ScriptedTransport;
        transport->failingSend = failingSend;
        Rig rig(1, 3, 1, server, 53, transport);
        QSignalSpy failed(rig.run.get(), &CheckRun::sendFailed);
        platform.onMessage = [&](const TestPlatform::Message&) {
            QVERIFY(failed.isEmpty());
        };
        rig.run->start();
        rig.ticks->fire();
        QTRY_COMPARE(platform.messages.size(), 1);
        QTEST(platform.messages.at(0).text, "message");
        QCOMPARE(platform.messages.at(0).icon, Platform::Critical);
        QCOMPARE(failed.size(), failingSend > 0 ? 1 : 0);
        QVERIFY(!rig.ticks->running);
        rig.ticks->fire();
        QTEST(int(transport->sent.size()), "sent");
    }

    // One message per error event; while one is open, ticks send nothing; after it the run goes on.
    void socketErrorHoldsTheRun()
    {
        TestPlatform platform;
        auto* transport = new ScriptedTransport;
        Rig rig(1, 4, 1, "127.0.0.1", 53, transport);
        qsizetype sentDuringBox = -1;
        platform.onMessage = [&](const TestPlatform::Message&) {
            const qsizetype before = transport->sent.size();
            rig.ticks->fire();
            rig.ticks->fire();
            sentDuringBox = transport->sent.size() - before;
        };
        rig.run->start();
        transport->raiseError();
        transport->raiseError();
        QTRY_COMPARE(platform.messages.size(), 2);
        QCOMPARE(platform.messages.at(1).text, QStringLiteral("Winsock error"));
        QCOMPARE(sentDuringBox, 0);
        QCOMPARE(transport->sent.size(), 2); // the ticks during the boxes count as one
        rig.ticks->fire();
        QCOMPARE(transport->sent.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"

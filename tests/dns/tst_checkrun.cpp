#include "dns/CheckRun.h"
#include "dns/DNS.h"
#include "support/FakeNameServer.h"
#include "support/ManualTickSource.h"
#include "support/ScriptedTransport.h"
#include "support/TestPlatform.h"

#include <QNetworkInterface>
#include <QSignalSpy>
#include <QTest>

namespace {
struct Rig
{
    CheckResultTable table;
    ManualTickSource* ticks = new ManualTickSource;
    std::unique_ptr<CheckRun> run;

    // Names n<row>.s<column>, column-major identifiers.
    Rig(int columns, int rows, int passes, const QString& server, quint16 port, DnsTransport* transport = nullptr)
    {
        table.reset(columns, rows);
        for (int c = 1; c <= columns; ++c) {
            for (int r = 1; r <= rows; ++r) {
                table(c, r).domain = QStringLiteral("n%1.s%2").arg(r).arg(c);
                table(c, r).queryId = qint16((c - 1) * rows + r);
            }
        }
        CheckRun::Setup setup{server, port, 5, passes, columns, rows};
        run = std::make_unique<CheckRun>(table, setup, std::unique_ptr<TickSource>(ticks),
                                         std::unique_ptr<DnsTransport>(transport));
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
        FakeNameServer ns(server == QLatin1String("::1") ? QHostAddress::LocalHostIPv6 : QHostAddress::LocalHost);
        QVERIFY2(ns.isListening(), "no loopback socket");
        if (server == QLatin1String("localhost"))
            QVERIFY(ns.alsoListenOn(QHostAddress::LocalHostIPv6));
        ns.freeNames = {QStringLiteral("n1.s1"), QStringLiteral("n2.s2")};
        Rig rig(2, 2, 2, server, ns.port());
        QSignalSpy completed(rig.run.get(), &CheckRun::completed);
        rig.run->start();
        // The first query leaves at once; each reply comes before the next tick, so pass 2 sends nothing.
        int ticks = 0;
        QTRY_VERIFY(rig.run->state() == CheckRun::State::Running);
        const quint16 localPort = rig.run->localPort();
        while (completed.isEmpty() && ticks < 100) {
            QTRY_COMPARE(rig.run->repliesReceived(), rig.run->queriesSent());
            rig.ticks->fire();
            ++ticks;
            QCOMPARE(rig.run->queriesSent(), qMin(ticks + 1, 4));
        }
        QCOMPARE(ns.queries.size(), 4);
        QCOMPARE(ticks, int(RunSchedule::ticksFor(4, 2)));
        QList<int> ids;
        for (const FakeNameServer::Query& query : std::as_const(ns.queries)) {
            ids.append(query.id);
            QCOMPARE(query.datagram, DNS::BuildQuery(query.name, qint16(query.id)));
            QCOMPARE(query.senderPort, localPort);
        }
        QCOMPARE(ids, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(rig.table(1, 1).status, quint8(Free));
        QCOMPARE(rig.table(1, 2).status, quint8(Taken));
        QCOMPARE(rig.table(2, 1).status, quint8(Taken));
        QCOMPARE(rig.table(2, 2).status, quint8(Free));
        QVERIFY(!rig.ticks->running);
        QCOMPARE(rig.run->state(), CheckRun::State::Completed);
    }

    // Datagrams that must not count: each is followed by a good reply to another cell, which shows it was read.
    void strayDatagrams()
    {
        FakeNameServer ns;
        ns.answering = false;
        Rig rig(1, 2, 1, QStringLiteral("127.0.0.1"), ns.port());
        QSignalSpy answered(rig.run.get(), &CheckRun::cellAnswered);
        rig.run->start();
        rig.ticks->fire();
        QTRY_COMPARE(ns.queries.size(), 2);
        const FakeNameServer::Query first = ns.queries.at(0);
        const QByteArray good = FakeNameServer::replyFor(first.datagram, 3);
        const QByteArray sentinel = FakeNameServer::replyFor(ns.queries.at(1).datagram, 0);
        QByteArray highId = good;
        highId[0] = char(0xFF);
        QByteArray notReply = good;
        notReply[2] = char(0x01);
        const QByteArray otherName =
            FakeNameServer::replyFor(DNS::BuildQuery(QStringLiteral("n9.s1"), qint16(first.id)), 3);
        const QByteArray noQuestionNameError = FakeNameServer::replyFor(first.datagram, 3, false);
        for (const QByteArray& stray : {good.left(2), highId, notReply, otherName, noQuestionNameError})
            ns.sendTo(first, stray);
        // The right bytes from another port of the same host.
        QUdpSocket other;
        QVERIFY(other.bind(QHostAddress::LocalHost, 0));
        other.writeDatagram(good, first.sender, first.senderPort);
        QTest::qWait(0);
        ns.sendTo(first, sentinel);
        QTRY_COMPARE(answered.size(), 1);
        QCOMPARE(rig.table(1, 1).status, quint8(Pending));
        QCOMPARE(rig.table(1, 2).status, quint8(Taken));

        // The right reply counts; repeats set the status again but the count stops at the number of cells.
        for (int i = 0; i < 3; ++i)
            ns.sendTo(first, good);
        QTRY_COMPARE(answered.size(), 4);
        QCOMPARE(rig.table(1, 1).status, quint8(Free));
        QCOMPARE(rig.run->repliesReceived(), 2);
        QCOMPARE(answered.last().at(2).toInt(), 2);
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
        ns.responder = [&](const FakeNameServer::Query& query) -> std::optional<QByteArray> {
            if (oneAnswered && query.id == 2)
                return FakeNameServer::replyFor(query.datagram, 3);
            return FakeNameServer::replyFor(query.datagram, quint8(query.id == 1 ? 5 : 2), withQuestion);
        };
        Rig rig(1, 2, 2, QStringLiteral("127.0.0.1"), ns.port());
        QSignalSpy completed(rig.run.get(), &CheckRun::completed);
        rig.run->start();
        for (int tick = 0; completed.isEmpty() && tick < 100; ++tick) {
            QTRY_COMPARE(rig.run->refusalsReceived() + rig.run->repliesReceived(), rig.run->queriesSent());
            rig.ticks->fire();
        }
        QCOMPARE(completed.size(), 1);
        // Refused cells are asked again in the next pass and end as not checked.
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
        Rig rig(1, 2, 1, QStringLiteral("127.0.0.1"), ns.port());
        QSignalSpy completed(rig.run.get(), &CheckRun::completed);
        rig.run->start();
        rig.ticks->fire();
        QTRY_COMPARE(ns.queries.size(), 2);
        for (int i = 0; i < 3; ++i) // the last query's tick and two of the pause
            rig.ticks->fire();
        ns.sendTo(ns.queries.at(0), FakeNameServer::replyFor(ns.queries.at(0).datagram, 3));
        QTRY_COMPARE(rig.run->repliesReceived(), 1);
        for (int i = 0; i < 1 + 9; ++i) // end of the pause and nine of the drain
            rig.ticks->fire();
        QVERIFY(completed.isEmpty());
        ns.sendTo(ns.queries.at(1), FakeNameServer::replyFor(ns.queries.at(1).datagram, 0));
        QTRY_COMPARE(rig.run->repliesReceived(), 2);
        rig.ticks->fire();
        QCOMPARE(completed.size(), 1);
        QCOMPARE(rig.table(1, 1).status, quint8(Free));
        QCOMPARE(rig.table(1, 2).status, quint8(Taken));
        QCOMPARE(ns.queries.size(), 2);
    }

    void unresolvableServer_data()
    {
        QTest::addColumn<QString>("server");
        QTest::newRow("empty") << "";
        QTest::newRow("empty label") << "ns..example";
    }
    void unresolvableServer()
    {
        QFETCH(QString, server);
        TestPlatform platform;
        auto* transport = new ScriptedTransport;
        Rig rig(1, 1, 1, server, 53, transport);
        rig.run->start();
        QTRY_COMPARE(platform.messages.size(), 1);
        QCOMPARE(platform.messages.at(0).text,
                 QStringLiteral("Cannot initialize the network - \rPlease check that you are online."));
        QCOMPARE(platform.messages.at(0).icon, Platform::Critical);
        QCOMPARE(platform.messages.at(0).caption, QStringLiteral("Orlevan"));
        QCOMPARE(rig.run->state(), CheckRun::State::NetworkFailed);
        QVERIFY(!rig.ticks->running);
        QVERIFY(transport->sent.isEmpty());
    }

    void sendErrorEndsTheRun()
    {
        TestPlatform platform;
        auto* transport = new ScriptedTransport;
        transport->failingSend = 2;
        Rig rig(1, 3, 1, QStringLiteral("127.0.0.1"), 53, transport);
        QSignalSpy failed(rig.run.get(), &CheckRun::sendFailed);
        platform.onMessage = [&](const TestPlatform::Message&) {
            QVERIFY(failed.isEmpty());
        };
        rig.run->start();
        rig.ticks->fire();
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(platform.messages.size(), 1);
        QCOMPARE(
            platform.messages.at(0).text,
            QStringLiteral("Error communicating with nameserver.\rCheck your settings under options->DNS options"));
        QCOMPARE(platform.messages.at(0).icon, Platform::Critical);
        QVERIFY(!rig.ticks->running);
        QCOMPARE(transport->sent.size(), 2);
        QCOMPARE(rig.table(1, 3).status, quint8(Pending));
    }

    // One message per error event; while one is open, ticks send nothing; after it the run goes on.
    void socketErrorHoldsTheRun()
    {
        TestPlatform platform;
        auto* transport = new ScriptedTransport;
        Rig rig(1, 4, 1, QStringLiteral("127.0.0.1"), 53, transport);
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
        QCOMPARE(platform.messages.at(1).icon, Platform::NoIcon);
        QCOMPARE(sentDuringBox, 0);
        // The ticks that came while the boxes were open count as one.
        QCOMPARE(transport->sent.size(), 2);
        rig.ticks->fire();
        QCOMPARE(transport->sent.size(), 3);
        QCOMPARE(rig.run->state(), CheckRun::State::Running);
    }

    void queryIdToCell()
    {
        // Two bare names under eight suffixes: 1 and 2 under the first, up to 15 and 16 under the last.
        QCOMPARE(CheckRun::cellOfQueryId(1, 8, 2)->column, 1);
        QCOMPARE(CheckRun::cellOfQueryId(4, 8, 2)->row, 2);
        QCOMPARE(CheckRun::cellOfQueryId(15, 8, 2)->column, 8);
        QCOMPARE(CheckRun::cellOfQueryId(15, 8, 2)->row, 1);
        for (const int id : {0, 17, 32768, 65535})
            QVERIFY(!CheckRun::cellOfQueryId(id, 8, 2));
        QVERIFY(!CheckRun::cellOfQueryId(1, 0, 2));
    }
};

QTEST_GUILESS_MAIN(TestCheckRun)
#include "tst_checkrun.moc"

#include "support/FakeWhoisServer.h"
#include "support/RunFixture.h"
#include "whois/WhoisClient.h"
#include "whois/frmWhois.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

using Mode = FakeWhoisServer::Mode;
using Script = FakeWhoisServer::Script;

// Windows closed and the program ended at every moment of a run and of a lookup, and Check pressed over and over.
// Run under the sanitizers, these catch use of freed memory and leaks; here they check that nothing goes on
// afterwards and that the next Check starts afresh.
class TestLifecycle : public QObject, RunFixture
{
    Q_OBJECT

    std::function<void()> m_onTick; // runs inside a tick, before the run sees it

    void fire(int ticks)
    {
        for (int i = 0; i < ticks && m_ticks; ++i)
            m_ticks->fire();
    }

    static void act(const QString& how)
    {
        if (how == "cancel") {
            if (frmResults* results = Forms::resultsIfLoaded())
                QTest::mouseClick(results->butCancelOk, Qt::LeftButton);
        } else if (how == "escape") {
            if (frmResults* results = Forms::resultsIfLoaded())
                QTest::keyClick(results, Qt::Key_Escape);
        } else if (how == "exit") {
            if (frmResults* results = Forms::resultsIfLoaded())
                results->mnuExit->trigger();
        } else if (how == "close results") {
            if (frmResults* results = Forms::resultsIfLoaded())
                results->close();
        } else if (how == "close lookup") {
            if (frmWhois* whois = Forms::whoisIfLoaded())
                whois->close();
        } else if (how == "close main") {
            Forms::main()->close();
            Forms::destroyAll();
        } else {
            Utils::QuitApplication();
            Forms::destroyAll();
        }
    }

private Q_SLOTS:
    void init()
    {
        setUpRun(1);
        Utils::DomainTable[0] = {QStringLiteral("com"), {}, {}, {}, 1, {}, QStringLiteral("127.0.0.1")};
        m_onTick = {};
        // Connected before the run connects: it runs first.
        m_onTicksMade = [this](ManualTickSource* ticks) {
            connect(ticks, &TickSource::tick, this, [this] {
                if (m_onTick)
                    std::exchange(m_onTick, {})();
            });
        };
    }
    void cleanup() { tearDownRun(); }

    void runEndsAtAnyMoment_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::addColumn<QString>("how");
        for (const char* phase : {"resolving", "first tick", "inside a tick", "sending", "pause", "drain",
                                  "inside the completion message", "whois", "done"}) {
            QStringList ways = {"quit", "close main", "cancel", "close results"};
            if (QByteArray("resolving sending pause drain whois").contains(phase))
                ways += {"escape", "exit"};
            for (const QString& how : ways)
                QTest::addRow("%s, %s", phase, qPrintable(how)) << phase << how;
        }
    }

    void runEndsAtAnyMoment()
    {
        QFETCH(QString, phase);
        QFETCH(QString, how);
        Utils::AppSettings.ConfirmWhois = phase == "whois";
        // The confirmation asks a server that keeps the question open.
        FakeWhoisServer whois;
        QVERIFY(whois.start());
        whois.setDefaultScript(Script{Mode::Hang, {}, 1, 0});
        WhoisConfirmation::limits = {whois.port(), 5000, 60 * 1000};
        if (phase == "whois")
            m_ns->freeNames = {QStringLiteral("ab.com")};
        if (phase == "resolving") {
            Utils::AppSettings.NameServer = QStringLiteral("localhost");
            QVERIFY(m_ns->alsoListenOn(QHostAddress::LocalHostIPv6));
        }
        if (phase == "inside the completion message") {
            // Every question refused: the run completes and says so in a message box.
            m_ns->responder = [](const FakeNameServer::Query& query) {
                return std::optional<QByteArray>(FakeNameServer::replyFor(query.datagram, 5));
            };
            m_platform->onMessage = [how](const TestPlatform::Message&) {
                act(how);
            };
        } else {
            m_ns->answering = phase != "sending" && phase != "pause" && phase != "drain";
        }

        if (how == "escape") {
            Forms::results()->show();
            QVERIFY(QTest::qWaitForWindowActive(Forms::results()));
        }
        QPointer<frmResults> results = check(QStringLiteral("ab cd"));
        QVERIFY(results);
        QPointer<CheckRun> run = results->currentRun();
        const int cells = 16;
        int sent = 0;
        if (phase == "inside a tick") {
            m_onTick = [how, &sent, run] {
                sent = run->queriesSent();
                act(how);
            };
            fire(1);
        } else if (phase != "resolving" && phase != "first tick") {
            // Each reply in before the next tick.
            const int ticks = phase == "sending" ? 5 : phase == "pause" ? 17 : phase == "drain" ? 22 : 40;
            for (int i = 0; i < ticks && run; ++i) {
                const auto answered = [&] {
                    return !run || run->repliesReceived() + run->refusalsReceived() >= run->queriesSent();
                };
                if (m_ns->answering)
                    QVERIFY(QTest::qWaitFor(answered, 5000));
                fire(1);
            }
        }
        if (phase == "inside the completion message") {
            QTRY_COMPARE(m_platform->messages.size(), 1);
            sent = cells;
        } else {
            if (phase != "inside a tick")
                sent = run ? run->queriesSent() : 0;
            if (phase == "whois")
                QTRY_VERIFY(whois.requests.size() == 1 && results->WhoisPhase);
            if (phase == "done")
                QTRY_COMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
            else if (phase != "inside a tick")
                QVERIFY(results->isBusy());
            if (phase != "inside a tick")
                act(how);
        }

        QTRY_VERIFY(!Forms::resultsIfLoaded());
        QVERIFY(!run);
        QVERIFY(!m_ticks);
        // Exit lets pending events run first: the name may resolve and the first query leave meanwhile.
        if (phase == "resolving" && how == "exit" && QTest::qWaitFor([this] { return !m_ns->queries.isEmpty(); }, 50))
            sent = 1;
        // Nothing of the completion happens after the window ends the run.
        if (how != "quit" && how != "close main" &&
            QByteArray("resolving sending pause drain").contains(phase.toLatin1()))
            QVERIFY(Utils::CheckRunning && CheckResults(1, 1).status == Pending);
        // What was sent arrives; nothing more follows.
        QTRY_COMPARE(m_ns->queries.size(), qsizetype(sent));
        QTest::qWait(30);
        QCOMPARE(m_ns->queries.size(), qsizetype(sent));
        if (how == "quit" || how == "close main")
            QCOMPARE(m_platform->quits, QList<int>{0});

        // The next Check starts afresh.
        m_platform->onMessage = {};
        m_ns->responder = {};
        m_ns->answering = true;
        m_ns->queries.clear();
        Utils::AppSettings.ConfirmWhois = false;
        results = check(QStringLiteral("ef"));
        QVERIFY(results && results->isBusy());
        QTRY_VERIFY(!m_ns->queries.isEmpty());
        QCOMPARE(m_ns->queries.first().name, QStringLiteral("ef.com"));
    }

    void checkPressedOverAndOver()
    {
        // Check, a few ticks, then Cancel, the close box or Check again, many times in a row.
        for (int round = 0; round < 24; ++round) {
            QPointer<frmResults> results = check(QStringLiteral("r%1 s%1").arg(round));
            QVERIFY(results);
            QPointer<CheckRun> run = results->currentRun();
            QVERIFY(run);
            fire(round % 4);
            // Pressed again while busy: the same run goes on.
            QTest::mouseClick(Forms::main()->activate, Qt::LeftButton);
            QCOMPARE(Forms::resultsIfLoaded(), results.data());
            QCOMPARE(results->currentRun(), run.data());
            if (round % 3 == 0)
                act("cancel");
            else if (round % 3 == 1)
                act("close results");
            else
                results->mnuExit->trigger();
            QTRY_VERIFY(!results && !run);
        }
        // Nothing of the earlier runs goes on, and the last run is whole.
        m_ns->queries.clear();
        frmResults* results = check(QStringLiteral("last"));
        for (int i = 0; i < 30 && results->isBusy(); ++i) {
            QTest::qWait(2);
            fire(1);
        }
        QTRY_COMPARE(results->butCancelOk->text(), QStringLiteral("Close"));
        for (const FakeNameServer::Query& query : std::as_const(m_ns->queries))
            QVERIFY2(query.name.startsWith(QStringLiteral("last.")), qPrintable(query.name));
        QCOMPARE(m_ns->queries.size(), 8);
    }

    void lookupEndsAtAnyMoment_data()
    {
        QTest::addColumn<QString>("phase");
        QTest::addColumn<QString>("how");
        for (const char* phase :
             {"connecting", "waiting", "mid-reply", "inside the connect message", "inside the read message"}) {
            for (const char* how : {"close lookup", "quit", "close main"})
                QTest::addRow("%s, %s", phase, how) << phase << how;
        }
    }

    void lookupEndsAtAnyMoment()
    {
        QFETCH(QString, phase);
        QFETCH(QString, how);
        FakeWhoisServer server;
        if (phase == "connecting") {
            QVERIFY(server.startStalled());
            QTRY_VERIFY_WITH_TIMEOUT(server.stalled(), 10000);
        } else {
            QVERIFY(server.start());
            server.setDefaultScript(phase == "mid-reply" ? Script{Mode::Trickle, QByteArray(4000, 'x'), 1, 0}
                                                         : Script{Mode::Hang, {}, 1, 0});
        }
        QSignalSpy request(&server, &FakeWhoisServer::requestReceived);
        QSignalSpy closed(&server, &FakeWhoisServer::connectionClosed);
        QPointer<frmWhois> window = Forms::whois();
        window->Whois1->setPort(phase == "inside the connect message" ? FakeWhoisServer::refusedPort() : server.port());
        window->Whois1->setTimeLimits(phase == "connecting" ? 5000 : 300, phase == "waiting" ? 10000 : 400);
        window->show();
        if (phase.startsWith("inside"))
            m_platform->onMessage = [how](const TestPlatform::Message&) {
                act(how);
            };
        window->WhoisString->setText(QStringLiteral("example.com"));
        QTest::mouseClick(window->btnLookup, Qt::LeftButton);

        if (phase == "waiting")
            QVERIFY(request.wait(10000));
        else if (phase == "mid-reply")
            QTRY_VERIFY_WITH_TIMEOUT(window->WhoisOutput->toPlainText().size() > 10, 10000);
        if (phase.startsWith("inside"))
            QTRY_COMPARE_WITH_TIMEOUT(m_platform->messages.size(), 1, 10000);
        else
            act(how);
        QTRY_VERIFY(!window);
        if (phase == "waiting" || phase == "mid-reply")
            QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 10000);
        QCOMPARE(m_platform->messages.size(), phase.startsWith("inside") ? 1 : 0);
    }
};

QTEST_MAIN(TestLifecycle)
#include "tst_lifecycle.moc"

#include "core/Units.h"
#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "results/ResultGrid.h"
#include "results/frmResults.h"
#include "support/FakeServer.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/gui/GuiSuite.h"

// The results window's wiring: a run and its confirmation shown as they go, its answers to the user, its ends.
class TestResultsWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestDesktop> m_desktop;
    std::unique_ptr<RunDriver> m_driver;
    QPointer<frmResults> m_window;
    FakeServer m_whois;

    void check(const QStringList& names)
    {
        std::copy(names.begin(), names.end(), Utils::CheckList.begin());
        Utils::CheckCount = qint16(names.size());
        Utils::CheckRunning = true;
        m_window = new frmResults;
        m_window->show();
        m_window->GetData();
    }
    bool finish() { return m_window->currentRun() && m_driver->finish(m_window->currentRun()); }
    QString shown() const
    {
        QString out;
        for (int r = 1; r <= m_window->Resultgrid->rowCount(); ++r)
            out += QString::number(m_window->Resultgrid->shownStatus(1, r));
        return out;
    }
    bool menusEnabled() const { return m_window->mnuFile->menuAction()->isEnabled(); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_whois.start()); }
    void init()
    {
        resetAll(m_dir.path());
        m_desktop = std::make_unique<TestDesktop>();
        m_driver = std::make_unique<RunDriver>();
        Utils::AppSettings = {"127.0.0.1", 5, 2, false, false, false};
        loadTable({"int;I;;;", "com;C;http://reg;;127.0.0.1"});
        m_driver->ns.freeNames = {"b.com"};
        m_driver->ns.silentNames = {"c.zz"};
        WhoisConfirmation::limits.port = m_whois.port();
        m_whois.requests.clear();
    }
    void cleanup()
    {
        delete m_window;
        m_driver.reset();
        m_desktop.reset();
    }

    void run()
    {
        check({"a.com", "b.com", "c.zz"});
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Orlevan results"));
        QCOMPARE(m_window->ProgressBar->maximum(), 4);
        QCOMPARE(m_window->ProgressBar->text(), QStringLiteral("Checking Domains"));
        QVERIFY(!menusEnabled());
        QVERIFY(m_driver->finish(m_window->currentRun(), [&] {
            // Painted as the answers come; the popup is the program's own until the end.
            m_window->Resultgrid->setCurrentCell(0, 0);
            return !m_window->mnuPopup->isVisible();
        }));
        QCOMPARE(shown(), QStringLiteral("123"));
        QCOMPARE(m_window->butCancelOk->text(), QStringLiteral("Close"));
        QVERIFY(menusEnabled() && !m_window->ProgressBar->isVisible() && !Utils::CheckRunning);
        QCOMPARE(m_window->RepliesReceived, qint16(2));

        m_window->Resultgrid->setCurrentCell(0, 0);
        QVERIFY(m_window->mnuPopup->isVisible());
        QCOMPARE(m_window->mnuTitle->text(), QStringLiteral("a.com is unavailable."));
        m_window->mnuPopup->close();
        QSignalSpy lookup(m_window, &frmResults::whoisLookupRequested);
        m_window->mnuWww->trigger();
        m_window->mnuGoto->trigger();
        m_window->mnuWhois2->trigger();
        QCOMPARE(m_desktop->openedUrls, (QStringList{"www.a.com", "http://reg"}));
        QCOMPARE(lookup.value(0).value(0).toString(), QStringLiteral("a.com"));
        m_window->mnuCopy->trigger();
        QCOMPARE(m_desktop->clipboard.value(0), QStringLiteral("a.com is unavailable.\r\nb.com is available (check "
                                                               "http://reg)\r\nc.zz was not checked.\r\n"));
        QCOMPARE(m_desktop->texts(), QStringList{"Results have been copied to the clipboard."});
    }

    // Names in their own script are asked in ASCII and shown as typed; the results can be kept in a file.
    void ownScriptAndSave()
    {
        Utils::TypedNames = {QString::fromUtf8("münchen.de")};
        m_driver->ns.freeNames = {"xn--mnchen-3ya.de"};
        check({"xn--mnchen-3ya.de"});
        QVERIFY(finish());
        QCOMPARE(m_window->Resultgrid->verticalHeaderItem(0)->text(),
                 QString::fromUtf8("münchen.de (xn--mnchen-3ya.de)"));
        QCOMPARE(m_driver->ns.queries.last().name, QStringLiteral("xn--mnchen-3ya.de"));
        QFile(m_dir.path() + "/file").open(QIODevice::WriteOnly);
        m_desktop->saveAnswers = {m_dir.path() + "/file/r.csv", m_dir.path() + "/r.csv"};
        m_window->mnuSave->trigger();
        QVERIFY(m_window && m_desktop->texts().value(0).startsWith("The results could not be saved to:"));
        m_window->mnuSave->trigger();
        m_window->mnuSave->trigger(); // cancelled: the folder of the last save is offered
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QCOMPARE(m_desktop->saveSuggestions,
                 QStringList({documents + "/orlevan-results.csv", documents + "/orlevan-results.csv",
                              m_dir.path() + "/orlevan-results.csv"}));
        QFile saved(m_dir.path() + "/r.csv");
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll().split('\n').value(1),
                 QString::fromUtf8("münchen.de,xn--mnchen-3ya.de,free,DNS,\r").toUtf8());
    }

    void confirmation()
    {
        m_whois.setDefault({FakeServer::Mode::Reply, "Domain: B.COM\r\n"});
        Utils::AppSettings.ConfirmWhois = true;
        check({"a.com", "b.com"});
        QVERIFY(finish());
        QVERIFY(m_window->WhoisPhase() && menusEnabled());
        QCOMPARE(m_window->butCancelOk->text(), QStringLiteral("Cancel"));
        QTRY_COMPARE(m_window->butCancelOk->text(), QStringLiteral("Close"));
        QCOMPARE(shown(), QStringLiteral("11"));
        QCOMPARE(m_whois.heads(), QList<QByteArray>{"b.com\r\n"});
    }

    // However the user ends the window, whatever it is doing, nothing more goes out.
    void ends_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("confirming");
        for (const char* how : {"button", "escape", "close box", "exit"}) {
            QTest::addRow("%s in the run", how) << how << false;
            QTest::addRow("%s in the confirmation", how) << how << true;
        }
    }
    void ends()
    {
        QFETCH(QString, how);
        QFETCH(bool, confirming);
        m_whois.setDefault({FakeServer::Mode::Hang, {}});
        Utils::AppSettings.ConfirmWhois = true;
        check({"a.com", "b.com", "b.com"});
        QVERIFY(confirming ? finish() && QTest::qWaitFor([&] { return m_whois.requests.size() == 1; }, 5000)
                           : m_driver->settle(m_window->currentRun()));
        QSignalSpy closed(&m_whois, &FakeServer::connectionClosed);
        if (how == "button")
            m_window->butCancelOk->click();
        else if (how == "escape")
            QTest::keyClick(m_window, Qt::Key_Escape);
        else if (how == "close box")
            m_window->close();
        else
            m_window->mnuExit->trigger();
        QTRY_VERIFY(!m_window);
        QCOMPARE(m_driver->ns.queries.size(), confirming ? 4 : 1); // a made-up name first
        QTRY_COMPARE(closed.size(), confirming ? 1 : 0);
        QCOMPARE(m_whois.requests.size(), confirming ? 1 : 0);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<int>("failingSend");
        QTest::newRow("network: the window stays as it was") << "" << -1;
        QTest::newRow("send error: the window closes") << "127.0.0.1" << 2;
    }
    void failures()
    {
        QFETCH(QString, server);
        QFETCH(int, failingSend);
        Utils::AppSettings.NameServer = server;
        CheckRun::transportFactory = [failingSend] {
            auto transport = std::make_unique<ScriptedTransport>();
            transport->failingSend = failingSend;
            return transport;
        };
        check({"a.com", "b.com"});
        m_driver->ticks->fire();
        QTRY_COMPARE(m_desktop->messages.size(), 1);
        QTRY_COMPARE(bool(m_window), failingSend < 0);
        if (m_window) {
            QCOMPARE(m_window->butCancelOk->text(), QStringLiteral("Cancel"));
            QVERIFY(!menusEnabled() && m_window->ProgressBar->isVisible());
        }
    }

    void refused()
    {
        QStringList names;
        for (int i = 0; i < 2048; ++i)
            names.append(QStringLiteral("n%1.com").arg(i));
        check(names);
        QTRY_VERIFY(!m_window);
        QCOMPARE(m_desktop->messages.value(0).icon, Platform::Critical);
        QVERIFY(m_driver->ns.queries.isEmpty());
    }

    void resizeRule()
    {
        check({"a.com"});
        QVERIFY(finish());
        const double dpi = m_window->logicalDpiY();
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        const auto outer = [&](double w, double h) {
            m_window->resize(Units::toPixels(w, dpi) - frame.width(), Units::toPixels(h, dpi) - frame.height());
        };
        const auto px = [&](int outerPixels, double less) {
            return Units::toPixels(Units::toTwips(outerPixels, dpi) - less, dpi);
        };
        outer(2400, 1400);
        QCOMPARE(m_window->butCancelOk->y(), px(m_window->frameGeometry().height(), 1100));
        QCOMPARE(m_window->ProgressBar->width(), px(m_window->frameGeometry().width(), 1480));
        const int placed = m_window->butCancelOk->y();
        outer(2400, 1290); // too low: the controls stay
        QCOMPARE(m_window->butCancelOk->y(), placed);
        m_window->showMaximized(); // maximised: they stay as well
        QTRY_VERIFY(m_window->isMaximized());
        QCOMPARE(m_window->butCancelOk->y(), placed);
    }
};

QTEST_MAIN(TestResultsWindow)
#include "tst_results_gui.moc"

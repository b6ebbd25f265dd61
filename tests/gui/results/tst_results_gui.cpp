#include "core/Units.h"
#include "core/Utils.h"
#include "dns/CheckRun.h"
#include "gui/results/CellPictures.h"
#include "gui/results/CellPopup.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/frmDetails.h"
#include "gui/results/frmResults.h"
#include "support/FakeServer.h"
#include "support/RunDriver.h"
#include "support/ScriptedTransport.h"
#include "support/gui/GuiSuite.h"
#include "whois/RdapBootstrap.h"
#include "whois/RdapDomain.h"

#include <QScreen>
#include <QScrollBar>

// The results window's wiring: a run and its confirmation shown as they go, its answers to the user, its ends.
class TestResultsWindow : public GuiSuite
{
    Q_OBJECT

    std::unique_ptr<RunDriver> m_driver;
    QPointer<frmResults> m_window;
    FakeServer m_whois;
    Check::Io m_io;

    // Complete names, each with its registry as the domain table and the shipped RDAP directory know it.
    void check(const QStringList& names, const QStringList& typed = {}, const QStringList& suffixes = {},
               const std::optional<QPoint>& at = {})
    {
        Candidates::Result list;
        list.verdict = Candidates::Verdict::Accepted;
        list.names = names;
        list.typed = typed.isEmpty() ? names : typed;
        list.bareNames = !suffixes.isEmpty();
        m_window = new frmResults;
        m_window->show();
        if (at)
            m_window->move(*at);
        m_window->GetData(new Check(
            Check::Inputs::ofProgram(list, suffixes, false, Utils::AppSettings, m_driver->ns.port(), m_io.rdap), m_io));
    }
    void enterCell(int row, int column)
    {
        m_window->Resultgrid->setCurrentIndex(m_window->Resultgrid->model()->index(row, column));
    }
    CheckRun* currentRun() const { return m_window->check() ? m_window->check()->run() : nullptr; }
    bool finish() { return currentRun() && m_driver->finish(currentRun()); }
    QString shown() const
    {
        QStringList out;
        for (int r = 1; r <= m_window->Resultgrid->rowCount(); ++r)
            out +=
                QStringList{"pending", "taken", "free", "not checked"}.value(m_window->Resultgrid->shownStatus(1, r));
        return out.join(", ");
    }
    bool menusEnabled() const { return m_window->mnuFile->menuAction()->isEnabled(); }

    void setUp() override
    {
        delete m_window;
        m_driver.reset(); // before the next one aims the runs
        m_driver = std::make_unique<RunDriver>();
        Utils::AppSettings = {"127.0.0.1", 5, 2, false, false, false};
        loadTable({"int;I;;;", "com;C;http://reg;;127.0.0.1"});
        m_driver->ns.freeNames = {"b.com"};
        m_driver->ns.silentNames = {"c.zz"};
        m_io = {};
        m_io.dns = m_driver->io();
        m_io.whois.port = m_whois.port();
        m_whois.requests.clear();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_whois.start()); }

    void run()
    {
        check({"a.com", "b.com", "c.zz"});
        QCOMPARE(m_window->ProgressBar->maximum(), 4);
        QVERIFY(!menusEnabled());
        bool tried = false, paintedDuringRun = false;
        QVERIFY(m_driver->finish(currentRun(), [&] {
            // Painted as the answers come; the popup is the program's own until the end.
            // An answer below the first row shows within a frame or so, while the run still goes on.
            if (!tried && m_window->check()->repliesReceived() > 1) {
                tried = true;
                paintedDuringRun = QTest::qWaitFor([&] {
                    return m_window->ProgressBar->value() > 0 && m_window->Resultgrid->shownStatus(1, 2) == Free &&
                           m_window->check()->running();
                });
            }
            enterCell(0, 0);
            return !m_window->mnuPopup->isVisible();
        }));
        QVERIFY(paintedDuringRun);
        QCOMPARE(shown(), QStringLiteral("taken, free, not checked"));
        const QImage tick = CellPictures::free().toImage(), question = CellPictures::unknown().toImage();
        QCOMPARE(QList<QColor>({tick.pixelColor(7, 12), tick.pixelColor(15, 3), question.pixelColor(10, 14)}),
                 QList<QColor>({QColor(0, 145, 113), QColor(0, 145, 113), QColor(50, 16, 222)})); // tick, question
        QCOMPARE(textsOf(m_window), "Orlevan results\nProgressBar: 1 free \u00b7 1 taken \u00b7 1 not "
                                    "checked\nbutCancelOk: Close\nmnuCopy: &Copy "
                                    "list to Clipboard\nmnuDetails: Registration &details... | Registration "
                                    "details\nmnuEdit: &Edit\nmnuExit: E&xit\nmnuFile: &File\nmnuPopup: "
                                    "Popup\nmnuSave: &Save results... | Save results\nmnuTools: &Tools\nmnuWhois: "
                                    "&Whois Lookup");
        QVERIFY(menusEnabled() && !m_window->check()->running());

        enterCell(0, 0);
        QVERIFY(m_window->mnuPopup->isVisible());
        QCOMPARE(m_window->mnuPopup->mnuTitle->text(), QStringLiteral("a.com is unavailable."));
        QCOMPARE(m_window->mnuPopup->mnuWatch->text() + (m_window->mnuPopup->mnuWatch->isVisible() ? " (shown)" : ""),
                 "Watch a.com (shown)");
        QVERIFY(m_window->mnuPopup->mnuTitle->isEnabled()); // the title reads as black, not greyed
        const QAction* why = m_window->mnuPopup->mnuReason;
        QVERIFY(!why->isVisible());
        m_window->mnuPopup->close();
        enterCell(1, 0); // a free name is not watched
        QVERIFY(!m_window->mnuPopup->mnuWatch->isVisible());
        m_window->mnuPopup->close();
        enterCell(2, 0); // a line to read, not an action
        QCOMPARE(why->text() + (why->isVisible() && !why->isEnabled() ? " (shown)" : ""), "Why: no answer (shown)");
        QVERIFY(!m_window->mnuPopup->mnuGoto->isEnabled()); // .zz has no registration site, unlike .com
        enterCell(0, 0);
        QTest::keyClick(m_window->mnuPopup, Qt::Key_Escape); // the keys of a menu work as in any
        QVERIFY(!m_window->mnuPopup->isVisible());
        QSignalSpy watch(m_window->mnuPopup, &CellPopup::watchRequested);
        m_window->mnuPopup->mnuWatch->trigger();
        QSignalSpy lookup(m_window, &frmResults::whoisLookupRequested);
        m_window->mnuPopup->mnuWww->trigger();
        m_window->mnuPopup->mnuGoto->trigger();
        m_window->mnuPopup->mnuWhois2->trigger();
        QCOMPARE(m_desktop->openedUrls, (QStringList{"www.a.com", "http://reg"}));
        QCOMPARE(lookup.value(0).value(0).toString(), QStringLiteral("a.com"));
        QCOMPARE(watch.value(0), (QVariantList{"a.com", "a.com"}));
        m_window->mnuCopy->trigger();
        QVERIFY(m_desktop->clipboard.value(0).startsWith("a.com is unavailable.\r\nb.com is available"));
        QCOMPARE(m_desktop->texts(), QStringList{"Results have been copied to the clipboard."});
        m_desktop->noBrowser = true; // the address is shown and put where it can be pasted
        m_window->mnuPopup->mnuGoto->trigger();
        QCOMPARE(m_desktop->texts().value(1), "No program could open the web address\rhttp://reg\rIt has been copied "
                                              "to the clipboard, so that you can paste it into a web browser.");
        QCOMPARE(m_desktop->clipboard.value(1), "http://reg");
        // A cell's own domain: from its popup, or with Ctrl+C on the current cell.
        QCOMPARE(m_window->mnuPopup->mnuCopyDomain->text(), "&Copy a.com");
        m_window->mnuPopup->mnuCopyDomain->trigger();
        enterCell(1, 0);
        QTest::keyClick(m_window->mnuPopup, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(!m_window->mnuPopup->isVisible());
        enterCell(2, 0);
        m_window->mnuPopup->close();
        QTest::keyClick(m_window->Resultgrid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(m_desktop->clipboard.mid(2), (QStringList{"a.com", "b.com", "c.zz"}));
    }

    // A taken name's registration details, from its registry's service over HTTPS: shown, or why not and WHOIS
    // offered; Cancel stops the question.
    void details_data()
    {
        QTest::addColumn<int>("status"); // 0: the server never answers; -1: nor is it waited for
        QTest::addColumn<QString>("state");
        QTest::newRow("taken") << 200 << "The registry's answer, from 127.0.0.1:";
        QTest::newRow("not found") << 404 << "127.0.0.1 has no record of a.com (not found).";
        QTest::newRow("server error") << 500 << "127.0.0.1 could not answer (HTTP 500).";
        QTest::newRow("refused") << 403 << "127.0.0.1 refused to answer (HTTP 403).";
        QTest::newRow("too many requests") << 429 << "127.0.0.1 has had too many requests; try again in a while.";
        QTest::newRow("hang") << 0 << "No answer came from 127.0.0.1.";
        QTest::newRow("cancel") << -1 << "Cancelled before an answer came.";
    }
    void details()
    {
        QFETCH(int, status);
        const QByteArray body =
            readFile(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/rdap-sample-200.json")
                .replace("\"handle\":\"1647\"", "\"links\":[{\"type\":\"text/html\",\"href\":\"https://r.example/\"}]");
        FakeServer rdap(true, true);
        QVERIFY(rdap.start());
        rdap.setDefault(status > 0 ? FakeServer::http(status, body, {{"Retry-After", "0"}})
                                   : FakeServer::Script{FakeServer::Mode::Hang, {}});
        QVERIFY(writeFile(Rdap::DirectoryFiles::program().shipped,
                          R"({"services":[[["com"],[")" + rdap.url("/").toUtf8() + R"("]]]})"));
        m_io.rdap.exchangeMs = status < 0 ? 60000 : 1500;
        check({"a.com", "b.com", "c.zz", "d.int"});
        QVERIFY(finish());
        enterCell(0, 0);
        m_window->mnuPopup->close();
        m_window->mnuPopup->mnuDetails->trigger();
        auto* window = m_window->findChild<frmDetails*>();
        QVERIFY(window && window->isVisible());
        QSignalSpy closed(&rdap, &FakeServer::connectionClosed);
        if (status < 0) {
            QTRY_COMPARE(rdap.requests.size(), 1);
            QCOMPARE(window->lblState->text() + ' ' + window->butCancel->text(),
                     "Asking 127.0.0.1 about a.com... Cancel");
            window->butCancel->click();
            QVERIFY(closed.wait(5000));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!window->waiting(), 10000);
        QTEST(window->lblState->text(), "state");
        if (status == 200) {
            QCOMPARE(window->txtDetails->toPlainText(),
                     RdapDomain::report(*RdapDomain::parse(body), "a.com", QDateTime::currentDateTime(), QLocale()));
            QTest::keyClick(window->txtDetails, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(window->txtDetails, Qt::Key_C, Qt::ControlModifier);
            QCOMPARE(QGuiApplication::clipboard()->text(), window->txtDetails->toPlainText());
            QCOMPARE(textsOf(window), "Registration details of a.com\nbutCancel: Close\nbutWatch: &Watch\nbutWhois: "
                                      "Lookup a.com with "
                                      "WHOIS\nlblLink: <a href=\"https://r.example/\">https://r.example/</a>\n"
                                      "lblState: The registry's answer, from 127.0.0.1:");
            QSignalSpy watch(m_window->mnuPopup, &CellPopup::watchRequested);
            window->butWatch->click();
            QCOMPARE(watch.value(0), (QVariantList{"a.com", "a.com"}));
            QVERIFY(window->lblLink->isVisible());
            Q_EMIT window->lblLink->linkActivated("https://r.example/");
            QCOMPARE(m_desktop->openedUrls, QStringList{"https://r.example/"});
            return;
        }
        QSignalSpy lookup(m_window, &frmResults::whoisLookupRequested);
        QVERIFY(window->butWhois->isVisible());
        window->butWhois->click();
        QCOMPARE(lookup.value(0).value(0).toString(), QStringLiteral("a.com"));
    }

    // Names in their own script are asked in ASCII and shown as typed; the results can be kept in a file.
    void ownScriptAndSave()
    {
        m_driver->ns.freeNames = {"xn--mnchen-3ya.de"};
        check({"xn--mnchen-3ya.de"}, {QString::fromUtf8("münchen.de")});
        QVERIFY(finish());
        QCOMPARE(m_window->Resultgrid->rowHeading(1), QString::fromUtf8("münchen.de (xn--mnchen-3ya.de)"));
        writeFile(m_dir.path() + "/file", {}); // where a folder should be
        m_desktop->saveAnswers = {m_dir.path() + "/file/r.csv", m_dir.path() + "/r.csv"};
        // First the home folder while it has no documents folder, then that; then the folder of the last save.
        const QString home = m_dir.path() + "/home", documents = home + "/Documents";
        const QByteArray userHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + "/.config"));
        QVERIFY(QDir().mkpath(home));
        m_window->mnuSave->trigger();
        QVERIFY(m_window && m_desktop->texts().value(0).startsWith("The results could not be saved to:"));
        QVERIFY(QDir().mkpath(documents));
        m_window->mnuSave->trigger();
        m_window->mnuSave->trigger(); // cancelled
        qputenv("HOME", userHome);
        QCOMPARE(m_desktop->saveSuggestions,
                 QStringList({home + "/orlevan-results.csv", documents + "/orlevan-results.csv",
                              m_dir.path() + "/orlevan-results.csv"}));
        QCOMPARE(readFile(m_dir.path() + "/r.csv").split('\n').value(1),
                 QString::fromUtf8("münchen.de,xn--mnchen-3ya.de,free,DNS,,\r").toUtf8());
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
        if (confirming) // the first free one is taken after all, and shows so at once
            m_whois.answer({FakeServer::Mode::Reply, "Domain Name: B.COM\r\n"});
        check({"a.com", "b.com", "b.com"});
        QVERIFY(confirming ? finish() && QTest::qWaitFor([&] { return m_whois.requests.size() == 2; }, 5000) &&
                                 shown() == "taken, taken, free"
                           : m_driver->settle(currentRun()));
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
        QCOMPARE(m_driver->ns.queries.size(), confirming ? 5 : 1); // a made-up name first, com itself next
        QTRY_COMPARE(closed.size(), confirming ? 1 : 0);
        QCOMPARE(m_whois.requests.size(), confirming ? 2 : 0);
    }

    // How the Check's failures reach the user (their texts are the Check's), and what becomes of the window.
    void failures_data()
    {
        QTest::addColumn<QString>("socket"); // empty: no name server at all
        QTest::addColumn<int>("icon");
        QTest::addColumn<bool>("windowStays");
        QTest::newRow("no network: the window stays as it was") << "" << int(Platform::Critical) << true;
        QTest::newRow("send error: the window closes") << "send 2" << int(Platform::Critical) << false;
        QTest::newRow("socket error: the run goes on") << "error" << int(Platform::NoIcon) << true;
        QTest::newRow("too many: the window closes") << "too many" << int(Platform::Critical) << false;
    }
    void failures()
    {
        QFETCH(QString, socket);
        QFETCH(bool, windowStays);
        if (socket.isEmpty())
            Utils::AppSettings.NameServer.clear();
        QPointer<ScriptedTransport> transport;
        m_io.dns.transport = [&] {
            auto made = std::make_unique<ScriptedTransport>();
            made->failingSend = socket == "send 2" ? 2 : -1;
            return std::unique_ptr<DnsTransport>(transport = made.release());
        };
        check(socket == "too many" ? QString(" x.com").repeated(2048).split(' ', Qt::SkipEmptyParts)
                                   : QStringList{"a.com", "b.com"});
        qsizetype sentUnderBox = -1;
        m_desktop->whileShown = [&] {
            const qsizetype before = transport ? transport->sent.size() : 0;
            for (int i = 0; i < 3 && m_driver->ticks; ++i)
                m_driver->ticks->fire();
            sentUnderBox = (transport ? transport->sent.size() : 0) - before;
        };
        if (transport && socket == "error")
            transport->raiseError();
        for (int i = 0; i < 6 && m_driver->ticks; ++i)
            m_driver->ticks->fire();
        QTRY_COMPARE(m_desktop->messages.size(), 1);
        QTEST(int(m_desktop->messages.first().icon), "icon");
        QCOMPARE(sentUnderBox, 0);
        m_desktop->whileShown = {};
        QTRY_COMPARE(bool(m_window), windowStays);
        if (m_window && socket == "error") { // once the box is closed, the run goes on
            const qsizetype before = transport->sent.size();
            m_driver->ticks->fire();
            QCOMPARE(transport->sent.size(), before + 1);
            currentRun()->release(); // a release too many takes back no later hold
            currentRun()->hold();
            m_driver->ticks->fire();
            QCOMPARE(transport->sent.size(), before + 1);
        }
        if (m_window && socket.isEmpty()) {
            QCOMPARE(m_window->butCancelOk->text(), QStringLiteral("Cancel"));
            QCOMPARE(m_window->ProgressBar->format(), QStringLiteral("Cannot initialize the network"));
            QVERIFY(!menusEnabled() && m_window->ProgressBar->isVisible());
        }
    }

    // Wider than the screen allows: the window keeps to it, inside the work area where it was opened near its
    // corner, and the row shows above the horizontal scroll bar.
    void tooWideForTheScreen()
    {
        QStringList suffixes;
        for (int i = 0; i < 150; ++i)
            suffixes.append(QStringLiteral("s%1").arg(i));
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        check({"zzqwx"}, {}, suffixes, work.bottomRight() - QPoint(50, 20));
        const QTableView* grid = m_window->Resultgrid;
        QVERIFY(grid->horizontalScrollBar()->isVisibleTo(m_window));
        QVERIFY(m_window->frameGeometry().width() <= 0.9 * m_window->screen()->geometry().width());
        QCOMPARE(m_window->frameGeometry().bottomRight(), work.bottomRight());
        QCOMPARE(grid->rowAt(grid->viewport()->height() - 1), 0);
        QVERIFY(grid->viewport()->height() >= grid->rowHeight(0));
    }

    // Wider than the least window, narrower than the screen: the grid gets every row and column, no more.
    void fitsExactly()
    {
        QStringList suffixes;
        for (int i = 0; i < 12; ++i)
            suffixes.append(QStringLiteral("s%1").arg(i));
        check({"zzqwx", "zzqwy"}, {}, suffixes);
        const QTableView* grid = m_window->Resultgrid;
        const int frame = 2 * grid->frameWidth();
        QCOMPARE(grid->size(), QSize(grid->verticalHeader()->width() + grid->horizontalHeader()->length() + frame,
                                     grid->horizontalHeader()->height() + grid->verticalHeader()->length() + frame));
        QTRY_VERIFY(!grid->horizontalScrollBar()->isVisibleTo(m_window) &&
                    !grid->verticalScrollBar()->isVisibleTo(m_window));
    }

    void resizeRule()
    {
        check(QString("a.com ").repeated(20).split(' ', Qt::SkipEmptyParts));
        QVERIFY(finish());
        const double dpi = m_window->logicalDpiY();
        const QSize frame = m_window->frameGeometry().size() - m_window->size();
        m_window->resize(Units::toPixels(2400, dpi) - frame.width(), Units::toPixels(1400, dpi) - frame.height());
        const int placed = m_window->butCancelOk->y();
        QCOMPARE(placed, Units::toPixels(Units::toTwips(m_window->frameGeometry().height(), dpi) - 1100, dpi));
        m_window->Resultgrid->paint(1, 19); // out of sight: it becomes the current cell, the view stays
        QVERIFY(m_window->Resultgrid->currentIndex().row() == 18 &&
                m_window->Resultgrid->verticalScrollBar()->value() == 0);
        m_window->showMaximized(); // maximised: the controls stay
        QTRY_VERIFY(m_window->isMaximized());
        QCOMPARE(m_window->butCancelOk->y(), placed);
    }
};

QTEST_MAIN(TestResultsWindow)
#include "tst_results_gui.moc"

#include "core/Utils.h"
#include "core/WatchList.h"
#include "gui/app/Forms.h"
#include "gui/app/frmMain.h"
#include "gui/results/CellPopup.h"
#include "gui/results/frmDetails.h"
#include "gui/results/frmResults.h"
#include "gui/shell/frmTrayIcon.h"
#include "gui/watch/WatchedModel.h"
#include "gui/watch/Watcher.h"
#include "gui/watch/frmWatched.h"
#include "gui/whois/frmWhois.h"
#include "support/FakeNameServer.h"
#include "support/FakeServer.h"
#include "support/gui/GuiSuite.h"

#include <QDir>
#include <QTimer>

using State = WatchEntry::State;

// The watched names while the program runs: the window's rows and commands, the daily check, and how a change
// is told, against a name server, an RDAP service and a WHOIS server of the test's own on a clock of its own.
class TestWatchWindow : public GuiSuite
{
    Q_OBJECT

    std::unique_ptr<FakeNameServer> m_ns;
    std::unique_ptr<FakeServer> m_rdap, m_whois;
    QDateTime m_now;

    static WatchEntry entry(const QString& domain, State state, const QDateTime& checked)
    {
        WatchEntry e;
        e.domain = domain;
        e.ascii = QUrl::toAce(domain);
        e.state = state;
        e.checked = checked;
        return e;
    }
    static void store(const QList<WatchEntry>& entries)
    {
        QVERIFY(!WatchList().update([&](QList<WatchEntry>& list) { return list = entries, true; }));
    }
    static QString names()
    {
        QList<WatchEntry> list;
        WatchList().read(&list);
        QStringList out;
        for (const WatchEntry& e : list)
            out.append(e.domain + '=' + Watch::stateText(e.state));
        return out.join(' ');
    }
    static frmWatched* window() { return Forms::watchedIfLoaded(); }
    static QString row(int r) { return window()->model->rowTexts(r).join('|'); }

    void setUp() override
    {
        m_ns = std::make_unique<FakeNameServer>();
        m_rdap = std::make_unique<FakeServer>(true);
        m_whois = std::make_unique<FakeServer>();
        QVERIFY(m_rdap->start() && m_whois->start());
        m_rdap->setDefault(FakeServer::http(404, "{}"));
        m_whois->setDefault({FakeServer::Mode::Reply, "No match for \"X.ZZ\".\r\n"});
        writeDataFile(Utils::dataFilePath(), {"int;I;;;", "com;C;;;", "zz;Z;;;127.0.0.1"});
        loadTable({"int;I;;;", "com;C;;;", "zz;Z;;;127.0.0.1"});
        QVERIFY(writeFile(Utils::dataFolder() + "/rdap-dns.json",
                          R"({"publication":"2100-01-01T00:00:00Z","services":[[["com"],[")" + m_rdap->url().toUtf8() +
                              R"("]]]})"));
        Utils::AppSettings = {"127.0.0.1", 5, 1, false, false, false};
        m_now = QDateTime(QDate(2026, 12, 9), QTime(12, 0));
        Forms::Io& io = Forms::io();
        io.nameServerPort = m_ns->port();
        io.check.rdap.plainHttpAllowed = true;
        io.check.whois.port = m_whois->port();
        io.now = [this] {
            return m_now;
        };
        io.watchSpacingMs = 0;
    }

private Q_SLOTS:
    // Every column in words; the rows copied as they read; names removed and added, checked at once or stopped.
    void list()
    {
        WatchEntry alpha = entry("Alpha.com", State::Taken, m_now.addSecs(-7200));
        alpha.ascii = "alpha.com";
        alpha.registrar = "Example Registrar, Inc.";
        alpha.expires = QDate(2031, 3, 4);
        alpha.registryStatus = {"client transfer prohibited"};
        alpha.change = "renewed until 2031-03-04";
        alpha.changed = QDateTime(QDate(2026, 12, 1), QTime(7, 5));
        WatchEntry bucher = entry(QString::fromUtf8("bücher.com"), State::Taken, m_now.addSecs(-3600));
        bucher.expires = QDate(2026, 12, 6);
        bucher.registryStatus = {"redemption period", "pending delete"};
        WatchEntry held = entry("held.zz", State::Taken, m_now.addSecs(-60));
        held.expiryLines = {"Expiry date: 6 March 2031"};
        store({alpha, bucher, held, entry("beta.zz", State::Free, m_now.addSecs(-120))});
        // The last check is two hours old: the next daily one waits for the rest of the day.
        Forms::watcher()->start();
        QCOMPARE(Forms::watcher()->schedule().waitMs(), WatchSchedule::DayMs - 7200 * 1000);

        Forms::main()->mnuWatched->trigger();
        QVERIFY(window() && window()->isVisible());
        const QRect typed = window()->txtAdd->geometry(); // beside Add, above the list
        QVERIFY(typed.right() < window()->butAdd->x() && typed.bottom() < window()->lstWatched->y());
        QCOMPARE(window()->butCheck->x(), window()->lstWatched->x()); // the buttons under the list, from its left
        QCOMPARE(textsOf(window()), "Orlevan Watched names\nbutAdd: &Add\nbutCheck: Check now\nbutClose: "
                                    "&Close\nbutDetails: &Details...\nbutRemove: &Remove\nlblState: 4 names "
                                    "watched.\ntxtAdd:  | Complete domain names to watch, such as alpha.com");
        QStringList headings;
        for (int c = 0; c < window()->model->columnCount(); ++c)
            headings.append(window()->model->headerData(c, Qt::Horizontal).toString());
        QCOMPARE(headings.join('|'), "Domain|State|Registrar|Expires|Status|Last check|Last change");
        window()->lstWatched->setFocus();
        QTest::keyClick(window()->lstWatched, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window()->lstWatched, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(m_desktop->clipboard.value(0),
                 QString::fromUtf8("Alpha.com\ttaken\tExample Registrar, Inc.\t2031-03-04 (1546 days left)\tclient "
                                   "transfer prohibited\t2026-12-09 10:00\trenewed until 2031-03-04 (2026-12-01 "
                                   "07:05)\nbücher.com (xn--bcher-kva.com)\ttaken\t\t2026-12-06 (expired 3 days "
                                   "ago)\tredemption period, pending delete\t2026-12-09 11:00\t\n"
                                   "held.zz\ttaken\t\tExpiry date: 6 March 2031\t\t2026-12-09 11:59\t\n"
                                   "beta.zz\tfree\t\t\t\t2026-12-09 11:58\t\n"));
        Q_EMIT Forms::watcher()->listChanged(); // the list read again keeps the selection
        QCOMPARE(window()->lstWatched->selectionModel()->selectedRows().size(), 4);

        // The selected rows go; a bare name or a character no name may have is refused, typed forms go to ASCII.
        window()->lstWatched->selectionModel()->select(window()->model->index(1, 0),
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        window()->butRemove->click();
        QCOMPARE(names(), "Alpha.com=taken held.zz=taken beta.zz=free");
        QTest::keyClicks(window()->txtAdd, "delta");
        window()->butAdd->click();
        QTest::keyClicks(window()->txtAdd, " gamma.zz!");
        window()->butAdd->click();
        QCOMPARE(m_desktop->texts(),
                 (QStringList{"The watch list holds complete domain names such as delta.com, not delta.",
                              "Illegal characters encountered\rOnly characters allowed are letters, numbers and -"}));
        window()->txtAdd->setText(QString::fromUtf8("münchen.zz BETA.zz"));
        m_ns->freeNames = {"xn--mnchen-3ya.zz", "beta.zz"};
        QTest::keyClick(window()->txtAdd, Qt::Key_Return);
        QVERIFY(window()->txtAdd->text().isEmpty());
        QCOMPARE(window()->butCheck->text() + ' ' + window()->lblState->text(), "Stop Checking the watched names...");
        Forms::watcher()->checkAll(); // after this one
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::watcher()->checking(), 10000);
        QStringList asked; // the names typed, then every name
        for (const FakeNameServer::Query& query : std::as_const(m_ns->queries)) {
            if (query.name.contains('.') && !FakeNameServer::isMadeUp(query.name))
                asked.append(query.name);
        }
        QCOMPARE(asked.join(QLatin1Char(' ')), "beta.zz xn--mnchen-3ya.zz alpha.com held.zz beta.zz xn--mnchen-3ya.zz");
        QCOMPARE(row(3), QString::fromUtf8("münchen.zz (xn--mnchen-3ya.zz)|free||||2026-12-09 12:00|"));
        QCOMPARE(names(), QString::fromUtf8("Alpha.com=taken held.zz=taken beta.zz=free münchen.zz=free"));
        QCOMPARE(window()->lblState->text(), "4 names watched.");

        // Stopped at once: nothing more is asked, and every name keeps what was known.
        m_ns->silentNames = {"alpha.com"};
        window()->butCheck->click();
        QVERIFY(Forms::watcher()->checking());
        window()->butCheck->click();
        QCOMPARE(window()->butCheck->text(), "Check now");
        QCOMPARE(names(), QString::fromUtf8("Alpha.com=taken held.zz=taken beta.zz=free münchen.zz=free"));

        // Details from the registry's RDAP service where it has one, else the WHOIS lookup.
        Q_EMIT window()->lstWatched->doubleClicked(window()->model->index(0, 2));
        auto* details = window()->findChild<frmDetails*>();
        QVERIFY(details && details->isVisible() && !details->butWatch->isVisible() && details->lblState->wordWrap());
        QCOMPARE(details->windowTitle(), "Registration details of Alpha.com");
        window()->lstWatched->setCurrentIndex(window()->model->index(1, 0));
        window()->butDetails->click();
        QTRY_COMPARE(Forms::whois()->WhoisString->text(), "held.zz");
        QVERIFY(Forms::whois()->isVisible());
    }

    // A check at start when the last one is older than a day; each change told in the tray, or without a tray
    // marked in the list and said once by the main window. The popup and the details window add a name.
    void changes_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("both");
        QTest::addColumn<QString>("told");
        QTest::newRow("tray, one") << true << false << "alpha.com changed\nalpha.com: came free";
        QTest::newRow("tray, two") << true << true
                                   << "2 watched names changed\nalpha.com: came free\nbeta.com: came free";
        QTest::newRow("no tray, one") << false << false << "1 watched name has changed; see Tools > Watched names.";
        QTest::newRow("no tray, two") << false << true << "2 watched names have changed; see Tools > Watched names.";
    }
    void changes()
    {
        QFETCH(bool, tray);
        QFETCH(bool, both);
        QFETCH(QString, told);
        m_desktop->trayAvailable = tray;
        store({entry("alpha.com", State::Taken, m_now.addDays(-2)), entry("beta.com", State::Taken, m_now)});
        m_ns->freeNames = both ? QSet<QString>{"alpha.com", "beta.com"} : QSet<QString>{"alpha.com"};
        if (!both)
            m_rdap->answer(FakeServer::http(200, R"({"objectClassName":"domain"})"), "/domain/beta.com");
        QSettings settings(Utils::settingsFilePath(), QSettings::IniFormat);
        for (const auto& [key, value] :
             {std::pair{"main/init", "False"}, {"main/dns", "127.0.0.1"}, {"main/retries", "1"}, {"main/delay", "5"}})
            settings.setValue(key, value);
        settings.sync();
        frmMain* main = Forms::main();
        QVERIFY(main->Form_Load());
        if (tray)
            Forms::trayIcon()->Update(true); // the main window is in the tray
        else {
            main->show();
            main->setWindowState(Qt::WindowMinimized); // said when it comes back
        }
        QTRY_VERIFY(Forms::watcher()->checking());
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::watcher()->checking(), 10000);
        QCOMPARE(Forms::watcher()->schedule().waitMs(), WatchSchedule::DayMs); // and again a day later
        QCOMPARE(names(), both ? "alpha.com=free beta.com=free" : "alpha.com=free beta.com=taken");
        if (tray) {
            QCOMPARE(m_desktop->trayMessages, QStringList{told});
            QVERIFY(!window());
            m_desktop->trayCalls.last().record.messageClicked();
            QVERIFY(window() && window()->isVisible());
            return;
        }
        QVERIFY(m_desktop->texts().isEmpty());
        main->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(m_desktop->texts(), QStringList{told});
        main->setWindowState(Qt::WindowMinimized);
        main->setWindowState(Qt::WindowNoState);
        QCOMPARE(m_desktop->texts().size(), 1); // said once
        main->mnuWatched->trigger();
        const auto bold = [](int r) {
            return window()->model->index(r, 0).data(Qt::FontRole).value<QFont>().bold();
        };
        QCOMPARE(QList<bool>({bold(0), bold(1)}), QList<bool>({true, both}));
        if (!both) { // a change while the list is in sight is marked there, not said again
            m_ns->freeNames.insert("beta.com");
            m_rdap->answer(FakeServer::http(404, "{}"), "/domain/beta.com");
            Forms::watcher()->checkAll();
            QTRY_VERIFY_WITH_TIMEOUT(bold(1), 10000);
            QCOMPARE(m_desktop->texts().size(), 1);
        }

        Q_EMIT Forms::results()->mnuPopup->watchRequested(QString::fromUtf8("bücher.com"), "xn--bcher-kva.com");
        QCOMPARE(names(), QString::fromUtf8("alpha.com=free beta.com=free bücher.com=not checked"));
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::watcher()->checking(), 10000);
        QCOMPARE(row(2).section('|', 0, 1), QString::fromUtf8("bücher.com (xn--bcher-kva.com)|taken"));
        // Seen once the window closes.
        window()->close();
        QTRY_VERIFY(!window());
        main->mnuWatched->trigger();
        QVERIFY(!window()->model->index(0, 0).data(Qt::FontRole).value<QFont>().bold());
    }

    // A damaged list is said once, naming where it was kept, and the list starts empty.
    void damaged()
    {
        QVERIFY(writeFile(WatchList::defaultPath(), "{\"watched\": 3"));
        Forms::watcher()->start();
        Forms::showWindow(Forms::watched());
        QTRY_COMPARE(m_desktop->messages.size(), 1);
        QVERIFY(m_desktop->texts().first().startsWith("The watch list " + WatchList::defaultPath() +
                                                      " was damaged; it is kept as " + WatchList::defaultPath() +
                                                      ".damaged-"));
        QCOMPARE(window()->model->rowCount(), 0);
    }

    // A list that cannot be read at all is said once, however often the window looks at it.
    void unreadable()
    {
        QVERIFY(QDir().mkpath(WatchList::defaultPath()));
        Forms::watcher()->start();
        Forms::showWindow(Forms::watched());
        Q_EMIT Forms::watcher()->listChanged();
        QTRY_COMPARE(m_desktop->messages.size(), 1);
        Q_EMIT Forms::watcher()->listChanged();
        QTimer::singleShot(0, [] { Forms::warnIf(QStringLiteral("after")); }); // said after anything the look said
        QTRY_COMPARE(m_desktop->texts().last(), QStringLiteral("after"));
        QCOMPARE(m_desktop->messages.size(), 2);
        QVERIFY(m_desktop->texts().first().contains(WatchList::defaultPath()));
    }
};

QTEST_MAIN(TestWatchWindow)
#include "tst_watch_gui.moc"

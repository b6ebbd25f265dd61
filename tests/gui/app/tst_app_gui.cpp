#include "core/Environment.h"
#include "core/Utils.h"
#include "dns/DNS.h"
#include "gui/app/Application.h"
#include "gui/app/Forms.h"
#include "gui/app/Startup.h"
#include "gui/app/frmMain.h"
#include "gui/dialogs/frmDomains.h"
#include "gui/results/ResultGrid.h"
#include "gui/results/frmResults.h"
#include "gui/shell/frmTrayIcon.h"
#include "support/NsdServer.h"
#include "support/RunDriver.h"
#include "support/gui/GuiSuite.h"

#include <QLocalServer>

// The program from its start: first and later runs, the main window's commands, the Check, the tray.
class TestApp : public GuiSuite
{
    Q_OBJECT

    frmMain* start()
    {
        writeDataFile(Utils::dataFilePath(), {"int;I;;;", "com;C;;;", "net;N;;;", "org;O;;;"});
        frmMain* window = Forms::main();
        return window->Form_Load() ? window : nullptr;
    }
    QString stored(const QString& key)
    {
        return QSettings(Environment::current().settingsFile, QSettings::IniFormat).value(key).toString();
    }
    void store(const QString& key, const QString& value)
    {
        QSettings(Environment::current().settingsFile, QSettings::IniFormat).setValue(key, value);
    }

private Q_SLOTS:

    void firstRun()
    {
        QVERIFY(writeFile(Environment::current().resolvConfPath, "nameserver 192.0.2.53\n"));
        frmMain* window = start();
        QVERIFY(window);
        QVERIFY(window->checkmode[0]->isChecked());
        QCOMPARE(m_desktop->modalTitles, (QStringList{"Important information!", "DNS Options"}));
        QCOMPARE(m_desktop->texts(), QStringList{"HTMLhelp not installed"});
        QCOMPARE(QStringList({stored("main/init"), stored("main/domains"), stored("main/dns"), stored("main/retries"),
                              stored("main/delay"), stored("main/ConfirmWhois"), stored("main/SysTrayMinimize"),
                              stored("main/CheckWithDashes"), stored("domains/int"), stored("domains/net")}),
                 (QStringList{"False", "default", "192.0.2.53", "3", "50", "False", "False", "False", "0", "0"}));
        QCOMPARE(Forms::domains()->staticdomainlabel->text(), QStringLiteral(".com.net.org.us.to.tv.tm.nu"));
        QVERIFY(!window->mnuSysTray->isChecked());
    }

    void laterRuns_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("stored") << "stored";
        QTest::newRow("damaged") << "damaged";
        QTest::newRow("unreadable marker") << "marker";
    }
    void laterRuns()
    {
        QFETCH(QString, kind);
        store("main/init", kind == "marker" ? "garbled" : "False");
        store("main/delay", "70");
        store("main/CheckWithDashes", "True");
        store("domains/net", "1");
        if (kind == "damaged") // a folder where the file should be
            QVERIFY(QFile::remove(Environment::current().settingsFile) &&
                    QDir().mkpath(Environment::current().settingsFile));
        frmMain* window = start();
        QVERIFY(window);
        QVERIFY(m_desktop->modalTitles.isEmpty());
        QCOMPARE(Utils::AppSettings.QueryDelay, qint16(kind == "damaged" ? 50 : 70));
        QCOMPARE(Utils::DomainTable[2].Selected, quint8(kind == "damaged" ? 0 : 1));
        QVERIFY(window->mnuSysTray->isChecked()); // absent key: on
        QCOMPARE(window->mnuDashes->isChecked(), kind != "damaged");
        QCOMPARE(m_desktop->messages.size(), kind == "damaged" ? 1 : 0);
        if (kind != "damaged")
            QCOMPARE(stored("main/dns"), QString()); // nothing written
    }

    void menus()
    {
        frmMain* window = start();
        QVERIFY(window);
        QCOMPARE(
            textsOf(window),
            "Orlevan 1.2 from Brennmoor\nactivate: Check\ncheckmode_0: Check Seperately | Example: sun moon checks "
            "sun.com and moon.com\ncheckmode_1: Check Combinations | Example: sun moon checks sun.com, sunmoon.com, "
            "moonsun.com and moon.com\nmnuAbout: &About Orlevan\nmnuApnic: A&PNIC (Asia-Pacific Whois)\nmnuArin: "
            "&ARIN (US && South Africa Whois) | ARIN (US & South Africa Whois)\nmnuConfirmWhois: Confirm domains "
            "with WHOIS\nmnuDashes: Also check with &dashes\nmnuDomains: D&omains to search\nmnuExit: E&xit\nmnuFile: "
            "&File \nmnuHelp: &Help\n"
            "mnuHelpIndex: &Help Contents\nmnuHomepage: Orlevan &homepage\nmnuIANA: IA&NA (Internet Assigned "
            "Numbers Authority)\nmnuIETF: IE&TF (Internet Engineering Taskforce)\nmnuISOC: &ISOC (The Internet "
            "Society)\nmnuOptions: &Options\nmnuRipe: RIP&E (European Whois)\nmnuServer: DNS &Settings\n"
            "mnuSites: &Useful Websites\nmnuSysTray: Minimize to System &Tray\nmnuTools: &Tools\nmnuWatched: W&atched "
            "names... | Watched names\nmnuWebMou: "
            "gTLD-&Mou (Top Level Domains)\nmnuWhois: &Whois Lookup\nnames:  | Enter name or names to check");
        m_desktop->answers = {Platform::AnswerNo, Platform::AnswerYes};
        window->mnuConfirmWhois->trigger();
        QVERIFY(!window->mnuConfirmWhois->isChecked());
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("False"));
        window->mnuConfirmWhois->trigger();
        QVERIFY(Utils::AppSettings.ConfirmWhois && window->mnuConfirmWhois->isChecked());
        QCOMPARE(stored("main/ConfirmWhois"), QStringLiteral("True"));
        QCOMPARE(m_desktop->messages.value(1).caption, QStringLiteral("WHOIS-lookup of all free domains"));
        window->mnuConfirmWhois->trigger();
        QCOMPARE(m_desktop->messages.size(), 3); // switching off asks nothing
        QVERIFY(!Utils::AppSettings.ConfirmWhois);
        window->mnuSysTray->trigger();
        QCOMPARE(stored("main/SysTrayMinimize"), QStringLiteral("True"));
        window->mnuDashes->trigger();
        QCOMPARE(stored("main/CheckWithDashes"), QStringLiteral("True"));
        for (const char* site : {"mnuWebMou", "mnuISOC", "mnuIETF", "mnuIANA", "mnuArin", "mnuRipe", "mnuApnic"})
            window->findChild<QAction*>(site)->trigger();
        QCOMPARE(m_desktop->openedUrls.join(' '), "http://www.gtld-mou.org http://www.isoc.org http://www.ietf.org "
                                                  "http://www.iana.org http://www.arin.net http://www.ripe.net "
                                                  "http://www.apnic.net");
        window->show();
        // The controls keep their places in a window that does not stretch; Tab goes from Check to the names.
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(window->names->geometry().bottom() < window->checkmode[0]->geometry().top());
        QStringList chain;
        for (QWidget* f = window->activate; chain.size() < 4; f = f->nextInFocusChain())
            chain += f->focusPolicy() & Qt::TabFocus ? QStringList{f->objectName()} : QStringList{};
        QCOMPARE(chain.join(' '), "activate names checkmode_0 checkmode_1");
        window->move(120, 90);
        window->mnuExit->trigger();
        QCOMPARE(m_desktop->quits, QList<int>{0});
        QCOMPARE(stored("window/left") + ',' + stored("window/top"), "120,90");
    }

    // A display is there only where its server listens.
    void display()
    {
        QTemporaryDir run;
        QLocalServer wayland;
        QVERIFY(wayland.listen(run.filePath("wayland-9")));
        QProcessEnvironment environment;
        environment.insert("XDG_RUNTIME_DIR", run.path());
        environment.insert("WAYLAND_DISPLAY", "wayland-9");
        QVERIFY(Startup::hasDisplay(environment, {}));
        environment.insert("WAYLAND_DISPLAY", "wayland-8");
        environment.insert("DISPLAY", "unix:59");
        QVERIFY(!Startup::hasDisplay(environment, {}));
    }

    // Return checks too; a Check while a run goes on must not pull the name list from under it; after a failed
    // start it starts afresh.
    void check()
    {
        RunDriver driver;
        Forms::io().check.dns = driver.io();
        Forms::io().nameServerPort = driver.ns.port();
        store("main/init", "False");
        frmMain* window = start();
        Utils::AppSettings = {"", 5, 1, false, false, false};
        window->names->setText("ab_c");
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window->names, Qt::Key_Return);
        QCOMPARE(m_desktop->messages.value(0).caption, QStringLiteral("Orlevan - Illegal characters used"));
        window->names->setText("-ab");
        QTest::keyClick(window->names, Qt::Key_Return);
        QCOMPARE(m_desktop->messages.value(1).text,
                 "The name -ab cannot be registered: a part between two dots begins or ends with a hyphen.");
        QVERIFY(!Forms::resultsIfLoaded());
        window->names->setText("ab");
        window->activate->click();
        QTRY_COMPARE(m_desktop->messages.size(), 3); // no name server
        Utils::AppSettings.NameServer = "127.0.0.1";
        window->activate->click();
        frmResults* results = Forms::resultsIfLoaded();
        QVERIFY(results && results->check()->run());
        CheckRun* run = results->check()->run();
        window->names->setText("cd");
        results->hide();
        window->activate->click();
        QVERIFY(results->check()->run() == run && results->isVisible()); // the running one comes to the front
        QCOMPARE(window->checkmode[1]->geometry().right(), window->activate->geometry().right()); // under Check
        QVERIFY(driver.finish(run));
        QCOMPARE(results->check()->plan().names, QStringList{"ab"});
        QCOMPARE(driver.ns.queries.size(), 8 + 8 + 8); // and a made-up name and the suffix itself a suffix
        // Nothing typed is cut: 2050 long names are too many, 2049 are the list.
        const QString name = QString(62, 'x') + ' ';
        window->names->setText(name.repeated(2050));
        window->checkmode[0]->setChecked(true);
        window->activate->click();
        QCOMPARE(m_desktop->messages.last().text.section('\r', 1, 1),
                 QStringLiteral("Orlevan can check at most 2049 names in one go, and this input makes 2050."));
    }

    // A stored place is taken while the title bar's start (40, 10 into the window) shows on a screen.
    void position_data()
    {
        QTest::addColumn<int>("fromRight");
        QTest::addColumn<int>("fromBottom");
        QTest::addColumn<bool>("taken");
        QTest::newRow("right edge") << 40 << 300 << true;
        QTest::newRow("past the right edge") << 39 << 300 << false;
        QTest::newRow("bottom edge") << 300 << 10 << true;
        QTest::newRow("past the bottom edge") << 300 << 9 << false;
    }
    void position()
    {
        QFETCH(int, fromRight);
        QFETCH(int, fromBottom);
        QFETCH(bool, taken);
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint place(work.right() - fromRight, work.bottom() - fromBottom);
        store("main/init", "False");
        store("window/left", QString::number(place.x()));
        store("window/top", QString::number(place.y()));
        QCOMPARE(start()->pos() == place, taken);
    }

    void tray_data()
    {
        QTest::addColumn<bool>("trayAvailable");
        QTest::newRow("tray") << true;
        QTest::newRow("no tray") << false;
    }
    void tray()
    {
        QFETCH(bool, trayAvailable);
        m_desktop->trayAvailable = trayAvailable;
        store("main/init", "False");
        store("window/left", trayAvailable ? "120" : "5000"); // the second: off every screen
        store("window/top", "90");
        frmMain* window = start();
        QCOMPARE(window->pos().x() == 120, trayAvailable);
        window->show();
        window->setWindowState(Qt::WindowMinimized); // as the window manager does
        QTRY_COMPARE(window->isVisible(), !trayAvailable);
        QCOMPARE(m_desktop->trayCalls.size(), trayAvailable ? 1 : 0);
        if (!trayAvailable)
            return;
        Forms::trayIcon()->Form_MouseMove(QSystemTrayIcon::Trigger);
        QVERIFY(!window->isVisible());
        Forms::trayIcon()->Form_MouseMove(QSystemTrayIcon::DoubleClick);
        QVERIFY(window->isVisible() && !window->isMinimized());
        QCOMPARE(m_desktop->trayCalls.size(), 2);
        QCOMPARE(m_desktop->trayCalls.last().command, DesktopPlatform::TrayDelete);
        window->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(textsOf(Forms::trayIcon()->trayMenu()), "\nmnuRestore: &Restore\nmnuTrayExit: E&xit");
        Forms::trayIcon()->mnuTrayExit->trigger();
        QCOMPARE(m_desktop->quits, QList<int>{0});
        QCOMPARE(m_desktop->trayCalls.last().command, DesktopPlatform::TrayDelete); // the icon goes with it
    }

    // A whole Check from typed names against a real name server; under org every name exists.
    void againstNsd()
    {
        NsdServer nsd;
        const QString failure = nsd.start({{"com", {"alpha", "gamma"}}, {"net", {"beta"}}, {"org", {"*"}}});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        for (const QString pair : {"domains/com=1", "domains/net=1", "domains/org=1", "main/init=False",
                                   "main/domains=user", "main/delay=5", "main/dns=127.0.0.1"})
            store(pair.section('=', 0, 0), pair.section('=', 1));
        Forms::io().nameServerPort = nsd.port();
        frmMain* window = start();
        window->names->setText("alpha beta, Gamma;delta");
        window->activate->click();
        frmResults* results = Forms::resultsIfLoaded();
        QTRY_COMPARE_WITH_TIMEOUT(results->butCancelOk->text(), QStringLiteral("Close"), 20000);
        QStringList shown; // rows alpha, beta, gamma, delta; a column a line
        for (int c = 1; c <= 3; ++c) {
            for (int r = 1; r <= 4; ++r)
                shown += QStringList{"pending", "taken", "free", "not checked"}.value(
                    results->Resultgrid->shownStatus(c, r));
        }
        QCOMPARE(shown.join(", "), "taken, free, taken, free, "                           // com
                                   "free, taken, free, free, "                            // net
                                   "not checked, not checked, not checked, not checked"); // org: made-up names exist
        QVERIFY(m_desktop->texts().contains("Every domain under .org seems to exist, even made-up ones, so these "
                                            "domains could not be checked."));
    }
};

QTEST_MAIN(TestApp)
#include "tst_app_gui.moc"

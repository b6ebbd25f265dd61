#include "core/Forms.h"
#include "core/Utils.h"
#include "core/frmMain.h"
#include "shell/TrayEvents.h"
#include "shell/frmTrayIcon.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QWindowStateChangeEvent>

// Runs a function when the watched widget's window state changes, that is in the middle of a restore.
class StateChangeHook final : public QObject
{
public:
    std::function<void()> onChange;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange && onChange) {
            auto run = std::move(onChange);
            onChange = nullptr;
            run();
        }
        return QObject::eventFilter(watched, event);
    }
};

class TestTray : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> platform;
    QTemporaryDir dir;
    frmMain* window = nullptr;
    frmTrayIcon* tray = nullptr;

    void minimise()
    {
        window->show();
        window->setWindowState(Qt::WindowMinimized);
    }
    int countOf(Platform::TrayCommand command) const
    {
        int count = 0;
        for (const TestPlatform::TrayCall& call : platform->trayCalls)
            count += call.command == command ? 1 : 0;
        return count;
    }
    void verifyRestored()
    {
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QCOMPARE(window->focusWidget(), window->names);
        QVERIFY(!tray->iconShown());
        QCOMPARE(platform->trayCalls.last().command, Platform::TrayDelete);
        QCOMPARE(platform->trayCalls.last().record.window, tray);
        QCOMPARE(platform->trayCalls.last().record.id, 1u);
    }

private Q_SLOTS:
    void init()
    {
        platform = std::make_unique<TestPlatform>();
        resetProgramState(dir.path());
        Utils::AppSettings.SysTrayMinimize = true;
        window = Forms::main();
        tray = Forms::trayIcon();
        tray->SetCallback(window);
    }

    void cleanup()
    {
        Forms::destroyAll();
        platform.reset();
    }

    void mouseCodes_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("forwarded");
        QTest::newRow("single click: left up") << int(QSystemTrayIcon::Trigger) << 514 << true;
        QTest::newRow("double click") << int(QSystemTrayIcon::DoubleClick) << 515 << true;
        QTest::newRow("context request: right up") << int(QSystemTrayIcon::Context) << 517 << true;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << 520 << false;
        QTest::newRow("unknown: mouse move") << int(QSystemTrayIcon::Unknown) << 512 << false;
    }

    void mouseCodes()
    {
        QFETCH(int, reason);
        QFETCH(int, code);
        QFETCH(bool, forwarded);
        QCOMPARE(TrayEvents::mouseCode(QSystemTrayIcon::ActivationReason(reason)), code);
        QCOMPARE(TrayEvents::isForwarded(code), forwarded);
    }

    void forwardedRange()
    {
        QVERIFY(!TrayEvents::isForwarded(512));
        for (qint32 code = 513; code <= 518; ++code)
            QVERIFY(TrayEvents::isForwarded(code));
        QVERIFY(!TrayEvents::isForwarded(519));
        QVERIFY(!TrayEvents::isForwarded(0));
    }

    void minimising_data()
    {
        QTest::addColumn<bool>("option");
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("toTray");
        QTest::newRow("option on, tray present") << true << true << true;
        QTest::newRow("option off") << false << true << false;
        // With nowhere to click, a hidden window could never come back.
        QTest::newRow("option on, no tray") << true << false << false;
    }

    void minimising()
    {
        QFETCH(bool, option);
        QFETCH(bool, trayAvailable);
        QFETCH(bool, toTray);
        Utils::AppSettings.SysTrayMinimize = option;
        platform->trayAvailable = trayAvailable;
        minimise();
        QVERIFY(window->isMinimized());
        QCOMPARE(window->isVisible(), !toTray);
        QCOMPARE(tray->iconShown(), toTray);
        QCOMPARE(platform->trayCalls.size(), toTray ? 1 : 0);
        if (!toTray)
            return;
        const TrayIconRecord& record = platform->trayCalls.first().record;
        QCOMPARE(platform->trayCalls.first().command, Platform::TrayAdd);
        QCOMPARE(record.window, tray);
        QCOMPARE(record.id, 1u);
        QVERIFY(!record.tip.isEmpty());
        QVERIFY(!record.icon.isNull());
        QVERIFY(record.activated);
        QVERIFY(record.menu);
        QVERIFY(record.menu->actions().contains(tray->mnuRestore));
        QCOMPARE(tray->mnuRestore->text(), QStringLiteral("&Restore"));
    }

    void minimisedAgainModifiesTheIcon()
    {
        minimise();
        // The window system reports the minimised state once more while the icon is shown.
        QWindowStateChangeEvent again(Qt::WindowNoState);
        QCoreApplication::sendEvent(window, &again);
        QCOMPARE(platform->trayCalls.size(), 2);
        QCOMPARE(platform->trayCalls.at(1).command, Platform::TrayModify);
        QCOMPARE(countOf(Platform::TrayAdd), 1);
    }

    void clicksThatDoNothing_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("mouse move") << 512;
        QTest::newRow("left down") << 513;
        QTest::newRow("left up") << 514;
        QTest::newRow("right down") << 516;
        QTest::newRow("right up") << 517;
        QTest::newRow("right double click") << 518;
        QTest::newRow("middle down") << 519;
        QTest::newRow("middle up") << 520;
    }

    void clicksThatDoNothing()
    {
        QFETCH(int, code);
        minimise();
        tray->Form_MouseMove(code);
        QVERIFY(!window->isVisible());
        QVERIFY(tray->iconShown());
        QCOMPARE(platform->trayCalls.size(), 1);
        QCOMPARE(tray->lastEventCode(), code);
    }

    void trayReportsThatDoNothing_data()
    {
        QTest::addColumn<int>("reason");
        QTest::newRow("single click") << int(QSystemTrayIcon::Trigger);
        QTest::newRow("context request") << int(QSystemTrayIcon::Context);
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick);
        QTest::newRow("unknown") << int(QSystemTrayIcon::Unknown);
    }

    void trayReportsThatDoNothing()
    {
        QFETCH(int, reason);
        minimise();
        platform->trayCalls.first().record.activated(QSystemTrayIcon::ActivationReason(reason));
        QVERIFY(!window->isVisible());
        QVERIFY(tray->iconShown());
        QCOMPARE(platform->trayCalls.size(), 1);
    }

    void doubleClickRestores()
    {
        minimise();
        platform->trayCalls.first().record.activated(QSystemTrayIcon::DoubleClick);
        verifyRestored();
        QCOMPARE(platform->trayCalls.size(), 2);
    }

    void restoreEntryRestores()
    {
        minimise();
        platform->trayCalls.first().record.menu->actions().first()->trigger();
        verifyRestored();
        QCOMPARE(platform->trayCalls.size(), 2);
    }

    void restoreThenMinimiseAddsAgain()
    {
        minimise();
        tray->Form_MouseMove(515);
        window->setWindowState(Qt::WindowMinimized);
        QCOMPARE(platform->trayCalls.size(), 3);
        QCOMPARE(platform->trayCalls.at(2).command, Platform::TrayAdd);
        QVERIFY(!window->isVisible());
    }

    void removingWithoutIconMakesNoCall()
    {
        tray->Update(false);
        tray->Update(false);
        QVERIFY(platform->trayCalls.isEmpty());
        minimise();
        tray->Update(false);
        tray->Update(false);
        QCOMPARE(countOf(Platform::TrayDelete), 1);
    }

    void notificationDuringCallbackIsDropped()
    {
        minimise();
        StateChangeHook hook;
        bool shownAfterNested = false;
        qint32 codeAfterNested = 0;
        hook.onChange = [&] {
            tray->Form_MouseMove(515);
            shownAfterNested = tray->iconShown();
            codeAfterNested = tray->lastEventCode();
        };
        window->installEventFilter(&hook);
        tray->Form_MouseMove(515);
        window->removeEventFilter(&hook);
        QVERIFY(!hook.onChange); // the hook did run inside the restore
        QVERIFY(shownAfterNested);
        QCOMPARE(codeAfterNested, 515);
        verifyRestored();
        QCOMPARE(countOf(Platform::TrayDelete), 1);

        // The flag is down again: the next notification gets through.
        window->setWindowState(Qt::WindowMinimized);
        tray->Form_MouseMove(515);
        verifyRestored();
    }

    void notificationWithoutOwnerIsHarmless()
    {
        auto* lonely = new frmTrayIcon;
        lonely->Update(true);
        lonely->Form_MouseMove(515);
        QVERIFY(lonely->iconShown());
        delete lonely;
        QCOMPARE(platform->trayCalls.last().command, Platform::TrayDelete);
    }

    void unloadingTheTrayWindowRemovesTheIcon()
    {
        minimise();
        delete tray;
        QCOMPARE(platform->trayCalls.size(), 2);
        QCOMPARE(platform->trayCalls.last().command, Platform::TrayDelete);
        QVERIFY(!Forms::trayIconIfLoaded());
    }

    void quittingRemovesTheIcon()
    {
        minimise();
        Utils::QuitApplication();
        QCOMPARE(platform->trayCalls.last().command, Platform::TrayDelete);
        QCOMPARE(platform->quits, QList<int>{0});
    }

    // The desktop's own tray service, offscreen: one QSystemTrayIcon per icon, owned by the tray window.
    void desktopServiceKeepsOneIconPerWindow()
    {
        platform.reset();
        TrayIconRecord record;
        QObject owner;
        record.window = &owner;
        record.tip = QStringLiteral("tip");
        record.icon = QIcon(QPixmap(16, 16));
        Platform::instance().notifyIcon(Platform::TrayAdd, record);
        Platform::instance().notifyIcon(Platform::TrayModify, record);
        QCOMPARE(owner.findChildren<QSystemTrayIcon*>().size(), 1);
        QCOMPARE(owner.findChildren<QSystemTrayIcon*>().first()->toolTip(), QStringLiteral("tip"));
        record.id = 2;
        Platform::instance().notifyIcon(Platform::TrayModify, record); // no icon 2 to modify
        QCOMPARE(owner.findChildren<QSystemTrayIcon*>().size(), 1);
        record.id = 1;
        Platform::instance().notifyIcon(Platform::TrayDelete, record);
        QVERIFY(owner.findChildren<QSystemTrayIcon*>().isEmpty());
        Platform::instance().notifyIcon(Platform::TrayDelete, record);

        // An icon whose window goes away goes with it; a new window at the same address starts afresh.
        auto* shortLived = new QObject;
        record.window = shortLived;
        Platform::instance().notifyIcon(Platform::TrayAdd, record);
        QCOMPARE(shortLived->findChildren<QSystemTrayIcon*>().size(), 1);
        delete shortLived;
        auto* next = new QObject;
        record.window = next;
        Platform::instance().notifyIcon(Platform::TrayAdd, record);
        QCOMPARE(next->findChildren<QSystemTrayIcon*>().size(), 1);
        delete next;
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"

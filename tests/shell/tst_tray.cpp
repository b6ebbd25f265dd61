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

// Runs a function once, when the watched window's state changes: that is in the middle of a restore.
class StateChangeHook final : public QObject
{
public:
    std::function<void()> onChange;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange && onChange)
            std::exchange(onChange, nullptr)();
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
    QList<Platform::TrayCommand> commands() const
    {
        QList<Platform::TrayCommand> list;
        for (const TestPlatform::TrayCall& call : platform->trayCalls)
            list << call.command;
        return list;
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
        QVERIFY(TrayEvents::isForwarded(513) && TrayEvents::isForwarded(518));
        QVERIFY(!TrayEvents::isForwarded(519));
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
        QCOMPARE(commands(), toTray ? QList{Platform::TrayAdd} : QList<Platform::TrayCommand>{});
        if (!toTray)
            return;
        const TrayIconRecord& record = platform->trayCalls.first().record;
        QCOMPARE(record.window, tray);
        QCOMPARE(record.id, 1u);
        QVERIFY(!record.icon.isNull() && !record.tip.isEmpty() && record.activated);
        QCOMPARE(record.menu->actions(), QList{tray->mnuRestore});
        QCOMPARE(tray->mnuRestore->text(), QStringLiteral("&Restore"));

        // The window system reports the minimised state again while the icon is shown: no second icon.
        QWindowStateChangeEvent again(Qt::WindowNoState);
        QCoreApplication::sendEvent(window, &again);
        QCOMPARE(commands(), (QList{Platform::TrayAdd, Platform::TrayModify}));
    }

    void restoring_data()
    {
        QTest::addColumn<bool>("byMenu");
        QTest::newRow("left double click") << false;
        QTest::newRow("Restore in the icon's menu") << true;
    }

    void restoring()
    {
        QFETCH(bool, byMenu);
        minimise();
        const TrayIconRecord record = platform->trayCalls.first().record;
        // Single clicks, right clicks and right double clicks, middle clicks: nothing.
        for (const qint32 code : {512, 513, 514, 516, 517, 518, 519, 520})
            tray->Form_MouseMove(code);
        record.activated(QSystemTrayIcon::Context);
        QVERIFY(!window->isVisible());
        QCOMPARE(tray->lastEventCode(), 517);
        if (byMenu)
            record.menu->actions().first()->trigger();
        else
            record.activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window->isVisible());
        QVERIFY(!window->isMinimized());
        QCOMPARE(window->focusWidget(), window->names);
        QCOMPARE(commands(), (QList{Platform::TrayAdd, Platform::TrayDelete}));
        QCOMPARE(platform->trayCalls.last().record.window, tray);
        QCOMPARE(platform->trayCalls.last().record.id, 1u);
    }

    void notificationDuringCallbackIsDropped()
    {
        minimise();
        StateChangeHook hook;
        bool shownAfterNested = false;
        hook.onChange = [&] {
            tray->Form_MouseMove(515);
            shownAfterNested = tray->iconShown();
        };
        window->installEventFilter(&hook);
        tray->Form_MouseMove(515);
        QVERIFY(!hook.onChange); // it ran, inside the restore
        QVERIFY(shownAfterNested);
        QVERIFY(window->isVisible());
        QCOMPARE(commands(), (QList{Platform::TrayAdd, Platform::TrayDelete}));

        // The flag is down again afterwards.
        window->setWindowState(Qt::WindowMinimized);
        tray->Form_MouseMove(515);
        QVERIFY(window->isVisible());
    }

    void endingRemovesTheIcon_data()
    {
        QTest::addColumn<bool>("quit");
        QTest::newRow("program ends") << true;
        QTest::newRow("tray window unloads") << false;
    }

    void endingRemovesTheIcon()
    {
        QFETCH(bool, quit);
        tray->Update(false);
        QVERIFY(platform->trayCalls.isEmpty());
        minimise();
        if (quit)
            Utils::QuitApplication();
        else
            delete tray;
        QCOMPARE(commands(), (QList{Platform::TrayAdd, Platform::TrayDelete}));
    }

    // The desktop's own service, offscreen: one icon per window and identifier, owned by the window.
    void desktopServiceKeepsOneIconPerWindow()
    {
        platform.reset();
        auto* owner = new QObject;
        TrayIconRecord record{owner, 1, QIcon(QPixmap(16, 16)), QStringLiteral("tip"), nullptr, {}};
        Platform::instance().notifyIcon(Platform::TrayAdd, record);
        Platform::instance().notifyIcon(Platform::TrayModify, record);
        QCOMPARE(owner->findChildren<QSystemTrayIcon*>().size(), 1);
        Platform::instance().notifyIcon(Platform::TrayDelete, record);
        QVERIFY(owner->findChildren<QSystemTrayIcon*>().isEmpty());
        Platform::instance().notifyIcon(Platform::TrayAdd, record);
        delete owner; // takes its icon along; nothing is left to remove
        Platform::instance().notifyIcon(Platform::TrayDelete, record);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"

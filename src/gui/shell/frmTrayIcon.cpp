#include "gui/shell/frmTrayIcon.h"

#include "core/AppInfo.h"
#include "gui/shell/ProgramIcon.h"

#include <QAction>
#include <QMenu>

frmTrayIcon::frmTrayIcon(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>())
{
    setObjectName(QStringLiteral("frmTrayIcon"));
    m_menu->setObjectName(QStringLiteral("mnuTray"));
    mnuRestore = m_menu->addAction(QStringLiteral("&Restore"));
    mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    connect(mnuRestore, &QAction::triggered, this, &frmTrayIcon::forward);
    mnuTrayExit = m_menu->addAction(QStringLiteral("E&xit"));
    mnuTrayExit->setObjectName(QStringLiteral("mnuTrayExit"));
    connect(mnuTrayExit, &QAction::triggered, this, &frmTrayIcon::exitRequested);
}

frmTrayIcon::~frmTrayIcon()
{
    Update(false);
}

void frmTrayIcon::SetCallback(QObject* ob)
{
    m_owner = ob;
}

void frmTrayIcon::fillRecord()
{
    m_record.window = this;
    m_record.id = 1;
    m_record.icon = ProgramIcon::icon();
    // Desktop trays show an empty tip as a blank box; the program's title says whose icon it is.
    m_record.tip = AppInfo::Title;
    m_record.menu = m_menu.get();
    m_record.activated = [this](QSystemTrayIcon::ActivationReason reason) {
        Form_MouseMove(reason);
    };
    m_record.messageClicked = [this] {
        Q_EMIT messageClicked();
    };
}

void frmTrayIcon::Update(bool IconOn)
{
    if (IconOn) {
        fillRecord();
        DesktopPlatform::instance().notifyIcon(m_iconShown ? DesktopPlatform::TrayModify : DesktopPlatform::TrayAdd,
                                               m_record);
        m_iconShown = true;
        return;
    }
    if (m_iconShown) {
        m_record.window = this;
        m_record.id = 1;
        DesktopPlatform::instance().notifyIcon(DesktopPlatform::TrayDelete, m_record);
    }
    m_iconShown = false;
}

void frmTrayIcon::showMessage(const QString& title, const QString& text)
{
    if (m_iconShown)
        DesktopPlatform::instance().trayMessage(m_record, title, text);
}

void frmTrayIcon::Form_MouseMove(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick)
        forward();
}

void frmTrayIcon::forward()
{
    if (m_busy || !m_owner)
        return;
    m_busy = true;
    Q_EMIT restoreRequested();
    m_busy = false;
}

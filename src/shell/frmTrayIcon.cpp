#include "shell/frmTrayIcon.h"

#include "core/AppInfo.h"
#include "core/frmMain.h"
#include "shell/ProgramIcon.h"
#include "shell/TrayEvents.h"

#include <QAction>
#include <QMenu>

frmTrayIcon::frmTrayIcon(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>())
{
    setObjectName(QStringLiteral("frmTrayIcon"));
    m_menu->setObjectName(QStringLiteral("mnuTray"));
    mnuRestore = m_menu->addAction(QStringLiteral("&Restore"));
    mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    connect(mnuRestore, &QAction::triggered, this, [this] { Form_MouseMove(TrayEvents::LeftDoubleClick); });
}

frmTrayIcon::~frmTrayIcon()
{
    Update(false);
}

void frmTrayIcon::SetCallback(frmMain* ob)
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
        icon_Activated(reason);
    };
}

void frmTrayIcon::Update(bool IconOn)
{
    if (IconOn) {
        fillRecord();
        Platform::instance().notifyIcon(m_iconShown ? Platform::TrayModify : Platform::TrayAdd, m_record);
        m_iconShown = true;
        return;
    }
    if (m_iconShown) {
        m_record.window = this;
        m_record.id = 1;
        Platform::instance().notifyIcon(Platform::TrayDelete, m_record);
    }
    m_iconShown = false;
}

void frmTrayIcon::icon_Activated(QSystemTrayIcon::ActivationReason reason)
{
    Form_MouseMove(TrayEvents::mouseCode(reason));
}

void frmTrayIcon::Form_MouseMove(qint32 code)
{
    m_lastCode = code;
    if (m_busy)
        return;
    m_busy = true;
    if (TrayEvents::isForwarded(code) && m_owner) {
        // Whatever goes wrong in the owner, the icon must keep answering.
        try {
            qint32 msg = code;
            m_owner->TrayIconCallback(msg);
        } catch (...) {
        }
    }
    m_busy = false;
}

#include "gui/shell/frmTrayIcon.h"

#include "core/AppInfo.h"
#include "core/TrayEvents.h"
#include "gui/shell/ProgramIcon.h"

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

void frmTrayIcon::SetCallback(QObject* ob, Callback callback)
{
    m_owner = ob;
    m_callback = std::move(callback);
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
        // The desktop reports its reasons in the same order as TrayEvents::Activation.
        Form_MouseMove(TrayEvents::mouseCode(TrayEvents::Activation(int(reason))));
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

void frmTrayIcon::Form_MouseMove(TrayEvents::Code code)
{
    m_lastCode = code;
    if (m_busy)
        return;
    m_busy = true;
    if (TrayEvents::isForwarded(code) && m_owner && m_callback)
        m_callback(code);
    m_busy = false;
}

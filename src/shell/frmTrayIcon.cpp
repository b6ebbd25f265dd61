#include "shell/frmTrayIcon.h"

#include "core/frmMain.h"

frmTrayIcon::frmTrayIcon(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("frmTrayIcon"));
}

frmTrayIcon::~frmTrayIcon()
{
    Update(false);
}

void frmTrayIcon::SetCallback(frmMain* owner)
{
    m_owner = owner;
}

void frmTrayIcon::Update(bool IconOn)
{
    m_iconShown = IconOn;
}

#pragma once

#include "core/Platform.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QAction;
class QMenu;
class frmMain;

// Owns the tray icon and forwards its mouse events to the main window. Loaded by the first SetCallback and never
// shown; unloading it removes the icon.
class frmTrayIcon final : public QObject
{
    Q_OBJECT

public:
    explicit frmTrayIcon(QObject* parent = nullptr);
    ~frmTrayIcon() override;

    void SetCallback(frmMain* ob);
    // True: add the icon, or modify it when it is shown. False: remove it when it is shown.
    void Update(bool IconOn);
    bool iconShown() const { return m_iconShown; }

    // A notification of the icon, as a mouse code: forwarded to the owner unless the owner is still busy with
    // the previous one.
    void Form_MouseMove(qint32 code);
    qint32 lastEventCode() const { return m_lastCode; }

    // The icon's context menu. Trays that turn a double click into two single clicks leave it as the way back.
    QMenu* trayMenu() const { return m_menu.get(); }
    QAction* mnuRestore = nullptr;

private:
    void icon_Activated(QSystemTrayIcon::ActivationReason reason);
    void fillRecord();

    QPointer<frmMain> m_owner;
    bool m_iconShown = false;
    TrayIconRecord m_record;
    qint32 m_lastCode = 0;
    bool m_busy = false;
    std::unique_ptr<QMenu> m_menu;
};

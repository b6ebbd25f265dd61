#pragma once

#include "core/TrayEvents.h"
#include "gui/shell/DesktopPlatform.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QMenu;

// Owns the tray icon and forwards its mouse events to its owner, the main window. Loaded by the first SetCallback
// and never shown; unloading it removes the icon.
class frmTrayIcon final : public QObject
{
    Q_OBJECT

public:
    // The owner's TrayIconCallback, with the mouse code.
    using Callback = std::function<void(TrayEvents::Code msg)>;

    explicit frmTrayIcon(QObject* parent = nullptr);
    ~frmTrayIcon() override;

    // The callback is called only while ob exists.
    void SetCallback(QObject* ob, Callback callback);
    // True: add the icon, or modify it when it is shown. False: remove it when it is shown.
    void Update(bool IconOn);
    bool iconShown() const { return m_iconShown; }

    // A notification of the icon, as a mouse code: forwarded to the owner unless the owner is still busy with
    // the previous one.
    void Form_MouseMove(TrayEvents::Code code);
    TrayEvents::Code lastEventCode() const { return m_lastCode; }

    // The icon's context menu. Trays that turn a double click into two single clicks leave it as the way back.
    QMenu* trayMenu() const { return m_menu.get(); }
    QAction* mnuRestore = nullptr;

private:
    void fillRecord();

    QPointer<QObject> m_owner;
    Callback m_callback;
    bool m_iconShown = false;
    TrayIconRecord m_record;
    TrayEvents::Code m_lastCode = TrayEvents::MouseMove;
    bool m_busy = false;
    std::unique_ptr<QMenu> m_menu;
};

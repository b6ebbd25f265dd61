#pragma once

#include "gui/shell/DesktopPlatform.h"

#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

class QAction;
class QMenu;

// Owns the tray icon and tells its owner, the main window, when the user wants it back. Loaded by the first
// SetCallback and never shown; unloading it removes the icon.
class frmTrayIcon final : public QObject
{
    Q_OBJECT

public:
    explicit frmTrayIcon(QObject* parent = nullptr);
    ~frmTrayIcon() override;

    // The owner: the tray speaks only while it exists.
    void SetCallback(QObject* ob);
    // True: add the icon, or modify it when it is shown. False: remove it when it is shown.
    void Update(bool IconOn);
    bool iconShown() const { return m_iconShown; }
    // A message beside the icon; nothing when it is not shown.
    void showMessage(const QString& title, const QString& text);

    // A click on the icon, as the desktop reports it: a double click asks for the owner, unless the owner is still
    // busy with the last one.
    void Form_MouseMove(QSystemTrayIcon::ActivationReason reason);

    // The icon's context menu. Trays that turn a double click into two single clicks leave it as the way back.
    QMenu* trayMenu() const { return m_menu.get(); }
    QAction* mnuRestore = nullptr;
    QAction* mnuTrayExit = nullptr;

Q_SIGNALS:
    // The user wants the main window back: a double click on the icon, or Restore in its menu.
    void restoreRequested();
    // Exit in its menu: the program ends as through the main window's Exit.
    void exitRequested();
    // A click on a message the icon showed.
    void messageClicked();

private:
    void fillRecord();
    void forward();

    QPointer<QObject> m_owner;
    bool m_iconShown = false;
    TrayIconRecord m_record;
    bool m_busy = false;
    std::unique_ptr<QMenu> m_menu;
};

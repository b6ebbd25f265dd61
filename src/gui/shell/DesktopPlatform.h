#pragma once

#include "core/Platform.h"

#include <QIcon>
#include <QSystemTrayIcon>
#include <functional>

class QDialog;
class QMenu;

// What the program hands to the tray service for one icon. The window and the identifier name the icon; a later
// modification or removal with the same pair acts on the same icon.
struct TrayIconRecord
{
    QObject* window = nullptr;
    quint32 id = 1;
    QIcon icon;
    QString tip;
    QMenu* menu = nullptr; // context menu, owned by the window
    // Called with what the tray reports of a click; never after the window is gone.
    std::function<void(QSystemTrayIcon::ActivationReason)> activated;
    // Called when the user clicks a message the icon showed.
    std::function<void()> messageClicked;
};

// The real desktop: Qt's message boxes, browser, clipboard and tray, and modal dialogs. Tests derive from it to
// run modal dialogs and the tray without blocking.
class DesktopPlatform : public Platform
{
public:
    // The installed platform when it is a desktop, otherwise the real desktop.
    static DesktopPlatform& instance();

    Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption) override;
    bool openUrl(const QString& address) override;
    void setClipboardText(const QString& text) override;
    QString saveFileName(const QString& caption, const QString& suggested, const QString& filter) override;

    // Shows a dialog modally and returns its result code.
    virtual int runModal(QDialog* dialog);
    virtual bool systemTrayAvailable();
    enum TrayCommand { TrayAdd = 0, TrayModify = 1, TrayDelete = 2 };
    // Adds, modifies or removes the icon that the record names. Nothing is reported back.
    virtual void notifyIcon(TrayCommand command, const TrayIconRecord& record);
    // A message beside the icon that the record names, when it is shown.
    virtual void trayMessage(const TrayIconRecord& record, const QString& title, const QString& text);
};

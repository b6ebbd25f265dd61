#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QSystemTrayIcon>
#include <functional>

class QDialog;
class QMenu;
class QWidget;

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
};

// Everything the program asks of the desktop goes through here, so that tests can answer a message box,
// record an opened address or a started program, and run modal dialogs without blocking.
class Platform
{
public:
    enum Buttons { Ok, YesNo };
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Answer { AnswerOk, AnswerYes, AnswerNo };

    virtual ~Platform() = default;

    static Platform& instance();
    // Replaces the desktop; nullptr puts the real one back. The caller keeps ownership.
    static void setInstance(Platform* platform);

    // A modal message box. Line breaks may be CR, LF or CR LF.
    virtual Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption);
    // Opens a web address or file in the desktop's default program. An address without a scheme opens as http.
    virtual void openUrl(const QString& address);
    // Starts a program detached from this one; false when it cannot be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments);
    virtual void setClipboardText(const QString& text);
    // Shows a dialog modally and returns its result code.
    virtual int runModal(QDialog* dialog);
    // Ends the event loop, and with it the program, with the given status.
    virtual void quit(int status);

    // Tray icon service. The real one wraps QSystemTrayIcon inside the tray window.
    virtual bool systemTrayAvailable();
    enum TrayCommand { TrayAdd = 0, TrayModify = 1, TrayDelete = 2 };
    // Adds, modifies or removes the icon that the record names. Nothing is reported back.
    virtual void notifyIcon(TrayCommand command, const TrayIconRecord& record);

protected:
    Platform() = default;
    friend class DesktopPlatform;
};

// Message boxes want LF line breaks; the program's texts use CR and CR LF as well.
QString displayText(const QString& text);
// "www.example.com" -> "http://www.example.com"; addresses with a scheme and local paths are kept.
QString normalizedAddress(const QString& address);

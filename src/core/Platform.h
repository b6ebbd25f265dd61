#pragma once

#include <QString>
#include <QStringList>

// Everything the program asks of the desktop goes through here, so that tests can answer a message box and
// record an opened address, a started program or the clipboard. The desktop itself lives with the windows
// (DesktopPlatform); without one installed, a headless stand-in writes messages to standard error.
class Platform
{
public:
    enum Buttons { Ok, YesNo };
    enum Icon { NoIcon, Information, Warning, Critical, Question };
    enum Answer { AnswerOk, AnswerYes, AnswerNo };

    virtual ~Platform();

    static Platform& instance();
    // Installs the desktop or a test's stand-in; nullptr puts the headless one back. The caller keeps ownership.
    static void setInstance(Platform* platform);

    // A modal message box. Line breaks may be CR, LF or CR LF.
    virtual Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption);
    // Opens a web address or file in the desktop's default program. An address without a scheme opens as http.
    // False when no program took it.
    virtual bool openUrl(const QString& address);
    // openUrl, and when nothing could open the address, a message that shows it and the address on the clipboard.
    void openAddress(const QString& address);
    // Starts a program detached from this one; false when it cannot be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments);
    virtual void setClipboardText(const QString& text);
    // Asks where to save a file, starting from suggested (a folder and a name); empty when the user cancels.
    virtual QString saveFileName(const QString& caption, const QString& suggested, const QString& filter);
    // Ends the event loop, and with it the program, with the given status.
    virtual void quit(int status);
};

// Message boxes want LF line breaks; the program's texts use CR and CR LF as well.
QString displayText(const QString& text);
// "www.example.com" -> "http://www.example.com"; addresses with a scheme and local paths are kept.
QString normalizedAddress(const QString& address);

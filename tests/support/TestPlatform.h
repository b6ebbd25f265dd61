#pragma once

#include "core/Platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// A desktop for tests: message boxes answer from a script, everything else is recorded.
class TestPlatform final : public Platform
{
public:
    struct Message
    {
        QString text;
        Buttons buttons;
        Icon icon;
        QString caption;
    };

    TestPlatform();
    ~TestPlatform() override;

    Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption) override;
    void openUrl(const QString& address) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    void setClipboardText(const QString& text) override;
    int runModal(QDialog* dialog) override;
    void quit(int status) override;
    bool systemTrayAvailable() override { return trayAvailable; }
    void notifyIcon(TrayCommand command, const TrayIconRecord& record) override;

    // Answers for the next Yes/No boxes, in order; when empty, Yes.
    QList<Answer> answers;
    // Called while a message box is "open", before it answers.
    std::function<void(const Message&)> onMessage;
    // Runs in place of a modal dialog's event loop; when unset the dialog is rejected at once.
    std::function<int(QDialog*)> onModal;
    bool startResult = true;
    bool trayAvailable = true;

    QList<Message> messages;
    QStringList openedUrls;
    QList<QStringList> startedPrograms; // program first, then its arguments
    QStringList clipboard;
    QStringList modalTitles;
    QList<int> quits;

    struct TrayCall
    {
        TrayCommand command;
        TrayIconRecord record;
    };
    QList<TrayCall> trayCalls;
};

// Puts every program-wide value back to its state before start-up and points the settings, the program folder
// and the resolver configuration into the given folder.
void resetProgramState(const QString& folder);
// Writes a data file from plain lines, scrambled, CR LF after each.
void writeDataFile(const QString& path, const QStringList& plainLines);

#pragma once

#include "core/Platform.h"

#include <QList>
#include <QString>
#include <QStringList>

// A desktop for tests: message boxes answer from a script, everything else is recorded. Installed while it lives.
template <typename Base> class Recording : public Base
{
public:
    struct Message
    {
        QString text;
        Platform::Buttons buttons;
        Platform::Icon icon;
        QString caption;
    };

    Recording() { Platform::setInstance(this); }
    ~Recording() override { Platform::setInstance(nullptr); }

    Platform::Answer messageBox(const QString& text, Platform::Buttons buttons, Platform::Icon icon,
                                const QString& caption) override
    {
        messages.append({text, buttons, icon, caption});
        if (buttons == Platform::Ok)
            return Platform::AnswerOk;
        return answers.isEmpty() ? Platform::AnswerYes : answers.takeFirst();
    }
    void openUrl(const QString& address) override { openedUrls.append(address); }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        startedPrograms.append(QStringList{program} + arguments);
        return startResult;
    }
    void setClipboardText(const QString& text) override { clipboard.append(text); }
    void quit(int status) override { quits.append(status); }

    QStringList texts() const
    {
        QStringList all;
        for (const Message& message : messages)
            all.append(message.text);
        return all;
    }

    // Answers for the next Yes/No boxes, in order; when empty, Yes.
    QList<Platform::Answer> answers;
    bool startResult = true;

    QList<Message> messages;
    QStringList openedUrls;
    QList<QStringList> startedPrograms; // program first, then its arguments
    QStringList clipboard;
    QList<int> quits;
};

using TestPlatform = Recording<Platform>;

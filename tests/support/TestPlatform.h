#pragma once

#include "core/Platform.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

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
        if (whileShown)
            whileShown();
        if (buttons == Platform::Ok)
            return Platform::AnswerOk;
        return answers.isEmpty() ? Platform::AnswerYes : answers.takeFirst();
    }
    bool openUrl(const QString& address) override
    {
        openedUrls.append(address);
        return !noBrowser;
    }
    bool startProgram(const QString& program, const QStringList& arguments) override
    {
        startedPrograms.append(QStringList{program} + arguments);
        return startResult;
    }
    void setClipboardText(const QString& text) override { clipboard.append(text); }
    QString saveFileName(const QString&, const QString& suggested, const QString&) override
    {
        saveSuggestions.append(suggested);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.takeFirst();
    }
    void quit(int status) override { quits.append(status); }

    QStringList texts() const
    {
        QStringList all;
        for (const Message& message : messages)
            all.append(message.text);
        return all;
    }

    std::function<void()> whileShown; // runs while a box is open
    // Answers for the next Yes/No boxes, in order; when empty, Yes.
    QList<Platform::Answer> answers;
    bool startResult = true;
    QStringList saveAnswers; // file names for the next save questions; when empty, cancelled

    QList<Message> messages;
    QStringList openedUrls;
    bool noBrowser = false;             // no program opens an address
    QList<QStringList> startedPrograms; // program first, then its arguments
    QStringList clipboard;
    QStringList saveSuggestions;
    QList<int> quits;
};

using TestPlatform = Recording<Platform>;

#pragma once

#include "check/Check.h"
#include "cli/CliOptions.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QIODevice;

// One check from the command line: the settings read (never written), the names and options turned into a Check,
// its messages as lines on standard error, a progress line while that is a terminal, and the results printed.
class CliRun final : public QObject
{
    Q_OBJECT

public:
    enum Status { AllChecked = 0, SomeNotChecked = 1, Refused = 2, Failed = 3, Interrupted = 130 };

    // The check talks through io: the program's own network unless a test aims it elsewhere.
    CliRun(const CliOptions& options, QIODevice* out, QIODevice* err, bool errIsTerminal, const Check::Io& io = {},
           QObject* parent = nullptr);
    ~CliRun() override;

    // Starts the check of the names given and of input (standard input, when it is read) and returns; finished()
    // follows, at once when nothing could start.
    void start(const QByteArray& input);
    // Ctrl-C: stops the check and prints what was found, the rest as not checked.
    void interrupt();

Q_SIGNALS:
    void finished(int status);

private:
    // The settings as the window would have them, options applied; false when that cannot be.
    bool applySettings();
    void say(const QString& text);
    void end(int status);
    void finishCheck(int status);
    void showProgress();
    QByteArray results() const;

    const CliOptions m_options;
    const Check::Io m_io;
    QIODevice* m_out;
    QIODevice* m_err;
    const bool m_errIsTerminal;
    QPointer<Check> m_check;
    QStringList m_suffixes;
    bool m_personal = false;
    bool m_unknownTld = false;
    bool m_ended = false;
    QTimer m_progress;
    bool m_progressShown = false;
};

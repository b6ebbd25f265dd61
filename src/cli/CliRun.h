#pragma once

#include "check/Check.h"
#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "whois/RdapBootstrap.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QIODevice;

// One run of the command line: the settings read (never written), the names judged and cut into Checks of at most
// the name list's size, run one after the other, each one's results written as it ends; its messages as lines on
// standard error, and a progress line while that is a terminal.
class CliRun final : public QObject
{
    Q_OBJECT

public:
    enum Status { AllChecked = 0, SomeNotChecked = 1, Refused = 2, Failed = 3, Interrupted = 130 };

    // What standard error is: a terminal shows the progress and the summary; a dumb one gets no escapes.
    struct Terminal
    {
        bool isTerminal = false;
        bool escapes = true;
        std::function<int()> columns = [] {
            return 80;
        };
    };

    // The checks talk through io: the program's own network unless a test aims it elsewhere.
    CliRun(const CliOptions& options, QIODevice* out, QIODevice* err, const Terminal& terminal,
           const Check::Io& io = {}, QObject* parent = nullptr);
    ~CliRun() override;

    // A message meant for a box, as one line for a terminal: whole sentences, options where the window has menus.
    static QString forTerminal(const QString& text);

    // Starts checking the names and returns; finished() follows, at once when nothing could start.
    void start(const CliInput::Sources& sources);
    // Ctrl-C, SIGTERM, SIGHUP: stops and writes what was found, the rest as not checked; ends with 128 + signal.
    void interrupt(int signal = 2);

Q_SIGNALS:
    void finished(int status);

private:
    // The settings as the window would have them, options applied; the status to end with when that cannot be.
    std::optional<Status> applySettings();
    void say(const QString& text);
    void clearProgress();
    void end(int status);
    void startBatch();
    void batchDone(bool interrupted);
    bool writeRows(const CheckResultTable& table, const RunPlan& plan);
    void showProgress();
    qint64 msLeftAfterBatch() const;

    const CliOptions m_options;
    const Check::Io m_io;
    QIODevice* m_err;
    const Terminal m_terminal;
    CliOutput m_output;
    std::unique_ptr<CliInput::Prepared> m_names;
    int m_batch = 0;
    int m_candidatesDone = 0;
    int m_candidatesTotal = 0;
    QPointer<Check> m_check;
    QStringList m_suffixes;
    std::optional<RdapBootstrap> m_directory; // read by the first batch, for all
    bool m_personal = false;
    bool m_ended = false;
    bool m_heard = false;
    int m_counts[4] = {}; // by CheckStatus
    int m_status = AllChecked;
    QSet<QString> m_said;
    QTimer m_progress;
    QElapsedTimer m_clock;
    int m_progressWidth = 0; // of the progress line on the terminal; 0 when none is shown
};

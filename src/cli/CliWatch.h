#pragma once

#include "check/WatchCheck.h"
#include "cli/CliInput.h"
#include "cli/CliOptions.h"
#include "cli/CliOutput.h"
#include "core/WatchList.h"

#include <QObject>
#include <QPointer>

class QIODevice;

// orlevan-cli with the watch list: names added and checked, removed, or every watched name checked, each printed
// with what the registry told and what changed since the check before. The list is changed under its lock, on the
// file as it stands when the check ends, so that a window or another terminal changing it meanwhile loses nothing.
class CliWatch final : public QObject
{
    Q_OBJECT

public:
    enum Status { AllChecked = 0, SomeNotChecked = 1, Refused = 2, Failed = 3 };

    // One name as printed: the entry after the check, and what this check saw.
    using Shown = Watch::Outcome;
    // One line of text, LF included; one JSON object, LF included.
    static QByteArray line(const Shown& shown, const QDate& today);
    static QByteArray json(const Shown& shown, const QDate& today);

    // The list at `listPath`; the checks talk through io.
    CliWatch(const CliOptions& options, QIODevice* out, QIODevice* err, const WatchCheck::Io& io = {},
             const QString& listPath = WatchList::defaultPath(), QObject* parent = nullptr);
    ~CliWatch() override;

    // Starts and returns; finished() follows, at once when nothing is to be checked.
    void start(const QList<CliInput::Name>& names);
    // Ctrl-C, SIGTERM, SIGHUP: stops the check, keeps and prints what it saw, the rest as not checked; ends with
    // 128 + signal.
    void interrupt(int signal = 2);

Q_SIGNALS:
    void finished(int status);

private:
    void say(const QString& text);
    void end(int status);
    void check(const QList<WatchEntry>& entries);
    void onChecked();
    bool print(const QList<Shown>& shown);

    const CliOptions m_options;
    const WatchCheck::Io m_io;
    QIODevice* m_err;
    CliOutput m_output;
    WatchList m_list;
    QList<WatchEntry> m_checking;
    QPointer<WatchCheck> m_check;
    int m_status = AllChecked;
    bool m_ended = false;
};

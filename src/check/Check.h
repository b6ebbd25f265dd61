#pragma once

#include "check/RunPhase.h"
#include "check/RunPlan.h"
#include "core/Candidates.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"

#include <QObject>
#include <QPointer>
#include <memory>

class WhoisConfirmation;

// One Check, without windows: from the names of a Check and a copy of the settings it needs, it plans the run,
// keeps the results table, runs the DNS run and then the WHOIS/RDAP confirmation, and reports what happens as
// values. Showing any of it is the window's (or the terminal's) job.
class Check final : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QString nameServer;
        int queryDelay = 50;
        int retries = 3;
        bool confirmWhois = false;
        bool personalSelection = false;
        QStringList suffixes; // when given, in place of the selection
        // The settings of the program now.
        static Settings current();
    };
    enum class Failure {
        Refused, // the names cannot be checked: nothing was sent
        Network, // the socket could not be prepared: the Check stands still until it is cancelled
        Send,    // a query could not be sent: the Check has stopped
        Socket,  // the socket reported an error of its own: the Check goes on
    };
    Q_ENUM(Failure)

    Check(const Candidates::Result& names, const Settings& settings, QObject* parent = nullptr);
    // Why these names cannot be checked with these settings, before any window opens; empty when they can.
    static QString refusal(const Candidates::Result& names, const Settings& settings);
    ~Check() override;

    // Starts the run and returns; it goes on by events.
    void start();
    // Ends whatever goes on now: nothing more is sent, changed or reported.
    void cancel();
    // Confirms the free candidates with WHOIS or RDAP; it goes on by events and ends with finished().
    void WhoisChecks();

    // Writes the results as a CSV file, whole or not at all; the message for the user when that failed.
    QString save(const QString& path) const;

    const RunPlan& plan() const { return m_plan; }
    const CheckResultTable& CheckResults() const { return m_results; }
    RunPhase phase() const { return m_phase; }
    bool busy() const { return RunPhases::busy(m_phase); }
    int repliesReceived() const { return m_run ? m_run->repliesReceived() : 0; }
    // How far the run has come: candidates answered, and about how long the rest may take in milliseconds.
    struct Progress
    {
        int checked = 0;
        int total = 0;
        int pass = 1;
        int passes = 1;
        qint64 msLeft = 0;
    };
    Progress runProgress() const;
    CheckRun* run() const { return m_run.get(); }
    WhoisConfirmation* confirmation() const { return m_confirmation.get(); }
    // The Check made last, while it lives.
    static Check* current();

Q_SIGNALS:
    void cellChanged(int column, int row);
    // value of maximum, and what is being done: "Checking Domains", "WHOIS checking", "RDAP : domain" ...
    void progress(int value, int maximum, const QString& caption);
    void phaseChanged(RunPhase phase);
    // Something the user should know of the answers: said once, after the run.
    void note(const QString& text);
    void failed(Check::Failure failure, const QString& text);
    void finished();

private:
    void setPhase(RunPhase phase);
    void onRunFailed(CheckRun::Failure failure, const QString& text);
    void onRunCompleted();
    void finish();

    const Settings m_settings;
    const RunPlan m_plan;
    CheckResultTable m_results;
    RunPhase m_phase = RunPhase::Idle;
    int m_progress = 0;
    QString m_caption;
    std::unique_ptr<CheckRun> m_run;
    std::unique_ptr<WhoisConfirmation> m_confirmation;
};

namespace Utils {
// A run started from the main window has not yet completed.
bool CheckRunning();
} // namespace Utils

#pragma once

// The road of one Check, from typed names to a final grid:
//
//   Candidates::build    the typed text becomes names (in the window, or a terminal's argument list)
//   Check::Inputs::of    the names, each suffix with what the domain table and the RDAP directory know of its
//                        registry, and the name server to ask, as plain values
//   Check                plans (RunPlan: columns, refusals, made-up names, one numbering of the questions),
//                        keeps the results table, and runs
//     CheckRun           one datagram per tick in passes, replies matched to their cells, the rest not checked
//     WhoisConfirmation  each free cell asked again of its registry, over RDAP or WHOIS
//   reports              cellChanged, progressChanged, note, failed, finished: values, never windows
//
// The caller builds the Check and hands it to whatever shows it: the results window, or orlevan-cli. A Check reads
// nothing program-wide while it runs; what it talks through comes in its Io.

#include "check/RunPhase.h"
#include "check/RunPlan.h"
#include "dns/CheckResults.h"
#include "dns/CheckRun.h"
#include "whois/Rdap.h"
#include "whois/WhoisClient.h"

#include <QObject>
#include <memory>
#include <optional>

class WhoisConfirmation;

class Check final : public QObject
{
    Q_OBJECT

public:
    using Inputs = RunPlan::Inputs;
    // What a Check talks through: the program's own network unless a test aims it at its fakes.
    struct Io
    {
        CheckRun::Io dns;
        WhoisClient::Setup whois;
        Rdap::Policy rdap;
    };
    enum class Failure {
        Refused, // the names cannot be checked: nothing was sent
        Network, // the socket could not be prepared: the Check stands still until it is cancelled
        Send,    // a query could not be sent: the Check has stopped
        Socket,  // the socket reported an error of its own: the Check goes on
    };
    Q_ENUM(Failure)
    // How far the Check has come: the bar's value of its maximum and what is being done, and during the DNS
    // run the candidates answered and about how long the rest may take.
    struct Progress
    {
        int value = 0;
        int maximum = 1;
        QString caption; // "Checking Domains", "WHOIS checking", "RDAP : domain" ...
        int checked = 0;
        int total = 0;
        int pass = 1;
        int passes = 1;
        qint64 msLeft = 0;
    };

    explicit Check(const Inputs& inputs, const Io& io = {}, QObject* parent = nullptr);
    ~Check() override;

    // Starts the run and returns; it goes on by events.
    void start();
    // Ends whatever goes on now: nothing more is sent, changed or reported.
    void cancel();
    // Confirms the free candidates with WHOIS or RDAP; it goes on by events and ends with finished().
    void WhoisChecks();

    // Writes the results as a CSV file, whole or not at all; the message for the user when that failed.
    std::optional<QString> save(const QString& path) const;

    const RunPlan& plan() const { return m_plan; }
    const Io& io() const { return m_io; }
    const CheckResultTable& CheckResults() const { return m_results; }
    RunPhase phase() const { return m_phase; }
    bool busy() const { return RunPhases::busy(m_phase); }
    // The Parts' CheckRunning: the DNS run has not completed.
    bool running() const { return m_phase == RunPhase::Checking || m_phase == RunPhase::NetworkFailed; }
    int repliesReceived() const { return m_run ? m_run->repliesReceived() : 0; }
    Progress progress() const;
    CheckRun* run() const { return m_run.get(); }
    WhoisConfirmation* confirmation() const { return m_confirmation.get(); }

Q_SIGNALS:
    void cellChanged(int column, int row);
    void progressChanged(const Check::Progress& progress);
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
    void reportProgress(int value, const QString& caption);

    const Inputs m_inputs;
    const Io m_io;
    const RunPlan m_plan;
    CheckResultTable m_results;
    RunPhase m_phase = RunPhase::Idle;
    int m_value = 0;
    QString m_caption;
    std::unique_ptr<CheckRun> m_run;
    std::unique_ptr<WhoisConfirmation> m_confirmation;
};

Q_DECLARE_METATYPE(Check::Progress)

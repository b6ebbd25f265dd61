#pragma once

#include "dns/CheckResults.h"
#include "whois/Rdap.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

class QTimer;
class RdapClient;
struct RdapOutcome;
struct RunPlan;
struct WhoisOutcome;

// The confirmation of the free cells of a finished run: column by column, each column top to bottom, one candidate
// at a time. A candidate whose registry offers RDAP (as the plan found it) is asked there, every other one at its
// WHOIS server. Every
// cell, asked or not, counts as one step of progress. The walk goes on after each answer from a fresh event, so
// the window is served between candidates.
class WhoisConfirmation final : public QObject
{
    Q_OBJECT

public:
    // The plan outlives the confirmation: it is its Check's.
    WhoisConfirmation(CheckResultTable& table, const RunPlan& plan, const WhoisClient::Setup& whois,
                      const Rdap::Policy& rdapPolicy, QObject* parent = nullptr);
    ~WhoisConfirmation() override;

    void start();
    // Stops the walk and any question under way: no signal follows.
    void cancel();
    bool inProgress() const { return m_state == State::Walking || m_state == State::Asking; }
    // After the walk: how many free names could not be confirmed, and at which servers; empty when none.
    QString failureNote() const;

    // Asks about the candidate of the cell being confirmed; the verdict comes back through answer().
    void FreeWithWhois(const QString& domainname);
    // A reply that says the name is not registered keeps it free; one that turns the question away leaves it to be
    // asked again; any other reply, an empty one too, makes it taken. A server that could not be reached or did
    // not finish, or broke the connection, leaves the candidate unconfirmed.
    static Whois::Verdict verdictOf(const WhoisOutcome& outcome, const QString& asked);

    WhoisClient* Whois2 = nullptr;
    RdapClient* rdap = nullptr;

Q_SIGNALS:
    // caption: "WHOIS : " or "RDAP : " and the domain.
    void asking(int column, int row, const QString& caption);
    // A WHOIS server turned a question away and is left alone for ms milliseconds before it is asked again.
    void pausing(const QString& server, int ms);
    // The cell's status changed and wants repainting.
    void cellChanged(int column, int row);
    void advanced();
    void finished();

private:
    enum class State { Idle, Walking, Asking, Finished, Cancelled };

    void walk();
    void askWhois();
    void answer(Whois::Verdict verdict);
    void whoisFinished(const WhoisOutcome& outcome);
    void rdapFinished(const RdapOutcome& outcome);

    CheckResultTable& m_table;
    const RunPlan& m_plan;
    const int m_columns;
    const int m_rows;
    int m_column = 1;
    int m_row = 1;
    int m_askedColumn = 0;
    int m_askedRow = 0;
    CheckResult::By m_askedBy = CheckResult::Dns;
    State m_state = State::Idle;
    QTimer* m_next = nullptr;
    QString m_askedServer;
    QString m_askedDomain;
    // A server that turned a question away is left alone for a while, longer each time; its name is asked again
    // at most twice.
    static constexpr int MaxRetries = 2;
    struct Backoff
    {
        int waitMs = 0;
        qint64 notBefore = 0;
    };
    QHash<QString, Backoff> m_backoff;
    QElapsedTimer m_clock;
    QTimer* m_wait = nullptr;
    const int m_refusalWaitMs;
    int m_retries = 0;
    int m_unconfirmed = 0;
    QStringList m_silentServers;
};

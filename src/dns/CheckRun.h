#pragma once

#include "dns/CheckResults.h"
#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/QueryIds.h"
#include "dns/RunSchedule.h"
#include "dns/TickSource.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// One checking run over the cells of a results table: resolves the name server, opens the socket, sends one query
// per tick in passes, records the replies, and marks what stayed unanswered. Driven by ticks and socket events
// on the UI thread; no call of it waits, and what goes wrong is reported, never shown.
class CheckRun final : public QObject
{
    Q_OBJECT

public:
    // A question about one suffix of the run, and what the server said: a made-up name under it, which must not
    // exist, or (a control) the suffix itself, which must.
    struct Canary
    {
        QString suffix;
        QString domain;
        enum Answer { None, NameError, Exists } answer = None;
        bool control = false;
    };
    struct Setup
    {
        QString nameServer;
        quint16 port = 53;
        int delayMs = 50;
        int passes = 3;
        int columns = 0;
        int rows = 0;
        QList<Canary> canaries; // asked once, before the candidates
        QueryIds ids() const { return {columns, rows, int(canaries.size())}; }
    };
    // What a run talks through. Empty: Delaytimer's kind of timer, a UDP socket of the system's own, and the
    // system's resolver.
    struct Io
    {
        std::function<std::unique_ptr<TickSource>()> ticks;
        std::function<std::unique_ptr<DnsTransport>()> transport;
        // Looks a host name up and answers through done, later, never from inside the call; context ends the
        // wait when it is destroyed first.
        std::function<void(const QString& host, QObject* context, std::function<void(const QHostInfo&)> done)>
            lookupHost;
    };
    enum class State { Idle, Resolving, Running, Completed, NetworkFailed, SendFailed, Cancelled };
    enum class Failure {
        Network, // the socket could not be prepared: the run stands still until it is cancelled
        Send,    // a query could not be sent: the run has stopped
        Socket,  // the socket reported an error of its own: the run goes on
    };
    Q_ENUM(Failure)
    // What the eye can tell apart, in milliseconds.
    static constexpr int FrameMs = 1000 / 30;

    CheckRun(CheckResultTable& table, const Setup& setup, const Io& io = {}, QObject* parent = nullptr);
    ~CheckRun() override;

    void start();
    // Ends the run now: nothing more is sent and nothing more is reported.
    void cancel();
    // While held, no tick comes and nothing is sent; holds nest, and the last release goes on where it stopped.
    void hold();
    void release();

    State state() const { return m_state; }
    bool inProgress() const { return m_state == State::Resolving || m_state == State::Running; }
    int repliesReceived() const { return m_replies; }
    // The server answered, but only to say it would not answer.
    bool onlyRefusals() const { return m_refusals > 0 && m_answers == 0; }
    int queriesSent() const { return m_sent; }
    // The pass under way, from 1.
    int pass() const { return m_schedule.pass() + 1; }
    // Whether any datagram came from the server, whatever it said.
    bool heard() const { return m_heard; }
    quint16 localPort() const;
    const QList<Canary>& canaries() const { return m_canaries; }
    int canariesUnanswered() const;

    // Said when the name server's host name could not be looked up.
    static QString notFoundText(const QString& nameServer);
    // Said after a run in which not one datagram came from the name server.
    static QString silentServerText(const QString& nameServer);
    // Said after a run whose name server refused every question.
    static QString onlyRefusalsText(const QString& nameServer);
    // What the user is told after the run about its name server: none, one or both notes below.
    QStringList notes(const QString& nameServer) const;
    // Said after a run where the server said made-up names exist; empty when it said no such thing.
    static QString canaryText(const QList<Canary>& canaries, const QString& nameServer);
    // Said after a run where the server said suffixes themselves do not exist, and free cells there were dropped.
    static QString missingSuffixText(const QStringList& suffixes, const QString& nameServer);
    // Said after a run where the server refused or failed on names under these suffixes, with the codes it sent.
    static QString refusedText(const QStringList& suffixesWithCodes, const QString& nameServer);
    // FORMERR, SERVFAIL, NOTIMP, REFUSED, or the number.
    static QString rcodeName(quint8 rcode);
    // Said after a run where made-up names under these suffixes got no answer, and taken cells there were dropped.
    static QString unvouchedText(const QStringList& suffixes);
    static QString failureText(Failure failure);

Q_SIGNALS:
    void cellAnswered(int column, int row, int repliesReceived);
    void completed();
    void failed(CheckRun::Failure failure, const QString& text);

private:
    void onResolved(const QHostInfo& info);
    void openSocket(const QHostAddress& server);
    void onTick();
    void handle(const RunSchedule::Step& step);
    void send(int step);
    void finish();
    void onDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);
    void onSocketError();
    void stopIo();
    void fail(Failure failure);

    CheckResultTable& m_table;
    const Setup m_setup;
    const QueryIds m_ids;
    const Io m_io;
    std::unique_ptr<TickSource> m_ticks;
    std::unique_ptr<DnsTransport> m_transport;
    QList<Canary> m_canaries;
    QList<QByteArray> m_queries; // by step of a pass, once sent
    RunSchedule m_schedule;
    RunSchedule::PendingFn m_pending;
    State m_state = State::Idle;
    QHostAddress m_server;
    int m_sent = 0;
    int m_holds = 0;
    int m_replies = 0;
    int m_answers = 0;
    int m_refusals = 0;
    bool m_heard = false;    // any datagram from the server, whatever it said
    QStringList m_unvouched; // suffixes whose taken cells ended not checked for want of a made-up name's answer
    QStringList m_missing;   // suffixes said not to exist, whose free cells ended not checked
    QStringList m_refused;   // suffixes with cells that got only refusals, with their codes: ".com (REFUSED)"
};

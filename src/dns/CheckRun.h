#pragma once

#include "core/Platform.h"
#include "dns/CheckResults.h"
#include "dns/DNS.h"
#include "dns/DnsTransport.h"
#include "dns/RunSchedule.h"
#include "dns/TickSource.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// One checking run over the cells of CheckResults: resolves the name server, opens the socket, sends one query
// per tick in passes, records the replies, and marks what stayed unanswered. Driven by ticks and socket events
// on the UI thread; no call of it waits.
class CheckRun final : public QObject
{
    Q_OBJECT

public:
    // A made-up name under one suffix of the run, and what the server said of it.
    struct Canary
    {
        QString suffix;
        QString domain;
        qint16 queryId = 0;
        enum Answer { None, NameError, Exists } answer = None;
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
    };
    enum class State { Idle, Resolving, Running, Completed, NetworkFailed, SendFailed, Cancelled };
    // What the eye can tell apart, in milliseconds.
    static constexpr int FrameMs = 1000 / 30;

    // Without a tick source or transport of its own the run makes them with the factories below, else with
    // Delaytimer's kind of timer and a UDP socket.
    CheckRun(CheckResultTable& table, const Setup& setup, std::unique_ptr<TickSource> ticks = {},
             std::unique_ptr<DnsTransport> transport = {}, QObject* parent = nullptr);
    ~CheckRun() override;

    void start();
    // Ends the run now: nothing more is sent, no completion follows, no message of the run appears.
    void cancel();

    State state() const { return m_state; }
    bool inProgress() const { return m_state == State::Resolving || m_state == State::Running; }
    int repliesReceived() const { return m_replies; }
    int refusalsReceived() const { return m_refusals; }
    // The server answered, but only to say it would not answer.
    bool onlyRefusals() const { return m_refusals > 0 && m_answers == 0; }
    int queriesSent() const { return m_sent; }
    QHostAddress serverAddress() const { return m_server; }
    quint16 localPort() const;

    // Column and row (from 1) of a query identifier in a grid of `rows` rows; nothing when no cell has it.
    struct Cell
    {
        int column;
        int row;
    };
    static std::optional<Cell> cellOfQueryId(int id, int columns, int rows);
    // Said after a run whose name server refused every question.
    static QString onlyRefusalsText(const QString& nameServer);
    const QList<Canary>& canaries() const { return m_canaries; }
    // What the user is told after the run about its name server: none, one or both notes below.
    QStringList notes(const QString& nameServer) const;
    // Said after a run where the server said made-up names exist; empty when it said no such thing.
    static QString canaryText(const QList<Canary>& canaries, const QString& nameServer);

    // Test seams for runs started by the results window.
    static std::function<std::unique_ptr<TickSource>()> tickSourceFactory;
    static std::function<std::unique_ptr<DnsTransport>()> transportFactory;

Q_SIGNALS:
    void cellAnswered(int column, int row, int repliesReceived);
    void completed();
    // The socket could not be prepared; the message follows. The run stands still until it is cancelled.
    void networkFailed();
    // The send error was reported; the owner ends the run's window.
    void sendFailed();

private:
    void onResolved(const QHostInfo& info);
    void openSocket(const QHostAddress& server);
    void onTick();
    void handle(const RunSchedule::Step& step);
    void send(int cell);
    void finish();
    void onDatagram(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);
    void onSocketError();
    void stopIo();
    // Shows a message of the run after the current event; the run stands still until it is closed.
    void showMessage(const QString& text, Platform::Icon icon, std::function<void()> then = {});
    CheckResult& cellAt(int cell);
    void recordCanary(Canary& canary, const QByteArray& datagram, const DNS::ReplyInfo& info, const QByteArray& query);

    CheckResultTable& m_table;
    const Setup m_setup;
    std::unique_ptr<TickSource> m_ticks;
    std::unique_ptr<DnsTransport> m_transport;
    QList<Canary> m_canaries;
    QList<QByteArray> m_queries; // by cell of the schedule, once sent
    RunSchedule m_schedule;
    RunSchedule::PendingFn m_pending;
    State m_state = State::Idle;
    QHostAddress m_server;
    int m_sent = 0;
    int m_replies = 0;
    int m_answers = 0;
    int m_refusals = 0;
    int m_held = 0;
    bool m_tickWhileHeld = false;
};

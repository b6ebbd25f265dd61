#pragma once

#include "whois/ReplyDecoder.h"

#include <QAbstractSocket>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QString>

class QTcpSocket;
class QTimer;

// How one exchange of a WhoisClient ended.
struct WhoisOutcome
{
    enum Status { Reply, EmptyReply, Failure };

    Status status = Failure;
    // A WhoisClient::ErrorCode when status is Failure, otherwise 0.
    qint16 error = 0;
    // WholeReply: the whole reply (what had arrived, for a failure). Pieces: empty, the reply went out through
    // read().
    QString text;
    // The reply was longer than the bound and was cut there.
    bool truncated = false;
};
Q_DECLARE_METATYPE(WhoisOutcome)

// A client of the WHOIS protocol: the query and CR LF go to the server's port, the reply is read until the
// server closes. Nothing here waits: connectToServer() starts an exchange and the signals tell how it goes.
//
// WholeReply keeps the whole reply and hands it over at the end through finished(). Pieces announces each piece
// with dataReady() as it arrives, to be taken with read(), and the end with endOfReply(). Both report failures through
// connectFailed() or readFailed(), and end every exchange they started with exactly one finished(), unless
// disconnectFromServer(), the next connectToServer() or the client's destruction came first: after those nothing more
// is emitted for that exchange. Any handler may do any of the three.
//
// Every wait is bounded: connecting (host look-up included) and the whole exchange have time limits, and the
// reply is cut after a number of bytes.
class WhoisClient final : public QObject
{
    Q_OBJECT

public:
    enum ErrorCode : qint16 {
        NoError = 0,
        NoServer = 1,     // no host name or no port to connect to
        HostNotFound = 2, // the host name could not be looked up
        ConnectionRefused = 3,
        ConnectFailed = 4,    // unreachable, or any other failure to connect
        ConnectTimedOut = 5,  // no connection within the connect limit
        ExchangeTimedOut = 6, // connected, but the server did not finish within the exchange limit
        ReadFailed = 7,       // the connection broke while the reply came in
    };

    static constexpr quint16 DefaultPort = 43;
    static constexpr int DefaultConnectTimeout = 10 * 1000;
    static constexpr int DefaultExchangeTimeout = 30 * 1000;
    static constexpr qint64 DefaultMaxReplyBytes = 1024 * 1024;

    // How the program reaches WHOIS servers; tests aim it at their loopback server. 0: the client's own.
    struct Setup
    {
        quint16 port = 0;
        int connectMs = 0;
        int exchangeMs = 0;
        // How long a confirmation leaves a server alone that turned a question away; doubled each time it does.
        int refusalWaitMs = 10000;
    };
    // What the caller does with a reply: take it piece by piece as it arrives, or whole at the end.
    enum class Delivery { Pieces, WholeReply };

    explicit WhoisClient(QObject* parent = nullptr);
    ~WhoisClient() override;

    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    // The setup's port and time limits, where it sets them.
    void apply(const Setup& setup);
    void setDelivery(Delivery delivery) { m_delivery = delivery; }
    QString server() const { return m_server; }
    void setServer(const QString& server) { m_server = server; }
    QString query() const { return m_query; }
    void setQuery(const QString& query) { m_query = query; }

    // Milliseconds; the connect limit runs from connectToServer() to the connection, the exchange limit from
    // connectToServer() to the server's close.
    void setTimeLimits(int connectMs, int exchangeMs);
    void setMaxReplyBytes(qint64 bytes) { m_maxReplyBytes = bytes; }

    // Starts an exchange with server() about query(), ending an earlier one silently. Returns 0 when the
    // attempt is under way, otherwise the code of why it could not start; then no signal follows.
    qint16 connectToServer();
    // Moves up to count characters of the reply that wait into text and returns how many; 0 when nothing
    // waits, -1 when nothing waits and the exchange failed (lastError() tells why).
    int read(QString& text, int count);
    // Ends the exchange at once, without any signal. Harmless at any time.
    void disconnectFromServer();

    // An exchange was started and has not ended yet.
    bool isBusy() const { return m_phase != Phase::Idle; }
    qint16 lastError() const { return m_lastError; }
    void setLastError(qint16 code) { m_lastError = code; }

Q_SIGNALS:
    // Pieces: count characters of the reply wait to be read.
    void dataReady(int count);
    // Pieces: the server has closed, the reply is complete.
    void endOfReply();
    // No connection could be made; code is an ErrorCode.
    void connectFailed(qint16 code);
    // The connection was made but the reply could not be read to its end; code is an ErrorCode.
    void readFailed(qint16 code);
    // The exchange is over; always the last signal of an exchange.
    void finished(const WhoisOutcome& outcome);

private:
    enum class Phase { Idle, Connecting, Connected };

    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onConnectTimeout();
    void onExchangeTimeout();

    // Takes what the socket holds, up to the byte bound, and tells what follows.
    enum class Took { More, Cut, Closed, Reset };
    Took takeBytes();
    void endReply(bool cut);
    void fail(qint16 code);
    void dropSocket();
    qsizetype waitingCount() const { return m_waiting.size() - m_readPos; }

    quint16 m_port = DefaultPort;
    Delivery m_delivery = Delivery::Pieces;
    QString m_server;
    QString m_query;
    int m_connectTimeout = DefaultConnectTimeout;
    int m_exchangeTimeout = DefaultExchangeTimeout;
    qint64 m_maxReplyBytes = DefaultMaxReplyBytes;

    QPointer<QTcpSocket> m_socket;
    QTimer* m_connectTimer = nullptr;
    QTimer* m_exchangeTimer = nullptr;
    Phase m_phase = Phase::Idle;
    // Counts exchanges, so that code resuming after a signal can tell whether its exchange is still the current one.
    quint64 m_exchange = 0;
    qint16 m_lastError = NoError;
    qint64 m_received = 0;
    ReplyDecoder m_decoder;
    QString m_waiting;
    qsizetype m_readPos = 0;
};

#include "whois/WhoisClient.h"

#include "core/Release.h"

#include <QTcpSocket>
#include <QTimer>

#include <cerrno>
#include <sys/socket.h>

#include <algorithm>
#include <limits>

namespace {
// What the socket may hold before we take it; with the byte bound this keeps a flood from filling memory.
constexpr qint64 SocketBufferBytes = 64 * 1024;
} // namespace

WhoisClient::WhoisClient(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<WhoisOutcome>();
    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, &WhoisClient::onConnectTimeout);
    m_exchangeTimer = new QTimer(this);
    m_exchangeTimer->setSingleShot(true);
    connect(m_exchangeTimer, &QTimer::timeout, this, &WhoisClient::onExchangeTimeout);
}

WhoisClient::~WhoisClient()
{
    dropSocket();
}

void WhoisClient::setTimeLimits(int connectMs, int exchangeMs)
{
    m_connectTimeout = connectMs;
    m_exchangeTimeout = exchangeMs;
}

void WhoisClient::apply(const Setup& setup)
{
    if (setup.port > 0)
        m_port = setup.port;
    setTimeLimits(setup.connectMs > 0 ? setup.connectMs : m_connectTimeout,
                  setup.exchangeMs > 0 ? setup.exchangeMs : m_exchangeTimeout);
}

qint16 WhoisClient::connectToServer()
{
    disconnectFromServer();
    ++m_exchange;
    m_received = 0;
    m_decoder.reset();
    m_waiting.clear();
    m_readPos = 0;

    // Host names never hold blanks; a table entry with a stray one still reaches its server.
    const QString host = m_server.trimmed();
    if (host.isEmpty() || m_port == 0) {
        m_lastError = NoServer;
        return NoServer;
    }
    m_lastError = NoError;
    m_phase = Phase::Connecting;

    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(SocketBufferBytes);
    connect(m_socket, &QTcpSocket::connected, this, &WhoisClient::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &WhoisClient::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &WhoisClient::onSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        if (m_phase == Phase::Connected)
            onReadyRead();
    });
    m_connectTimer->start(m_connectTimeout);
    m_exchangeTimer->start(m_exchangeTimeout);
    // Unbuffered, so that the reply's end is seen before Qt reads it: to a read, a reset looks like a close.
    m_socket->connectToHost(host, m_port, QIODevice::ReadWrite | QIODevice::Unbuffered);
    return NoError;
}

int WhoisClient::read(QString& text, int count)
{
    text.clear();
    if (waitingCount() == 0)
        return m_lastError != NoError ? -1 : 0;
    if (count <= 0)
        return 0;
    qsizetype n = std::min<qsizetype>(count, waitingCount());
    // Never part a surrogate pair.
    if (n < waitingCount() && m_waiting.at(m_readPos + n - 1).isHighSurrogate())
        n = n > 1 ? n - 1 : n + 1;
    text = m_waiting.mid(m_readPos, n);
    m_readPos += n;
    if (m_readPos == m_waiting.size()) {
        m_waiting.clear();
        m_readPos = 0;
    } else if (m_readPos > SocketBufferBytes && m_readPos * 2 > m_waiting.size()) {
        m_waiting.remove(0, m_readPos);
        m_readPos = 0;
    }
    return int(n);
}

void WhoisClient::disconnectFromServer()
{
    m_connectTimer->stop();
    m_exchangeTimer->stop();
    m_phase = Phase::Idle;
    dropSocket();
}

void WhoisClient::onConnected()
{
    m_connectTimer->stop();
    m_phase = Phase::Connected;
    // The request is one line: a line break inside the query would send a second request.
    QString request = m_query;
    request.replace(QLatin1Char('\r'), QLatin1Char(' '));
    request.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_socket->write(request.toUtf8() + "\r\n");
}

void WhoisClient::onReadyRead()
{
    if (m_phase != Phase::Connected)
        return;
    switch (takeBytes()) {
    case Took::Cut:
        return endReply(true);
    case Took::Closed:
        return endReply(false);
    case Took::Reset:
        // A server that resets the connection gave no whole reply, whatever it sent before.
        return fail(ReadFailed);
    case Took::More:
        break;
    }
    if (m_delivery == Delivery::Pieces && waitingCount() > 0)
        Q_EMIT dataReady(int(std::min<qsizetype>(waitingCount(), std::numeric_limits<int>::max())));
}

void WhoisClient::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_phase == Phase::Connecting) {
        switch (error) {
        case QAbstractSocket::HostNotFoundError:
            fail(HostNotFound);
            break;
        case QAbstractSocket::ConnectionRefusedError:
            fail(ConnectionRefused);
            break;
        default:
            fail(ConnectFailed);
            break;
        }
    } else if (m_phase == Phase::Connected) {
        // The server closing its end is how a WHOIS reply ends; the disconnected signal that follows takes it.
        if (error != QAbstractSocket::RemoteHostClosedError)
            fail(ReadFailed);
    }
}

void WhoisClient::onConnectTimeout()
{
    if (m_phase == Phase::Connecting)
        fail(ConnectTimedOut);
}

void WhoisClient::onExchangeTimeout()
{
    if (m_phase == Phase::Connecting)
        fail(ConnectTimedOut);
    else if (m_phase == Phase::Connected)
        fail(ExchangeTimedOut);
}

WhoisClient::Took WhoisClient::takeBytes()
{
    for (;;) {
        if (!m_socket)
            return Took::Closed;
        // Looked at first: Qt's read would take the server's reset for its close.
        char next = 0;
        const auto peeked = ::recv(int(m_socket->socketDescriptor()), &next, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked == 0)
            return Took::Closed;
        if (peeked < 0 && errno == EINTR)
            continue;
        if (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Took::Reset;
        const qint64 room = m_maxReplyBytes - m_received;
        if (peeked > 0 && room <= 0)
            return Took::Cut;
        // With nothing waiting, the read tells the socket to wake the program for what comes next.
        const QByteArray bytes = m_socket->read(peeked < 0 ? 1 : std::min<qint64>(room, 64 * 1024));
        if (bytes.isEmpty())
            return Took::More;
        m_received += bytes.size();
        m_waiting += m_decoder.decode(bytes);
    }
}

void WhoisClient::endReply(bool cut)
{
    m_connectTimer->stop();
    m_exchangeTimer->stop();
    m_phase = Phase::Idle;
    dropSocket();
    m_waiting += m_decoder.flush();

    // A handler may start the next exchange or destroy this client; then this one says nothing more.
    const QPointer<WhoisClient> self(this);
    const quint64 exchange = m_exchange;
    const auto gone = [&] {
        return !self || m_exchange != exchange;
    };

    WhoisOutcome outcome;
    outcome.status = m_received > 0 ? WhoisOutcome::Reply : WhoisOutcome::EmptyReply;
    outcome.truncated = cut;
    if (m_delivery == Delivery::WholeReply) {
        outcome.text = m_waiting.mid(m_readPos);
    } else {
        if (waitingCount() > 0) {
            Q_EMIT dataReady(int(std::min<qsizetype>(waitingCount(), std::numeric_limits<int>::max())));
            if (gone())
                return;
        }
        Q_EMIT endOfReply();
        if (gone())
            return;
    }
    Q_EMIT finished(outcome);
}

void WhoisClient::fail(qint16 code)
{
    const bool connecting = m_phase == Phase::Connecting;
    m_connectTimer->stop();
    m_exchangeTimer->stop();
    m_phase = Phase::Idle;
    dropSocket();
    m_lastError = code;

    const QPointer<WhoisClient> self(this);
    const quint64 exchange = m_exchange;
    if (connecting)
        Q_EMIT connectFailed(code);
    else
        Q_EMIT readFailed(code);
    if (!self || m_exchange != exchange)
        return;

    WhoisOutcome outcome;
    outcome.status = WhoisOutcome::Failure;
    outcome.error = code;
    outcome.truncated = false;
    if (m_delivery == Delivery::WholeReply)
        outcome.text = m_waiting.mid(m_readPos);
    Q_EMIT finished(outcome);
}

void WhoisClient::dropSocket()
{
    releaseLater(m_socket, this, [](QTcpSocket* socket) { socket->abort(); });
}

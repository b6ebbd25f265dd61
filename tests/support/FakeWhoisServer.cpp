#include "support/FakeWhoisServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

FakeWhoisServer::FakeWhoisServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &FakeWhoisServer::onNewConnection);
}

FakeWhoisServer::~FakeWhoisServer()
{
    // The connections are children of the listening server; they go quietly with it.
    const auto sockets = m_server->findChildren<QTcpSocket*>();
    for (QTcpSocket* socket : sockets) {
        disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
}

bool FakeWhoisServer::start(const QHostAddress& address, quint16 port)
{
    return m_server->listen(address, port);
}

quint16 FakeWhoisServer::port() const
{
    return m_server->serverPort();
}

bool FakeWhoisServer::startStalled()
{
    m_server->setListenBacklogSize(0);
    if (!m_server->listen(QHostAddress(QHostAddress::LocalHost), 0))
        return false;
    m_server->pauseAccepting();
    m_filler = new QTcpSocket(this);
    m_filler->connectToHost(QHostAddress(QHostAddress::LocalHost), m_server->serverPort());
    return true;
}

bool FakeWhoisServer::stalled() const
{
    return m_filler && m_filler->state() == QAbstractSocket::ConnectedState;
}

quint16 FakeWhoisServer::refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void FakeWhoisServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        ++connections;
        const Script script = m_scripts.isEmpty() ? m_default : m_scripts.takeFirst();
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, script, request] {
            if (request->endsWith('\n'))
                return; // the request is complete; a well-behaved client sends nothing more
            *request += socket->readAll();
            if (!request->contains('\n'))
                return;
            request->truncate(request->indexOf('\n') + 1);
            requests.append(*request);
            Q_EMIT requestReceived(*request);
            serve(socket, script);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            socket->deleteLater();
            Q_EMIT connectionClosed();
        });
    }
}

void FakeWhoisServer::serve(QTcpSocket* socket, const Script& script)
{
    lastBytesSent = 0;
    lastClosedByClient = false;
    switch (script.mode) {
    case Mode::Reply:
        lastBytesSent = socket->write(script.reply);
        socket->disconnectFromHost();
        break;
    case Mode::CloseMidReply:
        lastBytesSent = socket->write(script.reply.left(script.reply.size() / 2));
        socket->disconnectFromHost();
        break;
    case Mode::Hang:
        break;
    case Mode::Trickle: {
        auto* timer = new QTimer(socket);
        auto offset = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [this, socket, timer, script, offset] {
            if (*offset >= script.reply.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            lastBytesSent += socket->write(script.reply.mid(*offset, script.chunkBytes));
            *offset += script.chunkBytes;
        });
        timer->start(script.intervalMs);
        break;
    }
    case Mode::Huge: {
        // Lines of text, written only as fast as the client takes them so the server's own buffer stays small.
        const QByteArray line = QByteArray(70, 'x') + "\r\n";
        QByteArray block;
        while (block.size() < 64 * 1024)
            block += line;
        const qint64 total = script.hugeBytes;
        const auto more = [this, socket, block, total] {
            if (socket->state() != QAbstractSocket::ConnectedState || socket->bytesToWrite() > 0)
                return;
            if (total >= 0 && lastBytesSent >= total) {
                socket->disconnectFromHost();
                return;
            }
            const qint64 size = total < 0 ? block.size() : std::min<qint64>(block.size(), total - lastBytesSent);
            lastBytesSent += socket->write(block.constData(), size);
        };
        connect(socket, &QTcpSocket::bytesWritten, this, more);
        connect(socket, &QTcpSocket::disconnected, this,
                [this, total] { lastClosedByClient = total < 0 || lastBytesSent < total; });
        more();
        break;
    }
    }
}

#include "support/FakeWhoisServer.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <limits>
#include <memory>

#include <sys/socket.h>

FakeWhoisServer::FakeWhoisServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            const Script script = m_scripts.isEmpty() ? m_default : m_scripts.takeFirst();
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, script, request] {
                if (request->endsWith('\n'))
                    return;
                *request += socket->readAll();
                if (!request->contains('\n'))
                    return;
                request->truncate(request->indexOf('\n') + 1);
                requests.append(*request);
                Q_EMIT requestReceived();
                serve(socket, script);
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                socket->deleteLater();
                Q_EMIT connectionClosed();
            });
        }
    });
}

FakeWhoisServer::~FakeWhoisServer()
{
    for (QTcpSocket* socket : m_server->findChildren<QTcpSocket*>()) {
        disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
}

bool FakeWhoisServer::start(const QHostAddress& address, quint16 port)
{
    return m_server->listen(address, port);
}

bool FakeWhoisServer::startStalled()
{
    m_server->setListenBacklogSize(0);
    if (!start())
        return false;
    m_server->pauseAccepting();
    m_filler = new QTcpSocket(this);
    m_filler->connectToHost(QHostAddress(QHostAddress::LocalHost), port());
    return true;
}

bool FakeWhoisServer::stalled() const
{
    return m_filler && m_filler->state() == QAbstractSocket::ConnectedState;
}

quint16 FakeWhoisServer::port() const
{
    return m_server->serverPort();
}

quint16 FakeWhoisServer::refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.serverPort(); // closed on return
}

void FakeWhoisServer::serve(QTcpSocket* socket, const Script& script)
{
    QByteArray data = script.reply;
    if (script.mode == Mode::Hang)
        return;
    if (script.mode == Mode::Reply) {
        socket->write(data);
        socket->disconnectFromHost();
        return;
    }
    if (script.mode == Mode::Reset) {
        socket->write(data);
        socket->flush();
        // No lingering: closing sends a reset, as a crashed server or a broken route would.
        const linger now{1, 0};
        setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        socket->abort();
        return;
    }
    // Huge: as fast as the client takes it.
    while (data.size() < 64 * 1024)
        data += QByteArray(70, 'x') + "\r\n";
    const qint64 total = script.hugeBytes < 0 ? std::numeric_limits<qint64>::max() : script.hugeBytes;
    auto sent = std::make_shared<qint64>(0);
    const auto pump = [socket, data, total, sent] {
        if (socket->bytesToWrite() > 0 || socket->state() != QAbstractSocket::ConnectedState)
            return;
        if (*sent >= total) {
            socket->disconnectFromHost();
            return;
        }
        const qint64 size = std::min<qint64>(data.size(), total - *sent);
        socket->write(data.constData(), size);
        *sent += size;
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, pump);
    pump();
}

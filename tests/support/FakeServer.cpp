#include "support/FakeServer.h"

#include "support/ProgramState.h"

#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <sys/socket.h>

namespace {
QTcpServer* tlsServer(QObject* parent)
{
    const QByteArray certificate = readFile(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/loopback.crt");
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.addCaCertificate(QSslCertificate(certificate));
    QSslConfiguration::setDefaultConfiguration(trusting);
    QSslConfiguration configuration = trusting;
    configuration.setLocalCertificate(QSslCertificate(certificate));
    configuration.setPrivateKey(QSslKey(readFile(ORLEVAN_SOURCE_DIR "/tests/whois/fixtures/loopback.key"), QSsl::Rsa));
    auto* server = new QSslServer(parent);
    server->setSslConfiguration(configuration);
    return server;
}
} // namespace

FakeServer::FakeServer(bool http, bool tls)
    : m_http(http), m_tls(tls), m_server(tls ? tlsServer(this) : new QTcpServer(this))
{
    if (http)
        m_default = FakeServer::http(400, "unknown path");
    // A TLS server hands a connection over once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
                const QByteArray end = m_http ? "\r\n\r\n" : "\n";
                if (head->endsWith(end))
                    return;
                *head += socket->readAll();
                if (head->contains(end)) {
                    head->truncate(head->indexOf(end) + end.size());
                    serve(socket, *head);
                }
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                socket->deleteLater();
                Q_EMIT connectionClosed();
            });
        }
    });
}

FakeServer::~FakeServer()
{
    for (QTcpSocket* socket : findChildren<QTcpSocket*>()) {
        disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
}

bool FakeServer::start()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

bool FakeServer::startStalled()
{
    m_server->setListenBacklogSize(0);
    if (!start())
        return false;
    m_server->pauseAccepting();
    m_filler = new QTcpSocket(this);
    m_filler->connectToHost(QHostAddress::LocalHost, port());
    return true;
}

bool FakeServer::stalled() const
{
    return m_filler && m_filler->state() == QAbstractSocket::ConnectedState;
}

quint16 FakeServer::port() const
{
    return m_server->serverPort();
}

QString FakeServer::url(const QByteArray& path) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? "https" : "http").arg(port()) + QString::fromLatin1(path);
}

quint16 FakeServer::refusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed on return
}

FakeServer::Script FakeServer::http(int status, const QByteArray& body,
                                    const QList<QPair<QByteArray, QByteArray>>& headers)
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\n";
    for (const auto& header : headers)
        out += header.first + ": " + header.second + "\r\n";
    return {Mode::Reply, out + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body};
}

QByteArray FakeServer::Request::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        if (line.toLower().startsWith(name.toLower() + ':'))
            return line.mid(name.size() + 1).trimmed();
    }
    return {};
}

QList<QByteArray> FakeServer::heads() const
{
    QList<QByteArray> all;
    for (const Request& request : requests)
        all.append(request.head);
    return all;
}

void FakeServer::serve(QTcpSocket* socket, const QByteArray& head)
{
    requests.append({head});
    QList<Script>& queue = m_routes[m_http ? head.split(' ').value(1) : QByteArray()];
    const Script script = queue.isEmpty() ? m_default : queue.takeFirst();
    if (script.mode == Mode::Reply) {
        socket->write(script.reply);
        socket->disconnectFromHost();
    } else if (script.mode == Mode::Reset) {
        socket->write(script.reply);
        socket->flush();
        const linger now{1, 0}; // closing then sends a reset
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
        socket->abort();
    } else if (script.mode == Mode::Huge) {
        const QByteArray lines = QByteArray(70, 'x').append("\r\n").repeated(1000);
        const auto pump = [socket, lines] {
            if (socket->bytesToWrite() == 0 && socket->state() == QAbstractSocket::ConnectedState)
                socket->write(lines);
        };
        connect(socket, &QTcpSocket::bytesWritten, socket, pump);
        pump();
    }
}

#include "support/FakeRdapServer.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

FakeRdapServer::FakeRdapServer(QObject* parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            auto head = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, head] {
                if (head->endsWith("\r\n\r\n"))
                    return;
                *head += socket->readAll();
                const qsizetype end = head->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                head->truncate(end + 4);
                respond(socket, *head);
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

FakeRdapServer::~FakeRdapServer()
{
    for (QTcpSocket* socket : m_server->findChildren<QTcpSocket*>()) {
        disconnect(socket, nullptr, nullptr, nullptr);
        socket->abort();
    }
}

bool FakeRdapServer::start(const QHostAddress& address)
{
    m_startMs = QDateTime::currentMSecsSinceEpoch();
    return m_server->listen(address, 0);
}

quint16 FakeRdapServer::port() const
{
    return m_server->serverPort();
}

QString FakeRdapServer::url(const QByteArray& path) const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port()) + QString::fromLatin1(path);
}

void FakeRdapServer::respond(QTcpSocket* socket, const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    Request request;
    request.path = lines.value(0).split(' ').value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    request.atMs = QDateTime::currentMSecsSinceEpoch() - m_startMs;
    requests.append(request);
    Q_EMIT requestReceived();

    QList<Answer>& queue = m_routes[request.path];
    Answer answer{400, "unknown path", {}, false};
    if (!queue.isEmpty())
        answer = queue.size() > 1 ? queue.takeFirst() : queue.first();
    if (answer.hang)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + " Answer\r\n";
    for (const auto& header : answer.headers)
        out += header.first + ": " + header.second + "\r\n";
    out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(out + answer.body);
    socket->disconnectFromHost();
}

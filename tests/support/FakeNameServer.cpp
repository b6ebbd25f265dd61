#include "support/FakeNameServer.h"

#include <QNetworkDatagram>
#include <QRegularExpression>

FakeNameServer::FakeNameServer(const QHostAddress& address, QObject* parent) : QObject(parent)
{
    m_socket.bind(address, 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, [this] { readFrom(&m_socket); });
}

bool FakeNameServer::isMadeUp(const QString& name)
{
    static const QRegularExpression madeUp(QStringLiteral("^[a-z0-9]{24,}\\."));
    return madeUp.match(name).hasMatch();
}

static QString decodeName(const QByteArray& datagram)
{
    QStringList labels;
    qsizetype pos = 12;
    while (pos < datagram.size()) {
        const int length = quint8(datagram.at(pos));
        if (length == 0)
            break;
        labels.append(QString::fromLatin1(datagram.mid(pos + 1, length)));
        pos += length + 1;
    }
    return labels.join(QLatin1Char('.'));
}

QByteArray FakeNameServer::replyFor(const QByteArray& query, quint8 rcode, bool withQuestion)
{
    QByteArray reply = query;
    reply[2] = char(quint8(query.at(2)) | 0x80);
    reply[3] = char(0x80 | rcode);
    if (!withQuestion) {
        reply.truncate(12);
        reply[5] = 0;
    }
    return reply;
}

void FakeNameServer::sendTo(const Query& query, const QByteArray& datagram)
{
    m_socket.writeDatagram(datagram, query.sender, query.senderPort);
}

void FakeNameServer::readFrom(QUdpSocket* socket)
{
    while (socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram();
        Query query;
        query.datagram = datagram.data();
        query.name = decodeName(query.datagram);
        query.sender = datagram.senderAddress();
        query.senderPort = quint16(datagram.senderPort());
        queries.append(query);
        std::optional<QByteArray> reply;
        const bool free = freeNames.contains(query.name) || isMadeUp(query.name);
        if (!silentNames.contains(query.name))
            reply = responder ? responder(query) : replyFor(query.datagram, free ? 3 : 0);
        if (reply)
            socket->writeDatagram(*reply, query.sender, query.senderPort);
        socket->writeDatagram(QByteArray(Sentinel, 2), query.sender, query.senderPort);
    }
}

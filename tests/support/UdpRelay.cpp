#include "support/UdpRelay.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace {

int idOf(const QByteArray& datagram)
{
    return datagram.size() >= 2 ? quint8(datagram.at(0)) * 256 + quint8(datagram.at(1)) : -1;
}

QByteArray withId(QByteArray datagram, int id)
{
    datagram[0] = char(quint8(id >> 8));
    datagram[1] = char(quint8(id));
    return datagram;
}

// Name error becomes success and anything else name error.
QByteArray flipped(QByteArray reply)
{
    const bool nameError = (quint8(reply.at(3)) & 0x1F) == 3;
    reply[3] = char((quint8(reply.at(3)) & 0xF0) | (nameError ? 0 : 3));
    return reply;
}

} // namespace

UdpRelay::UdpRelay(quint16 serverPort, const Faults& faults, quint32 seed, QObject* parent)
    : QObject(parent), m_faults(faults), m_serverPort(serverPort), m_random(seed)
{
    m_front.bind(QHostAddress::LocalHost, 0);
    m_upstream.bind(QHostAddress::LocalHost, 0);
    m_otherPort.bind(QHostAddress::LocalHost, 0);
    m_otherAddress.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0);
    connect(&m_front, &QUdpSocket::readyRead, this, &UdpRelay::fromClient);
    connect(&m_upstream, &QUdpSocket::readyRead, this, &UdpRelay::fromServer);
}

bool UdpRelay::isListening() const
{
    for (const QUdpSocket* socket : {&m_front, &m_upstream, &m_otherPort, &m_otherAddress}) {
        if (socket->state() != QAbstractSocket::BoundState)
            return false;
    }
    return true;
}

void UdpRelay::fromClient()
{
    while (m_front.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_front.receiveDatagram();
        m_client = datagram.senderAddress();
        m_clientPort = quint16(datagram.senderPort());
        ++queries;
        if (chance(m_faults.dropPercent)) {
            ++dropped;
            continue;
        }
        m_upstream.writeDatagram(datagram.data(), QHostAddress::LocalHost, m_serverPort);
    }
}

void UdpRelay::fromServer()
{
    while (m_upstream.hasPendingDatagrams()) {
        const QByteArray reply = m_upstream.receiveDatagram().data();
        if (reply.size() < 12)
            continue;
        const int copies = chance(m_faults.duplicatePercent) ? 2 : 1;
        duplicated += copies - 1;
        for (int i = 0; i < copies; ++i) {
            const int delay = m_faults.maxDelayMs > 0 ? int(m_random.bounded(m_faults.maxDelayMs + 1)) : 0;
            QTimer::singleShot(delay, this, [this, reply] { deliver(reply); });
        }
        if (chance(m_faults.strayPercent))
            sendStray(reply);
    }
}

void UdpRelay::deliver(const QByteArray& reply)
{
    if (m_front.writeDatagram(reply, m_client, m_clientPort) == reply.size())
        delivered.insert(idOf(reply));
}

void UdpRelay::sendStray(const QByteArray& reply)
{
    const auto kind = Stray(m_random.bounded(int(StrayKinds)));
    ++strays[kind];
    const QByteArray wrong = flipped(reply);
    switch (kind) {
    case Short:
        m_front.writeDatagram(reply.left(m_random.bounded(4)), m_client, m_clientPort);
        break;
    case UnknownId:
        m_front.writeDatagram(withId(wrong, candidateCount + 1 + int(m_random.bounded(0x7FFF - candidateCount))),
                              m_client, m_clientPort);
        break;
    case HighId:
        m_front.writeDatagram(withId(wrong, 0x8000 | idOf(reply)), m_client, m_clientPort);
        break;
    case OtherPort:
        m_otherPort.writeDatagram(wrong, m_client, m_clientPort);
        break;
    case OtherAddress:
        m_otherAddress.writeDatagram(wrong, m_client, m_clientPort);
        break;
    case OtherQuestion: {
        // The right identifier from the right place, but about another name.
        QByteArray other = wrong;
        other[13] = char(quint8(other.at(13)) ^ 0x01);
        m_front.writeDatagram(other, m_client, m_clientPort);
        break;
    }
    case StrayKinds:
        break;
    }
}

#include "dns/DnsTransport.h"

#include "dns/DNS.h"

#include <QNetworkDatagram>

UdpTransport::UdpTransport(QObject* parent) : DnsTransport(parent)
{
    m_socket.setObjectName(QStringLiteral("Winsock1"));
    connect(&m_socket, &QUdpSocket::readyRead, this, &UdpTransport::readPending);
    connect(&m_socket, &QUdpSocket::errorOccurred, this, [this] {
        // A failed send reports itself through send()'s result; only errors of their own count here.
        if (!m_sending)
            Q_EMIT socketError();
    });
}

bool UdpTransport::open(QAbstractSocket::NetworkLayerProtocol family)
{
    close();
    const QHostAddress any = family == QAbstractSocket::IPv6Protocol ? QHostAddress(QHostAddress::AnyIPv6)
                                                                     : QHostAddress(QHostAddress::AnyIPv4);
    // Port 1000 needs privileges on most systems, or may be taken: then any free port will do. The port is not
    // shared, so replies meant for this run reach no other program.
    if (m_socket.bind(any, DNS::LocalPort, QAbstractSocket::DontShareAddress))
        return true;
    return m_socket.bind(any, 0, QAbstractSocket::DontShareAddress);
}

bool UdpTransport::send(const QByteArray& datagram, const QHostAddress& address, quint16 port)
{
    // Sent to the address, not through a connected socket: a connected UDP socket turns every ICMP
    // port-unreachable into a socket error.
    m_sending = true;
    const qint64 written = m_socket.writeDatagram(datagram, address, port);
    m_sending = false;
    return written == datagram.size();
}

void UdpTransport::close()
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.close();
}

void UdpTransport::readPending()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        if (!datagram.isValid())
            break;
        Q_EMIT datagramReceived(datagram.data(), datagram.senderAddress(), quint16(datagram.senderPort()));
        // The run may have closed the socket while handling the datagram.
        if (m_socket.state() != QAbstractSocket::BoundState)
            break;
    }
}

namespace DNS {

int InitSocket(DnsTransport& winsock, const QHostAddress& nameServer)
{
    winsock.close();
    if (nameServer.isNull())
        return InitNoServerAddress;
    return winsock.open(nameServer.protocol()) ? 0 : InitCannotBind;
}

} // namespace DNS

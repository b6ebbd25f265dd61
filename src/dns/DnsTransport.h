#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

// The UDP socket of a run, as little as the run needs of it.
class DnsTransport : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Binds a local port for talking to servers of this address family.
    virtual bool open(QAbstractSocket::NetworkLayerProtocol family) = 0;
    // One datagram; false when the system refuses it.
    virtual bool send(const QByteArray& datagram, const QHostAddress& address, quint16 port) = 0;
    virtual void close() = 0;
    virtual quint16 localPort() const = 0;

Q_SIGNALS:
    void datagramReceived(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);
    // A socket error event that the socket reported by itself, not the failure of a send.
    void socketError();
};

class UdpTransport final : public DnsTransport
{
    Q_OBJECT

public:
    explicit UdpTransport(QObject* parent = nullptr);
    bool open(QAbstractSocket::NetworkLayerProtocol family) override;
    bool send(const QByteArray& datagram, const QHostAddress& address, quint16 port) override;
    void close() override;
    quint16 localPort() const override { return m_socket.localPort(); }

private:
    void readPending();

    QUdpSocket m_socket;
    bool m_sending = false;
};

namespace DNS {
enum InitSocketError { InitNoServerAddress = 1, InitCannotBind = 2 };
// Prepares the run's socket for the name server's address family: 0 when it is ready, else an error number.
int InitSocket(DnsTransport& winsock, const QHostAddress& nameServer);
} // namespace DNS

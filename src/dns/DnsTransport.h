#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>

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
    // Hands over every datagram that has arrived. With waking off, datagrams wait for the next poll() instead of
    // waking the program each: a run that ticks more often than the eye can follow reads them at its ticks.
    virtual void poll() {}
    virtual void setWaking(bool) {}

Q_SIGNALS:
    void datagramReceived(const QByteArray& datagram, const QHostAddress& sender, quint16 senderPort);
    // A socket error event that the socket reported by itself, not the failure of a send.
    void socketError();
};

// A UDP socket of the system's own: QUdpSocket cannot be read without waking the program for every datagram.
class UdpTransport final : public DnsTransport
{
    Q_OBJECT

public:
    explicit UdpTransport(QObject* parent = nullptr);
    ~UdpTransport() override;
    bool open(QAbstractSocket::NetworkLayerProtocol family) override;
    bool send(const QByteArray& datagram, const QHostAddress& address, quint16 port) override;
    void close() override;
    quint16 localPort() const override;
    void poll() override;
    void setWaking(bool waking) override;

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_datagram;
    QHostAddress m_sender;
};

namespace DNS {
enum InitSocketError { InitNoServerAddress = 1, InitCannotBind = 2 };
// Prepares the run's socket for the name server's address family: 0 when it is ready, else an error number.
int InitSocket(DnsTransport& winsock, const QHostAddress& nameServer);
} // namespace DNS

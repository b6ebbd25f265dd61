#include "dns/DnsTransport.h"

#include "dns/DNS.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

UdpTransport::UdpTransport(QObject* parent) : DnsTransport(parent)
{
    setObjectName(QStringLiteral("Winsock1"));
}

UdpTransport::~UdpTransport()
{
    close();
}

bool UdpTransport::open(QAbstractSocket::NetworkLayerProtocol family)
{
    close();
    const bool six = family == QAbstractSocket::IPv6Protocol;
    m_fd = ::socket(six ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    // Port 1000 needs privileges on most systems, or may be taken: then any free port will do. The port is not
    // shared, so replies meant for this run reach no other program.
    const auto bindTo = [this, six](quint16 port) {
        sockaddr_in6 any6{};
        sockaddr_in any4{};
        any6.sin6_family = AF_INET6;
        any6.sin6_port = htons(port);
        any4.sin_family = AF_INET;
        any4.sin_port = htons(port);
        return six ? ::bind(m_fd, reinterpret_cast<sockaddr*>(&any6), sizeof any6) == 0
                   : ::bind(m_fd, reinterpret_cast<sockaddr*>(&any4), sizeof any4) == 0;
    };
    if (!bindTo(DNS::LocalPort) && !bindTo(0)) {
        close();
        return false;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdpTransport::poll);
    return true;
}

bool UdpTransport::send(const QByteArray& datagram, const QHostAddress& address, quint16 port)
{
    // Sent to the address, not through a connected socket: a connected UDP socket turns every ICMP
    // port-unreachable into an error.
    sockaddr_storage to{};
    socklen_t length = 0;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto* six = reinterpret_cast<sockaddr_in6*>(&to);
        six->sin6_family = AF_INET6;
        six->sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&six->sin6_addr, bytes.c, sizeof bytes.c);
        const QString scope = address.scopeId();
        bool numeric = false;
        six->sin6_scope_id = scope.toUInt(&numeric);
        if (!numeric && !scope.isEmpty())
            six->sin6_scope_id = ::if_nametoindex(scope.toLatin1().constData());
        length = sizeof(sockaddr_in6);
    } else {
        auto* four = reinterpret_cast<sockaddr_in*>(&to);
        four->sin_family = AF_INET;
        four->sin_port = htons(port);
        four->sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof(sockaddr_in);
    }
    return m_fd >= 0 && ::sendto(m_fd, datagram.constData(), size_t(datagram.size()), 0,
                                 reinterpret_cast<sockaddr*>(&to), length) == datagram.size();
}

void UdpTransport::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

quint16 UdpTransport::localPort() const
{
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0)
        return 0;
    return ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
}

void UdpTransport::setWaking(bool waking)
{
    if (m_notifier)
        m_notifier->setEnabled(waking);
}

void UdpTransport::poll()
{
    // Up to a batch of datagrams a call, into buffers kept for the run: a run reads thousands of them, and a call
    // that finds fewer than it has room for has found them all.
    constexpr int Batch = 8;
    constexpr int Room = 4096; // far more than a reply to a question that goes out in one datagram
    m_datagram.resize(Batch * Room);
    while (m_fd >= 0) {
        mmsghdr messages[Batch]{};
        iovec parts[Batch];
        sockaddr_storage from[Batch];
        for (int i = 0; i < Batch; ++i) {
            parts[i] = {m_datagram.data() + i * Room, Room};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_name = &from[i];
            messages[i].msg_hdr.msg_namelen = sizeof from[i];
        }
        const int count = ::recvmmsg(m_fd, messages, Batch, MSG_DONTWAIT, nullptr);
        if (count < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                Q_EMIT socketError();
            return;
        }
        for (int i = 0; i < count && m_fd >= 0; ++i) {
            // The run may close the socket while handling a datagram.
            m_sender.setAddress(reinterpret_cast<const sockaddr*>(&from[i]));
            const quint16 port =
                ntohs(from[i].ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&from[i])->sin6_port
                                                    : reinterpret_cast<sockaddr_in*>(&from[i])->sin_port);
            Q_EMIT datagramReceived(QByteArray::fromRawData(m_datagram.constData() + i * Room, messages[i].msg_len),
                                    m_sender, port);
        }
        if (count < Batch)
            return;
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

#pragma once

#include "dns/DnsTransport.h"

#include <QList>

// Stands in for the run's socket where a test needs sends to fail or the socket to report errors.
class ScriptedTransport final : public DnsTransport
{
    Q_OBJECT

public:
    using DnsTransport::DnsTransport;
    bool open(QAbstractSocket::NetworkLayerProtocol) override { return opens; }
    bool send(const QByteArray& datagram, const QHostAddress&, quint16) override
    {
        sent.append(datagram);
        return sent.size() != failingSend;
    }
    void close() override {}
    quint16 localPort() const override { return 4000; }
    void raiseError() { Q_EMIT socketError(); }

    bool opens = true;
    QList<QByteArray> sent;
    int failingSend = -1; // 1-based
};

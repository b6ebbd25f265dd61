#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUdpSocket>
#include <functional>
#include <optional>

// A name server on a loopback address for tests: records every query and answers from a rule.
class FakeNameServer final : public QObject
{
    Q_OBJECT

public:
    struct Query
    {
        QByteArray datagram;
        QString name; // decoded QNAME, labels joined by dots
        QHostAddress sender;
        quint16 senderPort = 0;
    };

    // Binds a free port on the address.
    explicit FakeNameServer(const QHostAddress& address = QHostAddress::LocalHost, QObject* parent = nullptr);

    quint16 port() const { return m_socket.localPort(); }

    // By default names in freeNames and made-up names (a first label of 24 or more lowercase letters and digits)
    // are answered with a name error, names in silentNames not at all, all others with success.
    QSet<QString> freeNames;
    QSet<QString> silentNames;
    static bool isMadeUp(const QString& name);
    // When set, decides the reply instead; nothing means no reply.
    std::function<std::optional<QByteArray>(const Query&)> responder;
    // After every query, a two-byte datagram that no run can take for a reply: once the run's socket has seen it,
    // every reply to that query has arrived.
    static constexpr char Sentinel[] = "\xff\xfe";

    QList<Query> queries;

    // Sends a datagram from the server's port to a query's sender.
    void sendTo(const Query& query, const QByteArray& datagram);
    // A reply to a query: its header with QR set and this RCODE, and its question.
    static QByteArray replyFor(const QByteArray& query, quint8 rcode, bool withQuestion = true);

private:
    void readFrom(QUdpSocket* socket);

    QUdpSocket m_socket;
};

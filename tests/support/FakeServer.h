#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A TCP server on 127.0.0.1 for tests, speaking WHOIS (one request line) or HTTP (a request head). Each request is
// answered by the next script queued for its key (the HTTP path; WHOIS has one queue, key ""), or by the default
// script once that queue is empty.
class FakeServer final : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        Reply, // send the reply, close
        Hang,  // neither answer nor close
        Huge,  // endless text lines, as fast as the client takes them
        Reset, // send the reply, then reset the connection instead of closing it
    };
    struct Script
    {
        Mode mode = Mode::Reply;
        QByteArray reply;
    };
    struct Request
    {
        QByteArray head; // the WHOIS request line or the HTTP head, line ends included
        QByteArray header(const QByteArray& name) const;
    };

    // tls: HTTPS with the loopback certificate of the test fixtures, which the program's connections then trust as
    // they would a registry's.
    explicit FakeServer(bool http = false, bool tls = false);
    ~FakeServer() override;

    bool start();
    // Listens but takes no connection; one connection of its own fills the queue, so that a client's connect then
    // goes unanswered. stalled() tells when the queue is full.
    bool startStalled();
    bool stalled() const;
    quint16 port() const;
    QString url(const QByteArray& path = "/") const;
    // A port on 127.0.0.1 where nobody listens.
    static quint16 refusedPort();

    static Script http(int status, const QByteArray& body, const QList<QPair<QByteArray, QByteArray>>& headers = {});
    void answer(const Script& script, const QByteArray& path = {}) { m_routes[path].append(script); }
    void setDefault(const Script& script) { m_default = script; }

    QList<Request> requests;
    QList<QByteArray> heads() const;

Q_SIGNALS:
    void connectionClosed();

private:
    void serve(QTcpSocket* socket, const QByteArray& head);

    const bool m_http;
    const bool m_tls;
    QTcpServer* m_server = nullptr;
    QTcpSocket* m_filler = nullptr;
    QHash<QByteArray, QList<Script>> m_routes;
    Script m_default;
};

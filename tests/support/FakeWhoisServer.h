#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// A WHOIS server on a loopback address for tests. Each connection reads the request line and then follows
// the next script in the queue (the default script once the queue is empty).
class FakeWhoisServer final : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        Reply,         // send the reply, close
        Hang,          // read the request, then neither answer nor close
        Trickle,       // send the reply a few bytes at a time, close
        CloseMidReply, // send the first half of the reply, close
        Huge,          // send hugeBytes of text lines (endless when negative) as fast as the client takes them
    };

    struct Script
    {
        Mode mode = Mode::Reply;
        QByteArray reply;
        int chunkBytes = 3;
        int intervalMs = 2;
        qint64 hugeBytes = 0;
    };

    explicit FakeWhoisServer(QObject* parent = nullptr);
    ~FakeWhoisServer() override;

    // Listens on the address at the port, a free one when 0.
    bool start(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0);
    quint16 port() const;
    // Listens but takes no connection: one connection of its own fills the queue, so that a client's connect
    // then waits without an answer. True once that queue is full.
    bool startStalled();
    bool stalled() const;

    void enqueue(const Script& script) { m_scripts.append(script); }
    void setDefaultScript(const Script& script) { m_default = script; }
    static Script reply(const QByteArray& text) { return Script{Mode::Reply, text, 3, 2, 0}; }

    // Request lines received, CR LF included, in order.
    QList<QByteArray> requests;
    int connections = 0;
    // Bytes of reply that the server wrote to its last connection.
    qint64 lastBytesSent = 0;
    // The last connection was closed by the client before the server had sent everything.
    bool lastClosedByClient = false;

    // A port on 127.0.0.1 where nobody listens, so that a connection is refused.
    static quint16 refusedPort();

Q_SIGNALS:
    void requestReceived(const QByteArray& line);
    void connectionClosed();

private:
    void onNewConnection();
    void serve(QTcpSocket* socket, const Script& script);

    QTcpServer* m_server = nullptr;
    QTcpSocket* m_filler = nullptr;
    QList<Script> m_scripts;
    Script m_default;
};

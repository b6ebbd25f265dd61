#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;

// A WHOIS server on a loopback address for tests. Each connection reads the request line and then follows
// the next queued script, or the default script once the queue is empty.
class FakeWhoisServer final : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        Reply,   // send the reply, close
        Hang,    // neither answer nor close
        Huge,    // send hugeBytes of text lines (without end when negative) as fast as the client takes them
        Reset,   // send the reply, then reset the connection instead of closing it
    };
    struct Script
    {
        Mode mode = Mode::Reply;
        QByteArray reply;
        qint64 hugeBytes = 0;
    };

    explicit FakeWhoisServer(QObject* parent = nullptr);
    ~FakeWhoisServer() override;

    // Listens at the port, a free one when 0.
    bool start(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost), quint16 port = 0);
    // Listens but takes no connection; one connection of its own fills the queue, so that a client's connect
    // then goes unanswered. stalled() tells when the queue is full.
    bool startStalled();
    bool stalled() const;
    quint16 port() const;

    void enqueue(const Script& script) { m_scripts.append(script); }
    void setDefaultScript(const Script& script) { m_default = script; }
    static Script reply(const QByteArray& text) { return Script{Mode::Reply, text, 0}; }
    // A port on 127.0.0.1 where nobody listens.
    static quint16 refusedPort();

    // Request lines received, CR LF included.
    QList<QByteArray> requests;

Q_SIGNALS:
    void requestReceived();
    void connectionClosed();

private:
    void serve(QTcpSocket* socket, const Script& script);

    QTcpServer* m_server = nullptr;
    QTcpSocket* m_filler = nullptr;
    QList<Script> m_scripts;
    Script m_default;
};

#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>

class QTcpServer;
class QTcpSocket;

// A plain-HTTP server on a loopback address for RDAP and directory tests: each path answers from its own queue
// of answers (the last one stays), every connection closes after its answer. Unknown paths get 400.
class FakeRdapServer final : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        bool hang = false; // read the request, never answer
    };
    struct Request
    {
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        qint64 atMs = 0;                       // since the server started
    };

    explicit FakeRdapServer(QObject* parent = nullptr);
    ~FakeRdapServer() override;

    bool start(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const;
    // "http://127.0.0.1:port" + path
    QString url(const QByteArray& path = "/") const;

    void answer(const QByteArray& path, const Answer& answer) { m_routes[path].append(answer); }
    static Answer json(int status, const QByteArray& body)
    {
        return Answer{status, body, {{"Content-Type", "application/rdap+json"}}, false};
    }
    static Answer redirect(int status, const QByteArray& location)
    {
        return Answer{status, {}, {{"Location", location}}, false};
    }

    QList<Request> requests;

Q_SIGNALS:
    void requestReceived();

private:
    void respond(QTcpSocket* socket, const QByteArray& head);

    QTcpServer* m_server = nullptr;
    QHash<QByteArray, QList<Answer>> m_routes;
    qint64 m_startMs = 0;
};

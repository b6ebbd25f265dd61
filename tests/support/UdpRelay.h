#pragma once

#include <QHostAddress>
#include <QObject>
#include <QRandomGenerator>
#include <QSet>
#include <QUdpSocket>

// Sits between a checking run and a real name server on 127.0.0.1 and spoils the exchange on purpose: it drops
// queries, delays (and so reorders) and duplicates replies, and slips stray datagrams in beside real replies.
// Every stray that the run believed would give its candidate a wrong status: its code is flipped between name
// error and success.
class UdpRelay final : public QObject
{
    Q_OBJECT

public:
    struct Faults
    {
        int dropPercent = 0;      // queries never passed on
        int duplicatePercent = 0; // replies delivered twice
        int maxDelayMs = 0;       // each reply held back 0 to this long
        int strayPercent = 0;     // replies followed by a stray datagram
    };
    enum Stray { Short, UnknownId, HighId, OtherPort, OtherAddress, OtherQuestion, StrayKinds };

    UdpRelay(quint16 serverPort, const Faults& faults, quint32 seed, QObject* parent = nullptr);
    bool isListening() const;
    // Where the run sends its queries.
    quint16 port() const { return m_front.localPort(); }
    // Identifiers above this belong to no candidate.
    int candidateCount = 0;

    int queries = 0;
    int dropped = 0;
    int duplicated = 0;
    int strays[StrayKinds] = {};
    // Identifiers whose real reply reached the run at least once.
    QSet<int> delivered;

private:
    void fromClient();
    void fromServer();
    void deliver(const QByteArray& reply);
    void sendStray(const QByteArray& reply);
    bool chance(int percent) { return percent > 0 && int(m_random.bounded(100)) < percent; }

    Faults m_faults;
    quint16 m_serverPort;
    QRandomGenerator m_random;
    QUdpSocket m_front;        // faces the run
    QUdpSocket m_upstream;     // faces the name server
    QUdpSocket m_otherPort;    // same address, another port
    QUdpSocket m_otherAddress; // 127.0.0.2
    QHostAddress m_client;
    quint16 m_clientPort = 0;
};

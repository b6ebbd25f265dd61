#pragma once

#include "whois/Rdap.h"

#include <QByteArray>
#include <QHash>
#include <QMetaType>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

class QTimer;

// How one RDAP question ended.
struct RdapOutcome
{
    Rdap::Verdict verdict = Rdap::Verdict::NotChecked;
    int httpStatus = 0;     // of the last answer; 0 when none came
    QString reason;         // why it could not be confirmed, for tests and debugging
    QByteArray body;        // of the final answer, at most the size bound
    bool leftAlone = false; // not asked: the host wants no questions for longer than a client waits
};
Q_DECLARE_METATYPE(RdapOutcome)

// The pace of the requests to each host, shared by every client of the program: no host is asked twice within its
// interval, and a host that answered "too many requests" is left alone for as long as it asked.
class RdapPacer final
{
public:
    static RdapPacer& shared();
    // When the host may be asked next, on the clock of the askers.
    qint64 notBefore(const QString& host, int interval) const;
    void asked(const QString& host, qint64 now);
    void backOff(const QString& host, qint64 until);
    void clear();

private:
    QHash<QString, qint64> m_asked;
    QHash<QString, qint64> m_backOff;
};

// Asks an RDAP service whether a domain is registered: GET base + "domain/" + name, redirects followed by hand
// (at most five hops, no address twice, HTTPS only), one 429 waited out as Retry-After says and asked again.
// Nothing here waits: lookup() starts, finished() tells. Every wait is bounded (connecting, the whole exchange,
// the body's size); a host that wants to be left alone for longer than a minute is not asked at all.
class RdapClient final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultConnectTimeout = 10 * 1000;
    static constexpr int DefaultExchangeTimeout = 30 * 1000;
    static constexpr qint64 DefaultMaxBodyBytes = 1024 * 1024;
    static constexpr int DefaultHostInterval = 1000;
    static constexpr int MaxRedirects = 5;
    static constexpr int MaxRetryAfterSeconds = 60;
    // Without a readable Retry-After.
    static constexpr int FallbackRetryAfterSeconds = 2;
    // Time enough for any Retry-After a server means seriously.
    static constexpr int LongestRetryAfterSeconds = 7 * 24 * 3600;

    // The policy's time limits stand in for the client's own where it sets them.
    explicit RdapClient(const Rdap::Policy& policy = {}, QObject* parent = nullptr);
    ~RdapClient() override;

    // Milliseconds; connecting runs from each request to its being sent, the exchange from the first request
    // to the final answer (the wait after a 429 not counted).
    void setTimeLimits(int connectMs, int exchangeMs);
    void setMaxBodyBytes(qint64 bytes) { m_maxBodyBytes = bytes; }
    void setHostInterval(int ms) { m_hostInterval = ms; }

    // Asks the service at baseUrl about domain, ending an earlier question silently. Exactly one finished()
    // follows, unless cancel(), the next lookup() or the client's destruction comes first.
    void lookup(const QString& baseUrl, const QString& domain);
    // Ends the question at once, without any signal. Harmless at any time.
    void cancel();
    bool isBusy() const { return m_phase != Phase::Idle; }

Q_SIGNALS:
    void finished(const RdapOutcome& outcome);

private:
    enum class Phase { Idle, Waiting, Requesting };

    void scheduleRequest();
    void onWaitOver();
    void sendRequest();
    void onReadyRead();
    void onReplyFinished();
    void onConnectTimeout();
    void onExchangeTimeout();
    void finish(Rdap::Verdict verdict, int httpStatus, const QString& reason, const QByteArray& body = {});
    void dropReply();

    const Rdap::Policy m_policy;
    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_waitTimer = nullptr;
    QTimer* m_connectTimer = nullptr;
    QTimer* m_exchangeTimer = nullptr;
    int m_connectTimeout = DefaultConnectTimeout;
    int m_exchangeTimeout = DefaultExchangeTimeout;
    qint64 m_maxBodyBytes = DefaultMaxBodyBytes;
    int m_hostInterval = DefaultHostInterval;

    Phase m_phase = Phase::Idle;
    QUrl m_url;
    QSet<QUrl> m_visited;
    int m_hops = 0;
    bool m_retried = false;
    bool m_refused = false; // the name or the base could not make an address
    QByteArray m_body;
    bool m_cut = false;
};

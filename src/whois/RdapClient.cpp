#include "whois/RdapClient.h"

#include "core/Release.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>

namespace {
QString hostKey(const QUrl& url)
{
    return url.host().toLower();
}
} // namespace

RdapPacer& RdapPacer::shared()
{
    static RdapPacer pacer;
    return pacer;
}

qint64 RdapPacer::notBefore(const QString& host, int interval) const
{
    const auto asked = m_asked.constFind(host);
    const qint64 paced = asked == m_asked.cend() ? 0 : asked.value() + interval;
    return std::max(paced, m_backOff.value(host, 0));
}

void RdapPacer::asked(const QString& host, qint64 now)
{
    m_asked.insert(host, now);
}

void RdapPacer::backOff(const QString& host, qint64 until)
{
    m_backOff.insert(host, std::max(until, m_backOff.value(host, 0)));
}

void RdapPacer::clear()
{
    m_asked.clear();
    m_backOff.clear();
}

RdapClient::RdapClient(const Rdap::Policy& policy, QObject* parent) : QObject(parent), m_policy(policy)
{
    qRegisterMetaType<RdapOutcome>();
    m_network = new QNetworkAccessManager(this);
    m_network->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    const auto makeTimer = [this](void (RdapClient::*slot)()) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, slot);
        return timer;
    };
    m_waitTimer = makeTimer(&RdapClient::onWaitOver);
    m_connectTimer = makeTimer(&RdapClient::onConnectTimeout);
    m_exchangeTimer = makeTimer(&RdapClient::onExchangeTimeout);
    if (policy.connectMs > 0)
        m_connectTimeout = policy.connectMs;
    if (policy.exchangeMs > 0)
        m_exchangeTimeout = policy.exchangeMs;
}

RdapClient::~RdapClient()
{
    dropReply();
}

void RdapClient::setTimeLimits(int connectMs, int exchangeMs)
{
    m_connectTimeout = connectMs;
    m_exchangeTimeout = exchangeMs;
}

void RdapClient::lookup(const QString& baseUrl, const QString& domain)
{
    cancel();
    m_url = Rdap::domainUrl(baseUrl, domain, m_policy.plainHttpAllowed);
    m_visited.clear();
    m_hops = 0;
    m_retried = false;
    m_refused = !m_url.isValid();
    scheduleRequest();
}

void RdapClient::cancel()
{
    m_waitTimer->stop();
    m_connectTimer->stop();
    m_exchangeTimer->stop();
    m_phase = Phase::Idle;
    dropReply();
}

void RdapClient::scheduleRequest()
{
    m_phase = Phase::Waiting;
    // Even a refused address answers through the timer, never from inside lookup().
    m_waitTimer->start(0);
}

// The timer may fire a little early: the clock decides, and an early wake-up waits again for the rest.
void RdapClient::onWaitOver()
{
    if (m_refused) {
        finish(Rdap::Verdict::NotChecked, 0, QStringLiteral("no usable address"));
        return;
    }
    const qint64 wait = RdapPacer::shared().notBefore(hostKey(m_url), m_hostInterval) - m_policy.now();
    if (wait > qint64(MaxRetryAfterSeconds) * 1000) {
        cancel();
        Q_EMIT finished(
            RdapOutcome{Rdap::Verdict::NotChecked, 0, QStringLiteral("the server asked to be left alone"), {}, true});
        return;
    }
    if (wait > 0) {
        m_waitTimer->start(int(wait));
        return;
    }
    sendRequest();
}

void RdapClient::sendRequest()
{
    m_phase = Phase::Requesting;
    m_visited.insert(m_url);
    m_body.clear();
    m_cut = false;
    RdapPacer::shared().asked(hostKey(m_url), m_policy.now());

    QNetworkRequest request(m_url);
    request.setRawHeader("Accept", "application/rdap+json, application/json");
    request.setRawHeader("User-Agent", Rdap::userAgent());
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!m_exchangeTimer->isActive())
        m_exchangeTimer->start(m_exchangeTimeout);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::requestSent, m_connectTimer, &QTimer::stop);
    connect(m_reply, &QNetworkReply::metaDataChanged, m_connectTimer, &QTimer::stop);
    connect(m_reply, &QNetworkReply::readyRead, this, &RdapClient::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &RdapClient::onReplyFinished);
    m_connectTimer->start(m_connectTimeout);
}

void RdapClient::onReadyRead()
{
    if (!m_reply)
        return;
    m_connectTimer->stop();
    const QByteArray bytes = m_reply->read(m_maxBodyBytes + 1 - m_body.size());
    m_body += bytes;
    if (m_body.size() > m_maxBodyBytes) {
        m_body.truncate(m_maxBodyBytes);
        m_cut = true;
        onReplyFinished();
    }
}

void RdapClient::onReplyFinished()
{
    if (!m_reply)
        return;
    if (!m_cut) {
        m_body += m_reply->read(m_maxBodyBytes + 1 - m_body.size());
        if (m_body.size() > m_maxBodyBytes) {
            m_body.truncate(m_maxBodyBytes);
            m_cut = true;
        }
    }
    const QVariant statusAttribute = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = m_reply->error();
    const QString errorText = m_reply->errorString();
    const QByteArray location = m_reply->rawHeader("Location");
    const QByteArray retryAfter = m_reply->rawHeader("Retry-After");
    dropReply();
    m_connectTimer->stop();

    if (!statusAttribute.isValid()) {
        finish(Rdap::Verdict::NotChecked, 0, QStringLiteral("no answer (%1): %2").arg(int(error)).arg(errorText));
        return;
    }
    const int status = statusAttribute.toInt();
    if (Rdap::isRedirect(status) && !m_cut) {
        const QUrl target(QString::fromLatin1(location), QUrl::StrictMode);
        const QUrl next = target.isValid() ? m_url.resolved(target) : QUrl();
        if (location.isEmpty() || !Rdap::isUsableUrl(next, m_policy.plainHttpAllowed)) {
            finish(Rdap::Verdict::NotChecked, status, QStringLiteral("unusable redirect"));
        } else if (m_visited.contains(next)) {
            finish(Rdap::Verdict::NotChecked, status, QStringLiteral("redirect loop"));
        } else if (++m_hops > MaxRedirects) {
            finish(Rdap::Verdict::NotChecked, status, QStringLiteral("too many redirects"));
        } else {
            m_url = next;
            scheduleRequest();
        }
        return;
    }
    if (status == 429) {
        // The back-off is the host's, for every name asked there, after every such answer; a long one is not
        // waited for.
        const int seconds = Rdap::retryAfterSeconds(retryAfter, QDateTime::currentDateTimeUtc(),
                                                    FallbackRetryAfterSeconds, LongestRetryAfterSeconds);
        RdapPacer::shared().backOff(hostKey(m_url), m_policy.now() + qint64(seconds) * 1000);
    }
    if (status == 429 && !m_retried) {
        m_retried = true;
        // The wait is the server's; the asked-again request gets a whole exchange of its own.
        m_exchangeTimer->stop();
        scheduleRequest();
        return;
    }
    const Rdap::Verdict verdict = Rdap::classifyAnswer(status, m_body, m_cut);
    finish(verdict, status,
           verdict == Rdap::Verdict::NotChecked ? QStringLiteral("answer %1 not understood").arg(status) : QString(),
           m_body);
}

void RdapClient::onConnectTimeout()
{
    if (m_phase == Phase::Requesting)
        finish(Rdap::Verdict::NotChecked, 0, QStringLiteral("connect timed out"));
}

void RdapClient::onExchangeTimeout()
{
    if (m_phase != Phase::Idle)
        finish(Rdap::Verdict::NotChecked, 0, QStringLiteral("exchange timed out"));
}

void RdapClient::finish(Rdap::Verdict verdict, int httpStatus, const QString& reason, const QByteArray& body)
{
    cancel();
    Q_EMIT finished(RdapOutcome{verdict, httpStatus, reason, body});
}

void RdapClient::dropReply()
{
    if (m_reply)
        disconnect(m_reply, nullptr, m_connectTimer, nullptr);
    releaseLater(m_reply, this, [](QNetworkReply* reply) { reply->abort(); });
}

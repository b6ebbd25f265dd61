#include "whois/RdapBootstrapUpdater.h"

#include "core/FileOps.h"
#include "core/Release.h"

#include "whois/Rdap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

RdapBootstrapUpdater::RdapBootstrapUpdater(QObject* parent) : QObject(parent)
{
    m_network = new QNetworkAccessManager(this);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &RdapBootstrapUpdater::onTimeout);
}

RdapBootstrapUpdater::~RdapBootstrapUpdater()
{
    dropReply();
}

RdapBootstrapUpdater* RdapBootstrapUpdater::program(bool make)
{
    static QPointer<RdapBootstrapUpdater> updater;
    if (!updater && make)
        updater = new RdapBootstrapUpdater(QCoreApplication::instance());
    return updater;
}

bool RdapBootstrapUpdater::startIfDue(const RdapBootstrap& inHand, const Rdap::DirectoryFiles& files,
                                      const Rdap::Policy& policy, const QDateTime& now)
{
    if (m_reply)
        return false;
    const QUrl url(policy.directoryUrl, QUrl::StrictMode);
    if (policy.directoryUrl.isEmpty() || !Rdap::isUsableUrl(url, policy.plainHttpAllowed))
        return false;
    const Rdap::FetchState state = Rdap::readFetchState(files.state);
    if (!Rdap::refreshDue(state.checked, now) || (m_lastAttempt.isValid() && !Rdap::refreshDue(m_lastAttempt, now)))
        return false;
    m_lastAttempt = now;

    m_files = files;
    m_inHand = inHand;
    m_body.clear();
    m_tooBig = false;
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", Rdap::userAgent());
    for (const auto& header : Rdap::conditionalHeaders(state, inHand.publication()))
        request.setRawHeader(header.first, header.second);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &RdapBootstrapUpdater::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &RdapBootstrapUpdater::onFinished);
    m_timer->start(m_timeLimit);
    return true;
}

void RdapBootstrapUpdater::onReadyRead()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(Rdap::MaxBootstrapBytes + 1 - m_body.size());
    if (m_body.size() > Rdap::MaxBootstrapBytes) {
        m_tooBig = true;
        finish(false);
    }
}

void RdapBootstrapUpdater::onFinished()
{
    if (!m_reply)
        return;
    onReadyRead();
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray lastModified = m_reply->rawHeader("Last-Modified");
    const QByteArray etag = m_reply->rawHeader("ETag");
    const std::optional<RdapBootstrap> fetched = Rdap::fetchedReplacement(status, m_body, m_inHand);
    bool replaced = false;
    if (fetched) {
        QDir().mkpath(QFileInfo(m_files.user).absolutePath());
        replaced = !FileOps::writeWhole(m_files.user, m_body);
        if (replaced) {
            Rdap::FetchState state;
            state.lastModified = lastModified;
            state.etag = etag;
            state.publication = fetched->publication();
            state.checked = QDateTime::currentDateTimeUtc();
            Rdap::writeFetchState(m_files.state, state);
        }
    }
    finish(replaced);
}

void RdapBootstrapUpdater::onTimeout()
{
    finish(false);
}

void RdapBootstrapUpdater::finish(bool replaced)
{
    dropReply();
    m_timer->stop();
    m_body.clear();
    if (!replaced) {
        // Not asked again for a week, whatever the outcome; the validators stay as they were.
        Rdap::FetchState state = Rdap::readFetchState(m_files.state);
        state.checked = QDateTime::currentDateTimeUtc();
        Rdap::writeFetchState(m_files.state, state);
    }
    Q_EMIT finished(replaced);
}

void RdapBootstrapUpdater::dropReply()
{
    releaseLater(m_reply, this, [](QNetworkReply* reply) { reply->abort(); });
}

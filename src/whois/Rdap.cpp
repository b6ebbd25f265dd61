#include "whois/Rdap.h"

#include "core/AppInfo.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>

namespace Rdap {
namespace {
// IMF-fixdate, the one form of HTTP date that servers send today.
constexpr const char* HttpDateFormat = "ddd, dd MMM yyyy hh:mm:ss 'GMT'";
} // namespace

qint64 Policy::now() const
{
    if (clock)
        return clock();
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

bool isUsableUrl(const QUrl& url, bool plainHttpAllowed)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("https") || (plainHttpAllowed && scheme == QLatin1String("http"));
}

QString aceName(const QString& domain)
{
    QString name = domain.trimmed();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.isEmpty())
        return {};
    const QString ace = QString::fromLatin1(QUrl::toAce(name)).toLower();
    if (ace.isEmpty() || ace.startsWith(QLatin1Char('.')) || ace.contains(QLatin1String("..")))
        return {};
    const bool clean = std::all_of(ace.cbegin(), ace.cend(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
               c == QLatin1Char('-') || c == QLatin1Char('.');
    });
    return clean ? ace : QString();
}

QUrl domainUrl(const QString& baseUrl, const QString& domain, bool plainHttpAllowed)
{
    const QString name = aceName(domain);
    if (name.isEmpty())
        return {};
    QString base = baseUrl.trimmed();
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    const QUrl url(base + QStringLiteral("domain/") + name, QUrl::StrictMode);
    if (!isUsableUrl(url, plainHttpAllowed) || url.hasQuery() || url.hasFragment())
        return {};
    return url;
}

Verdict classifyAnswer(int httpStatus, const QByteArray& body, bool bodyCut)
{
    if (httpStatus == 404)
        return Verdict::Free;
    if (httpStatus != 200 || bodyCut)
        return Verdict::NotChecked;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return Verdict::NotChecked;
    return isDomainObject(document.object()) ? Verdict::Taken : Verdict::NotChecked;
}

bool isDomainObject(const QJsonObject& object)
{
    return object.value(QLatin1String("objectClassName")).toString() == QLatin1String("domain");
}

int retryAfterSeconds(const QByteArray& header, const QDateTime& now, int fallbackSeconds, int maxSeconds)
{
    const QByteArray value = header.trimmed();
    qint64 seconds = fallbackSeconds;
    const bool digits =
        !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
        bool fits = false;
        const qulonglong delay = value.toULongLong(&fits);
        seconds = fits ? qint64(std::min<qulonglong>(delay, qulonglong(maxSeconds))) : maxSeconds;
    } else if (!value.isEmpty()) {
        QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(value), QLatin1String(HttpDateFormat));
        when.setTimeZone(QTimeZone::utc());
        if (when.isValid())
            seconds = now.secsTo(when);
    }
    return int(std::clamp<qint64>(seconds, 0, maxSeconds));
}

bool isRedirect(int httpStatus)
{
    return httpStatus == 301 || httpStatus == 302 || httpStatus == 303 || httpStatus == 307 || httpStatus == 308;
}

QByteArray userAgent()
{
    return QStringLiteral("%1/%2.%3.%4")
        .arg(AppInfo::Title)
        .arg(AppInfo::Major)
        .arg(AppInfo::Minor)
        .arg(AppInfo::Revision)
        .toLatin1();
}

QByteArray httpDate(const QDateTime& time)
{
    return QLocale::c().toString(time.toUTC(), QLatin1String(HttpDateFormat)).toLatin1();
}

} // namespace Rdap

#include "whois/RdapDomain.h"

#include "whois/Rdap.h"
#include "whois/RdapClient.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

namespace RdapDomain {
namespace {

QString text(const QJsonObject& object, const char* key)
{
    return object.value(QLatin1String(key)).toString().trimmed();
}

bool hasRole(const QJsonObject& entity, const QString& role)
{
    const QJsonArray roles = entity.value(QLatin1String("roles")).toArray();
    for (const QJsonValue& value : roles) {
        if (value.toString().compare(role, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// A property of an entity's jCard: ["vcard", [[name, {params}, type, value], ...]].
QString vcardValue(const QJsonObject& entity, const QString& name)
{
    const QJsonArray properties = entity.value(QLatin1String("vcardArray")).toArray().at(1).toArray();
    for (const QJsonValue& property : properties) {
        const QJsonArray fields = property.toArray();
        if (fields.at(0).toString().compare(name, Qt::CaseInsensitive) == 0 && fields.at(3).isString())
            return fields.at(3).toString().trimmed();
    }
    return {};
}

// The registrar sits among the domain's entities, sometimes one level further down.
QJsonObject registrarEntity(const QJsonObject& object, int depth = 0)
{
    const QJsonArray entities = object.value(QLatin1String("entities")).toArray();
    for (const QJsonValue& value : entities) {
        if (hasRole(value.toObject(), QStringLiteral("registrar")))
            return value.toObject();
    }
    if (depth < 1) {
        for (const QJsonValue& value : entities) {
            const QJsonObject found = registrarEntity(value.toObject(), depth + 1);
            if (!found.isEmpty())
                return found;
        }
    }
    return {};
}

QUrl webAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
                   (scheme == QLatin1String("https") || scheme == QLatin1String("http"))
               ? url
               : QUrl();
}

// A link meant for a browser: one that says it is HTML. The other links of an answer lead to more JSON.
QUrl pageLink(const QJsonObject& object)
{
    const QJsonArray links = object.value(QLatin1String("links")).toArray();
    for (const QJsonValue& value : links) {
        const QJsonObject link = value.toObject();
        if (text(link, "type").compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0) {
            const QUrl url = webAddress(text(link, "href"));
            if (!url.isEmpty())
                return url;
        }
    }
    return {};
}

Date readDate(const QString& raw)
{
    QDateTime when = QDateTime::fromString(raw, Qt::ISODateWithMs);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(raw, Qt::ISODate);
        if (day.isValid())
            when = day.startOfDay(QTimeZone::utc());
    }
    return {when, raw};
}

QString shownDate(const Date& date, const QDateTime& now, const QLocale& locale)
{
    if (!date.given())
        return QStringLiteral("not given");
    if (!date.when.isValid())
        return date.raw;
    return locale.toString(date.when.toTimeZone(now.timeZone()).date(), QLocale::LongFormat);
}

} // namespace

std::optional<Details> parse(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonObject object = document.object();
    if (error.error != QJsonParseError::NoError || !Rdap::isDomainObject(object))
        return std::nullopt;

    Details details;
    details.ldhName = text(object, "ldhName").toLower();
    details.unicodeName = text(object, "unicodeName");
    const QJsonObject registrar = registrarEntity(object);
    details.registrar = vcardValue(registrar, QStringLiteral("fn"));
    for (const QJsonValue& value : object.value(QLatin1String("events")).toArray()) {
        const QJsonObject event = value.toObject();
        const QString action = text(event, "eventAction").toLower();
        Date* date = action == QLatin1String("registration")   ? &details.registered
                     : action == QLatin1String("expiration")   ? &details.expires
                     : action == QLatin1String("last changed") ? &details.lastChanged
                                                               : nullptr;
        if (date && !date->given())
            *date = readDate(text(event, "eventDate"));
    }
    for (const QJsonValue& value : object.value(QLatin1String("status")).toArray()) {
        if (!value.toString().trimmed().isEmpty())
            details.status.append(value.toString().trimmed());
    }
    for (const QJsonValue& value : object.value(QLatin1String("nameservers")).toArray()) {
        const QString name = text(value.toObject(), "ldhName").toLower();
        if (!name.isEmpty())
            details.nameServers.append(name);
    }
    details.link = pageLink(registrar);
    if (details.link.isEmpty())
        details.link = webAddress(vcardValue(registrar, QStringLiteral("url")));
    if (details.link.isEmpty())
        details.link = pageLink(object);
    return details;
}

QString statusInWords(const QString& status)
{
    static const QHash<QString, QString> words{
        {QStringLiteral("active"), QStringLiteral("active")},
        {QStringLiteral("inactive"), QStringLiteral("inactive (not in the DNS)")},
        {QStringLiteral("client transfer prohibited"), QStringLiteral("the registrar blocks transfers")},
        {QStringLiteral("server transfer prohibited"), QStringLiteral("the registry blocks transfers")},
        {QStringLiteral("transfer prohibited"), QStringLiteral("transfers blocked")},
        {QStringLiteral("client delete prohibited"), QStringLiteral("the registrar blocks deletion")},
        {QStringLiteral("server delete prohibited"), QStringLiteral("the registry blocks deletion")},
        {QStringLiteral("delete prohibited"), QStringLiteral("deletion blocked")},
        {QStringLiteral("client update prohibited"), QStringLiteral("the registrar blocks changes")},
        {QStringLiteral("server update prohibited"), QStringLiteral("the registry blocks changes")},
        {QStringLiteral("update prohibited"), QStringLiteral("changes blocked")},
        {QStringLiteral("client renew prohibited"), QStringLiteral("the registrar blocks renewal")},
        {QStringLiteral("server renew prohibited"), QStringLiteral("the registry blocks renewal")},
        {QStringLiteral("renew prohibited"), QStringLiteral("renewal blocked")},
        {QStringLiteral("client hold"), QStringLiteral("held by the registrar (not in the DNS)")},
        {QStringLiteral("server hold"), QStringLiteral("held by the registry (not in the DNS)")},
        {QStringLiteral("locked"), QStringLiteral("locked")},
        {QStringLiteral("pending create"), QStringLiteral("being created")},
        {QStringLiteral("pending renew"), QStringLiteral("being renewed")},
        {QStringLiteral("pending transfer"), QStringLiteral("being transferred")},
        {QStringLiteral("pending update"), QStringLiteral("being changed")},
        {QStringLiteral("pending delete"), QStringLiteral("about to be deleted")},
        {QStringLiteral("pending restore"), QStringLiteral("being restored")},
        {QStringLiteral("redemption period"),
         QStringLiteral("deleted, in its redemption period (only the holder can restore it)")},
        {QStringLiteral("add period"), QStringLiteral("newly registered")},
        {QStringLiteral("renew period"), QStringLiteral("newly renewed")},
        {QStringLiteral("auto renew period"), QStringLiteral("renewed automatically")},
        {QStringLiteral("transfer period"), QStringLiteral("newly transferred")},
        {QStringLiteral("proxy"), QStringLiteral("registered through a proxy service")},
        {QStringLiteral("private"), QStringLiteral("holder's data private")},
    };
    return words.value(status.trimmed().toLower(), status.trimmed());
}

QString daysLeft(const QDate& today, const QDate& expires)
{
    const qint64 days = today.daysTo(expires);
    if (days == 0)
        return QStringLiteral("expires today");
    if (days > 0)
        return days == 1 ? QStringLiteral("1 day left") : QStringLiteral("%1 days left").arg(days);
    return days == -1 ? QStringLiteral("expired 1 day ago") : QStringLiteral("expired %1 days ago").arg(-days);
}

QString report(const Details& details, const QString& typed, const QDateTime& now, const QLocale& locale)
{
    const auto orNot = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("not given") : value;
    };
    QString name = typed.trimmed().isEmpty() ? details.ldhName : typed.trimmed();
    if (!details.ldhName.isEmpty() && details.ldhName.compare(name, Qt::CaseInsensitive) != 0)
        name += QStringLiteral(" (") + details.ldhName + QLatin1Char(')');
    QString expires = shownDate(details.expires, now, locale);
    if (details.expires.when.isValid())
        expires += QStringLiteral(" (") + daysLeft(now.date(), details.expires.when.toTimeZone(now.timeZone()).date()) +
                   QLatin1Char(')');
    QStringList status;
    for (const QString& value : details.status)
        status.append(statusInWords(value));
    QStringList lines{
        QStringLiteral("Name: ") + name,
        QStringLiteral("Registrar: ") + orNot(details.registrar),
        QStringLiteral("Registered: ") + shownDate(details.registered, now, locale),
        QStringLiteral("Expires: ") + expires,
        QStringLiteral("Last changed: ") + shownDate(details.lastChanged, now, locale),
        QStringLiteral("Status: ") + orNot(status.join(QStringLiteral("; "))),
        QStringLiteral("Name servers: ") + orNot(details.nameServers.join(QStringLiteral(", "))),
    };
    if (!details.link.isEmpty())
        lines.append(QStringLiteral("More: ") + details.link.toString());
    return lines.join(QLatin1Char('\n'));
}

QString failureLine(const RdapOutcome& outcome, const QString& host, const QString& domain)
{
    const int status = outcome.httpStatus;
    if (outcome.leftAlone || status == 429)
        return QStringLiteral("%1 has had too many requests; try again in a while.").arg(host);
    if (status == 0)
        return QStringLiteral("No answer came from %1.").arg(host);
    if (status == 404)
        return QStringLiteral("%1 has no record of %2 (not found).").arg(host, domain);
    if (status == 401 || status == 403)
        return QStringLiteral("%1 refused to answer (HTTP %2).").arg(host).arg(status);
    if (status == 200)
        return QStringLiteral("The answer from %1 could not be read.").arg(host);
    return QStringLiteral("%1 could not answer (HTTP %2).").arg(host).arg(status);
}

} // namespace RdapDomain

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

struct RdapOutcome;

// What the registry's RDAP service tells about a registered name, and how it reads to a person.
namespace RdapDomain {

// An event's date as the answer gave it: read when it could be, the raw text kept for when it could not.
struct Date
{
    QDateTime when;
    QString raw;
    bool given() const { return when.isValid() || !raw.isEmpty(); }
};

struct Details
{
    QString ldhName;     // lower case, as the answer spells it in ASCII
    QString unicodeName; // the answer's own, when it gives one
    QString registrar;   // fn of the entity in the registrar role
    Date registered;
    Date expires;
    Date lastChanged;
    QStringList status;      // as sent
    QStringList nameServers; // lower case
    QUrl link;               // a page of the registrar or the registry for people, http(s) only
};

// A domain object; no result for anything else (not JSON, not an object, another class of object).
std::optional<Details> parse(const QByteArray& json);

// An RDAP status value in plain words; an unknown one as sent.
QString statusInWords(const QString& status);

// "647 days left", "1 day left", "expires today", "expired 1 day ago", "expired 12 days ago".
QString daysLeft(const QDate& today, const QDate& expires);

// The text of the details window: one "Label: value" line per field, dates in the locale's long form and in the
// time zone of now.
QString report(const Details& details, const QString& typed, const QDateTime& now, const QLocale& locale);

// The one line that says why an outcome brought no readable domain object for domain from host.
QString failureLine(const RdapOutcome& outcome, const QString& host, const QString& domain);

} // namespace RdapDomain

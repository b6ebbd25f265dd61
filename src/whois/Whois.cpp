#include "whois/Whois.h"

#include "core/Candidates.h"
#include "core/Utils.h"

#include <QRegularExpression>

namespace Whois {

QStringList ServerList()
{
    return {AutodetectEntry,
            DefaultWhoisServer,
            QStringLiteral("whois.ripe.net"),
            QStringLiteral("whois.apnic.net"),
            QStringLiteral("whois.arin.net"),
            QStringLiteral("whois.nic.mil"),
            QStringLiteral("whois.nic.gov")};
}

QString GetWhoisServer(const QString& domain)
{
    return Utils::RegistryOf(domain).whoisServer;
}

QString queryText(const QString& typed)
{
    const QString query = typed.trimmed();
    if (!query.contains(QLatin1Char('.')) || query.contains(QLatin1Char(' ')))
        return query;
    const QString ascii = Candidates::asciiForm(query);
    return ascii.isEmpty() ? query : ascii;
}

bool CheckWhoisBuffer(const QString& sBuffer)
{
    return sBuffer.contains(QStringLiteral("No match"), Qt::CaseSensitive) ||
           sBuffer.contains(QStringLiteral("No entries found"), Qt::CaseSensitive);
}

namespace {

// A line that records a registration: no disclaimer in the same reply may make the name free.
bool isRegistrationField(const QString& line, bool& domainName, bool& registrarOrDate)
{
    static const QLatin1String Fields[] = {QLatin1String("Registrar:"), QLatin1String("Creation Date:"),
                                           QLatin1String("Registered on")};
    for (const QLatin1String& field : Fields) {
        if (line.startsWith(field, Qt::CaseInsensitive))
            return true;
    }
    if (line.startsWith(QLatin1String("Domain Name:"), Qt::CaseInsensitive))
        domainName = true;
    else if (line.contains(QLatin1String("Registrar"), Qt::CaseInsensitive) ||
             line.contains(QLatin1String("Date:"), Qt::CaseInsensitive))
        registrarOrDate = true;
    return domainName && registrarOrDate;
}

bool saysNoSuchDomain(const QString& line, const QString& asked)
{
    static const QLatin1String Openings[] = {QLatin1String("No Data Found"),
                                             QLatin1String("NOT FOUND"),
                                             QLatin1String("Not found"),
                                             QLatin1String("Domain not found"),
                                             QLatin1String("No information available"),
                                             QLatin1String("We do not have an entry"),
                                             QLatin1String("Status: free"),
                                             QLatin1String("Status: AVAILABLE")};
    for (const QLatin1String& opening : Openings) {
        if (line.startsWith(opening))
            return true;
    }
    return !asked.isEmpty() && line.compare(asked + QLatin1String(" is free"), Qt::CaseInsensitive) == 0;
}

bool turnsAway(const QString& line)
{
    static const QLatin1String Refusals[] = {
        QLatin1String("limit exceeded"),    QLatin1String("try again later"), QLatin1String("too many queries"),
        QLatin1String("too many requests"), QLatin1String("quota"),           QLatin1String("access denied")};
    for (const QLatin1String& refusal : Refusals) {
        if (line.contains(refusal, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

Verdict readReply(const QString& reply, const QString& asked)
{
    if (CheckWhoisBuffer(reply))
        return Verdict::Free;
    bool free = false;
    bool refused = false;
    bool domainName = false;
    bool registrarOrDate = false;
    for (const QString& rawLine : reply.split(QLatin1Char('\n'))) {
        // Registries pad their fields: "Status:      free".
        const QString line = rawLine.simplified();
        if (isRegistrationField(line, domainName, registrarOrDate))
            return Verdict::Taken;
        free = free || saysNoSuchDomain(line, asked);
        refused = refused || turnsAway(line);
    }
    if (refused)
        return Verdict::Refused;
    return free ? Verdict::Free : Verdict::Taken;
}

Registration readRegistration(const QString& reply)
{
    static const QRegularExpression field(QStringLiteral("^(?:Sponsoring )?Registrar:\\s*(\\S.*)$"),
                                          QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression status(
        QStringLiteral("^(?:Domain )?Status:\\s*([A-Za-z].*?)(?:\\s+\\(?https?://.*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression date(QStringLiteral("(?<!\\d)(\\d{4}-\\d{2}-\\d{2})(?!\\d)"));
    static const QRegularExpression joint(QStringLiteral("([a-z])([A-Z])"));
    Registration registration;
    for (const QString& rawLine : reply.split(QLatin1Char('\n'))) {
        const QString line = rawLine.simplified();
        if (const QRegularExpressionMatch match = field.match(line); match.hasMatch()) {
            if (registration.registrar.isEmpty())
                registration.registrar = match.captured(1);
        } else if (const QRegularExpressionMatch match = status.match(line); match.hasMatch()) {
            QString word = match.captured(1);
            word.replace(joint, QStringLiteral("\\1 \\2"));
            if (!registration.status.contains(word.toLower()))
                registration.status.append(word.toLower());
        } else if (line.contains(QLatin1String("expir"), Qt::CaseInsensitive) && registration.expiryLines.size() < 3) {
            registration.expiryLines.append(line);
            const QDate day = QDate::fromString(date.match(line).captured(1), Qt::ISODate);
            if (!registration.expires.isValid())
                registration.expires = day;
        }
    }
    return registration;
}

} // namespace Whois

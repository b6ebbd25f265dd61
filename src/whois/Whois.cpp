#include "whois/Whois.h"

#include "core/Candidates.h"
#include "core/Utils.h"

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

} // namespace Whois

#pragma once

#include "core/Utils.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The WHOIS server choice and the reading of WHOIS replies, shared by the lookup window and the confirmation
// of free candidates.
namespace Whois {

// What a confirmation learnt about a candidate that DNS found free. Refused: the server would not answer now.
enum class Verdict { Free, Taken, NotChecked, Refused };

using Utils::DefaultWhoisServer;
inline const QString AutodetectEntry = QStringLiteral("Autodetect");

// The entries of the lookup window's server list: "Autodetect", then the InterNIC, RIPE, APNIC, ARIN, .mil
// and .gov servers.
QStringList ServerList();

// The WHOIS server of the domain's top-level domain record; the default server when that record names none.
QString GetWhoisServer(const QString& domain);

// What goes to the server for a query typed by hand: a domain name (a dot and no blank) in its ASCII form, as
// registries know it; anything else, a handle or a person's name, as typed.
QString queryText(const QString& typed);

// True when the reply says that the name is not registered: it holds "No match" or "No entries found".
bool CheckWhoisBuffer(const QString& sBuffer);

// What a whole reply to the question about `asked` says. Free: it holds "No match" or "No entries found", or,
// when it carries no registration field, a line in one of the other ways registries say "no such domain".
// Refused: it has no registration field and turns the question away (a rate limit, a quota, "access denied").
// Anything else, an empty reply too, is Taken.
Verdict readReply(const QString& reply, const QString& asked);

// What a reply about a registered name tells of the registration: the "Registrar:" field, the first lines that
// name the expiry (at most three) with the date of the first that holds one, and the status codes in words
// ("clientTransferProhibited" becomes "client transfer prohibited", as RDAP writes them).
struct Registration
{
    QString registrar;
    QStringList expiryLines;
    QDate expires;
    QStringList status;
};
Registration readRegistration(const QString& reply);

} // namespace Whois

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <functional>

#include "whois/Whois.h"

class QJsonObject;

// The registration data service (RDAP, over HTTPS) that registries offer in place of WHOIS: the pieces of an
// exchange that need no network, so that they can be tested on their own.
namespace Rdap {

using Whois::Verdict;

// How the program talks to RDAP services and to their directory; tests aim it at their loopback servers.
struct Policy
{
    // Plain HTTP is refused everywhere unless a test turns this on for its loopback server.
    bool plainHttpAllowed = false;
    // Time limits of a question in milliseconds; 0: the client's own.
    int connectMs = 0;
    int exchangeMs = 0;
    // Milliseconds on a monotonic clock, for the pace of requests; empty: the system's.
    std::function<qint64()> clock;
    // Where the directory of services is fetched from; empty turns fetching off.
    QString directoryUrl = QStringLiteral("https://data.iana.org/rdap/dns.json");

    qint64 now() const;
};

// An address the program may ask: https (or http when allowed) with a host.
bool isUsableUrl(const QUrl& url, bool plainHttpAllowed);

// The lower-case A-label form of a domain name, without a final dot; empty when the name holds anything but
// letters, digits, hyphens and dots once converted (so nothing of it can reach a URL's path or query).
QString aceName(const QString& domain);

// base + "domain/" + aceName(domain); an invalid URL when the base is not usable or the name is refused.
QUrl domainUrl(const QString& baseUrl, const QString& domain, bool plainHttpAllowed);

// Whether an answer's object is a domain: objectClassName exactly "domain". The confirmation and the details window
// read an answer the same way.
bool isDomainObject(const QJsonObject& object);

// The meaning of a final answer (neither a redirect nor a first 429): 404 is free; 200 with a JSON object whose
// objectClassName is "domain" is taken (a name in its redemption or pending-delete period answers so too);
// anything else, a body cut at the bound included, could not be confirmed.
Verdict classifyAnswer(int httpStatus, const QByteArray& body, bool bodyCut);

// Seconds to wait after a 429: Retry-After as delay-seconds or as an HTTP date, fallbackSeconds when absent or
// unreadable, never below 0 nor above maxSeconds.
int retryAfterSeconds(const QByteArray& header, const QDateTime& now, int fallbackSeconds, int maxSeconds);

// Redirect status codes that carry a Location to follow.
bool isRedirect(int httpStatus);

// "Orlevan/1.2.24", sent with every request.
QByteArray userAgent();

// An HTTP date (IMF-fixdate), as sent in If-Modified-Since.
QByteArray httpDate(const QDateTime& time);

} // namespace Rdap

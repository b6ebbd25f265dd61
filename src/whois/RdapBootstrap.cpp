#include "whois/RdapBootstrap.h"

#include "core/FileOps.h"
#include "core/Utils.h"
#include "whois/Rdap.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

std::optional<RdapBootstrap> RdapBootstrap::parse(const QByteArray& json, bool plainHttpAllowed)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject root = document.object();
    const QJsonValue services = root.value(QLatin1String("services"));
    if (!services.isArray())
        return std::nullopt;

    RdapBootstrap result;
    result.m_publication = QDateTime::fromString(root.value(QLatin1String("publication")).toString(), Qt::ISODate);
    for (const QJsonValue& service : services.toArray()) {
        const QJsonArray pair = service.toArray();
        if (pair.size() < 2 || !pair.at(0).isArray() || !pair.at(1).isArray())
            continue;
        // HTTPS first; plain HTTP only where a test allows it.
        QString base;
        for (const QJsonValue& address : pair.at(1).toArray()) {
            const QUrl url(address.toString(), QUrl::StrictMode);
            if (!Rdap::isUsableUrl(url, plainHttpAllowed) || url.hasQuery() || url.hasFragment())
                continue;
            if (base.isEmpty() || url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
                base = url.toString();
                if (url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0)
                    break;
            }
        }
        if (!base.isEmpty() && !base.endsWith(QLatin1Char('/')))
            base += QLatin1Char('/');
        for (const QJsonValue& entry : pair.at(0).toArray()) {
            const QString suffix = Rdap::aceName(entry.toString());
            if (suffix.isEmpty() || result.m_bases.contains(suffix))
                continue;
            result.m_bases.insert(suffix, base);
            result.m_longest = std::max<int>(result.m_longest, int(suffix.count(QLatin1Char('.'))) + 1);
        }
    }
    if (result.m_bases.isEmpty())
        return std::nullopt;
    return result;
}

QString RdapBootstrap::serviceFor(const QString& domain) const
{
    if (m_bases.isEmpty())
        return {};
    const QString name = Rdap::aceName(domain);
    if (name.isEmpty())
        return {};
    const QStringList labels = name.split(QLatin1Char('.'));
    for (qsizetype n = std::min<qsizetype>(labels.size(), m_longest); n >= 1; --n) {
        const auto found = m_bases.constFind(labels.mid(labels.size() - n).join(QLatin1Char('.')));
        if (found != m_bases.cend())
            return found.value();
    }
    return {};
}

namespace Rdap {

DirectoryFiles DirectoryFiles::program()
{
    const QString folder = Utils::dataFolder();
    return {Utils::programFolder() + QStringLiteral("/rdap/dns.json"), folder + QStringLiteral("/rdap-dns.json"),
            folder + QStringLiteral("/rdap-dns.state")};
}

std::optional<RdapBootstrap> readBootstrap(const QString& path, bool plainHttpAllowed)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxBootstrapBytes)
        return std::nullopt;
    return RdapBootstrap::parse(file.read(MaxBootstrapBytes), plainHttpAllowed);
}

RdapBootstrap chooseBootstrap(const std::optional<RdapBootstrap>& shipped, const std::optional<RdapBootstrap>& user)
{
    if (user && (!shipped || !shipped->publication().isValid() ||
                 (user->publication().isValid() && user->publication() >= shipped->publication())))
        return *user;
    if (shipped)
        return *shipped;
    return {};
}

RdapBootstrap loadBootstrap(const DirectoryFiles& files, bool plainHttpAllowed)
{
    return chooseBootstrap(readBootstrap(files.shipped, plainHttpAllowed), readBootstrap(files.user, plainHttpAllowed));
}

FetchState readFetchState(const QString& path)
{
    FetchState state;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return state;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    state.checked = QDateTime::fromString(object.value(QLatin1String("checked")).toString(), Qt::ISODate);
    state.lastModified = object.value(QLatin1String("lastModified")).toString().toLatin1();
    state.etag = object.value(QLatin1String("etag")).toString().toLatin1();
    state.publication = QDateTime::fromString(object.value(QLatin1String("publication")).toString(), Qt::ISODate);
    return state;
}

bool writeFetchState(const QString& path, const FetchState& state)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QJsonObject object;
    object.insert(QLatin1String("checked"), state.checked.toUTC().toString(Qt::ISODate));
    object.insert(QLatin1String("lastModified"), QString::fromLatin1(state.lastModified));
    object.insert(QLatin1String("etag"), QString::fromLatin1(state.etag));
    object.insert(QLatin1String("publication"), state.publication.toUTC().toString(Qt::ISODate));
    return !FileOps::writeWhole(path, QJsonDocument(object).toJson());
}

bool refreshDue(const QDateTime& lastChecked, const QDateTime& now)
{
    if (!lastChecked.isValid() || lastChecked > now)
        return true;
    return lastChecked.addDays(RefreshDays) <= now;
}

QList<QPair<QByteArray, QByteArray>> conditionalHeaders(const FetchState& state, const QDateTime& inHandPublication)
{
    QList<QPair<QByteArray, QByteArray>> headers;
    // Validators of a copy that is no longer in hand would make the server answer 304 for a file we lack.
    const bool ours = state.publication.isValid() && state.publication == inHandPublication;
    if (ours && !state.etag.isEmpty())
        headers.append({QByteArrayLiteral("If-None-Match"), state.etag});
    if (ours && !state.lastModified.isEmpty())
        headers.append({QByteArrayLiteral("If-Modified-Since"), state.lastModified});
    else if (inHandPublication.isValid())
        headers.append({QByteArrayLiteral("If-Modified-Since"), httpDate(inHandPublication)});
    return headers;
}

std::optional<RdapBootstrap> fetchedReplacement(int httpStatus, const QByteArray& body, const RdapBootstrap& inHand)
{
    if (httpStatus != 200)
        return std::nullopt;
    std::optional<RdapBootstrap> fetched = RdapBootstrap::parse(body);
    if (!fetched)
        return std::nullopt;
    if (!inHand.isEmpty() && inHand.publication().isValid() &&
        (!fetched->publication().isValid() || fetched->publication() < inHand.publication()))
        return std::nullopt;
    return fetched;
}

} // namespace Rdap

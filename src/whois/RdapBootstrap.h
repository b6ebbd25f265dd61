#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// The registries' directory of RDAP services for domain names: which base URL answers for which top-level
// domain (or longer suffix). The program ships a copy beside itself and keeps a newer one in the user's data
// folder once it has fetched one.
class RdapBootstrap final
{
public:
    // Reads the directory's JSON. No result for anything that is not a directory with at least one entry;
    // a malformed service inside an otherwise sound file is skipped, and so is an address that is not HTTPS
    // (nor plain HTTP, where that is allowed).
    static std::optional<RdapBootstrap> parse(const QByteArray& json, bool plainHttpAllowed = false);

    // The base URL (ending in "/") of the service for the domain: its labels are matched from the right against
    // the entries and the longest match wins. Empty when nothing matches, or when the longest match offers no
    // usable (HTTPS) address: another registry's server is not asked in its place.
    QString serviceFor(const QString& domain) const;

    QDateTime publication() const { return m_publication; }
    bool isEmpty() const { return m_bases.isEmpty(); }

private:
    QHash<QString, QString> m_bases; // suffix -> base URL, empty when the service has no usable address
    int m_longest = 0;               // labels of the longest entry
    QDateTime m_publication;
};

namespace Rdap {

// Where the directory lies: the copy shipped beside the program, the user's fetched copy in the user's data
// folder, and when it was last asked for with its validators.
struct DirectoryFiles
{
    QString shipped;
    QString user;
    QString state;
    // The program's own, as its folders stand.
    static DirectoryFiles program();
};

constexpr int RefreshDays = 7;
// A directory file is far smaller than this; a bigger one is refused unread.
constexpr qint64 MaxBootstrapBytes = 8 * 1024 * 1024;

std::optional<RdapBootstrap> readBootstrap(const QString& path, bool plainHttpAllowed = false);
// The user's copy wins when it is valid and not older than the shipped one (a program update may ship a newer
// directory than an old fetched copy).
RdapBootstrap chooseBootstrap(const std::optional<RdapBootstrap>& shipped, const std::optional<RdapBootstrap>& user);
// The directory in force now, from the two copies; empty when neither is there or valid.
RdapBootstrap loadBootstrap(const DirectoryFiles& files, bool plainHttpAllowed = false);

struct FetchState
{
    QDateTime checked; // last completed attempt, whatever its outcome
    // The validators of the answer that brought the user's copy, and that copy's publication: they only hold
    // while that copy is the one in hand.
    QByteArray lastModified;
    QByteArray etag;
    QDateTime publication;
};
FetchState readFetchState(const QString& path);
bool writeFetchState(const QString& path, const FetchState& state);

// A fetch is due when none was made, a week has passed, or the last one lies in the future (a clock set back
// must not stop fetching for good).
bool refreshDue(const QDateTime& lastChecked, const QDateTime& now);
// The conditional request's headers: the validators of the last answer when they belong to the copy in hand,
// otherwise the publication of the copy in hand.
QList<QPair<QByteArray, QByteArray>> conditionalHeaders(const FetchState& state, const QDateTime& inHandPublication);
// The fetched directory that should replace the one in hand: only a 200 whose body is a valid directory not
// older than the one in hand.
std::optional<RdapBootstrap> fetchedReplacement(int httpStatus, const QByteArray& body, const RdapBootstrap& inHand);

} // namespace Rdap

#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

// One watched name: what the last check of it saw, and the last change it found.
struct WatchEntry
{
    enum class State { NotChecked, Free, Taken };

    QString domain; // as typed
    QString ascii;  // lower case
    QDateTime added;
    State state = State::NotChecked;
    // The registration as the registry last told it; empty when it told nothing (free, or not asked).
    QString registrar;
    QDate expires;
    QStringList registryStatus; // the registry's status words, as sent
    QStringList expiryLines;    // a WHOIS reply's first lines that name the expiry
    bool detailed = false;      // the registration details above came with the last check
    QDateTime checked;
    QString change; // the last change, in words
    QDateTime changed;
};

// What one check of a watched name saw.
struct WatchSighting
{
    WatchEntry::State state = WatchEntry::State::NotChecked;
    bool detailed = false; // the registry told the registration details below
    QString registrar;
    QDate expires;
    QStringList registryStatus;
    QStringList expiryLines;
    QString why; // for NotChecked
};

namespace Watch {

// Days before the expiry from which its coming is told.
constexpr int ExpirySoonDays = 30;

// "free", "taken", "not checked".
QString stateText(WatchEntry::State state);
// What changed between the entry as it stood and what a check saw on `today`, each change once, in words;
// nothing when nothing did. A first check and a check that could not be made find nothing.
QStringList changes(const WatchEntry& entry, const WatchSighting& seen, const QDate& today);
// The entry after a check at `now`: what it saw, and its changes when there were any. A check that could not be
// made leaves the entry as it was.
WatchEntry updated(const WatchEntry& entry, const WatchSighting& seen, const QDateTime& now);

// One watched name after a check: the entry as it then stands, and what the check saw of it.
struct Outcome
{
    WatchEntry entry;
    bool checked = false; // false: the check could not be made, the entry is the last one known
    QString why;          // why not
    QStringList changes;
};
// Adds a name unless it is watched already (by its ASCII form, in any letter case); the entry as it stands.
WatchEntry add(QList<WatchEntry>& list, const QString& typed, const QString& ascii, const QDateTime& now);
// As many names as one check of the name server asks.
constexpr int MaxNames = 2047;
// Adds names (as typed, ASCII form) as add() does, each entry as it then stands in `added`; or, when the list
// would hold more than MaxNames, adds none and gives the refusal.
std::optional<QString> addAll(QList<WatchEntry>& list, const QList<std::pair<QString, QString>>& names,
                              const QDateTime& now, QList<WatchEntry>* added = nullptr);
// Removes a name; false when it was not watched.
bool remove(QList<WatchEntry>& list, const QString& ascii);
// What a check of the entries `checked` saw (`seen` of each, in order) at `now`, worked into the list as it stands
// then, so that what another writer changed meanwhile stands: a name removed meanwhile is not put back, and a
// change already told is not told again. Without a list, against the entries as they were checked.
QList<Outcome> merge(QList<WatchEntry>* list, const QList<WatchEntry>& checked,
                     const std::function<const WatchSighting&(int)>& seen, const QDateTime& now);

// The file's text and back; no result for anything that is not a watch list.
QByteArray toJson(const QList<WatchEntry>& entries);
std::optional<QList<WatchEntry>> fromJson(const QByteArray& json);

} // namespace Watch

// The user's watch list: one JSON file in the data folder, shared by the window and orlevan-cli. Every change is
// made under a lock file against another writer, on the file as it stands then, and written whole or not at all.
// A file that cannot be read as a list is never written over: it is kept aside under another name and the list
// starts empty.
class WatchList final
{
public:
    // The file in the user's data folder.
    static QString defaultPath();
    // How long a change waits for another writer's lock before it gives up.
    static constexpr int LockWaitMs = 5000;

    explicit WatchList(const QString& path = defaultPath());

    const QString& path() const { return m_path; }
    void setLockWait(int ms) { m_lockWaitMs = ms; }
    // After a read found the file damaged: where it was kept.
    const QString& keptAside() const { return m_keptAside; }

    // The list as it stands; the message when it cannot be read (nothing when there is no file yet). A damaged
    // file is kept aside, and its message, naming both paths, is said once: the next read finds no file.
    std::optional<QString> read(QList<WatchEntry>* entries);
    // Changes the list as it stands under the lock, and writes it when `change` says so; the message when that
    // could not be done, and then the file is as it was. A damaged file is kept aside as read() does, and the
    // change is not made.
    std::optional<QString> update(const std::function<bool(QList<WatchEntry>&)>& change);

private:
    std::optional<QString> readUnlocked(QList<WatchEntry>* entries);

    const QString m_path;
    QString m_keptAside;
    int m_lockWaitMs = LockWaitMs;
};

#include "core/WatchList.h"

#include "core/FileOps.h"
#include "core/Utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>

namespace Watch {
namespace {

const QString DateFormat = QStringLiteral("yyyy-MM-dd");

QString timeText(const QDateTime& time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODate) : QString();
}

QDateTime timeOf(const QJsonValue& value)
{
    return QDateTime::fromString(value.toString(), Qt::ISODate);
}

bool hasWord(const QStringList& words, const QString& word)
{
    return words.contains(word.trimmed(), Qt::CaseInsensitive);
}

// Whether the coming expiry was told at the check before: it was as near then, with the same date.
bool toldSoon(const WatchEntry& entry, const QDate& expires)
{
    return entry.expires.isValid() && entry.expires == expires && entry.checked.isValid() &&
           entry.checked.date().daysTo(entry.expires) <= ExpirySoonDays;
}

} // namespace

QString stateText(WatchEntry::State state)
{
    switch (state) {
    case WatchEntry::State::Free:
        return QStringLiteral("free");
    case WatchEntry::State::Taken:
        return QStringLiteral("taken");
    case WatchEntry::State::NotChecked:
        break;
    }
    return QStringLiteral("not checked");
}

QStringList changes(const WatchEntry& entry, const WatchSighting& seen, const QDate& today)
{
    using State = WatchEntry::State;
    if (entry.state == State::NotChecked || seen.state == State::NotChecked)
        return {};
    if (entry.state == State::Taken && seen.state == State::Free)
        return {QStringLiteral("came free")};
    if (entry.state == State::Free && seen.state == State::Taken)
        return {QStringLiteral("was registered")};
    if (seen.state != State::Taken || !seen.detailed)
        return {};
    QStringList said;
    if (entry.detailed) {
        for (const QString& word : seen.registryStatus) {
            if (!hasWord(entry.registryStatus, word))
                said.append(QStringLiteral("new status: ") + word);
        }
        for (const QString& word : entry.registryStatus) {
            if (!hasWord(seen.registryStatus, word))
                said.append(QStringLiteral("status gone: ") + word);
        }
        if (entry.expires.isValid() && seen.expires.isValid() && entry.expires != seen.expires)
            said.append(
                (seen.expires > entry.expires ? QStringLiteral("renewed until ") : QStringLiteral("expiry moved to ")) +
                seen.expires.toString(DateFormat));
        if (!entry.registrar.isEmpty() && !seen.registrar.isEmpty() &&
            entry.registrar.compare(seen.registrar, Qt::CaseInsensitive) != 0)
            said.append(QStringLiteral("new registrar: ") + seen.registrar);
    }
    if (seen.expires.isValid() && today.daysTo(seen.expires) <= ExpirySoonDays && !toldSoon(entry, seen.expires))
        said.append((seen.expires < today ? QStringLiteral("expired on ")
                                          : QStringLiteral("expires within %1 days, on ").arg(ExpirySoonDays)) +
                    seen.expires.toString(DateFormat));
    return said;
}

WatchEntry add(QList<WatchEntry>& list, const QString& typed, const QString& ascii, const QDateTime& now)
{
    const QString key = ascii.toLower();
    for (const WatchEntry& entry : std::as_const(list)) {
        if (entry.ascii == key)
            return entry;
    }
    WatchEntry entry;
    entry.domain = typed;
    entry.ascii = key;
    entry.added = now;
    list.append(entry);
    return entry;
}

std::optional<QString> addAll(QList<WatchEntry>& list, const QList<std::pair<QString, QString>>& names,
                              const QDateTime& now, QList<WatchEntry>* added)
{
    QList<WatchEntry> grown = list;
    QList<WatchEntry> entries;
    for (const auto& [typed, ascii] : names)
        entries.append(add(grown, typed, ascii, now));
    if (grown.size() > MaxNames && grown.size() > list.size())
        return QStringLiteral("The watch list holds at most %1 names, as many as one check asks; with these it "
                              "would hold %2.")
            .arg(MaxNames)
            .arg(grown.size());
    list = grown;
    if (added)
        *added = entries;
    return std::nullopt;
}

bool remove(QList<WatchEntry>& list, const QString& ascii)
{
    const QString key = ascii.toLower();
    return list.removeIf([&](const WatchEntry& entry) { return entry.ascii == key; }) > 0;
}

QList<Outcome> merge(QList<WatchEntry>* list, const QList<WatchEntry>& checked,
                     const std::function<const WatchSighting&(int)>& seen, const QDateTime& now)
{
    QList<Outcome> out;
    for (int i = 0; i < checked.size(); ++i) {
        const WatchSighting& sighting = seen(i);
        qsizetype at = -1;
        for (qsizetype j = 0; list && j < list->size() && at < 0; ++j)
            at = list->at(j).ascii == checked.at(i).ascii ? j : -1;
        const WatchEntry& before = at >= 0 ? list->at(at) : checked.at(i);
        Outcome one;
        one.checked = sighting.state != WatchEntry::State::NotChecked;
        one.why = sighting.why;
        one.changes = changes(before, sighting, now.date());
        one.entry = updated(before, sighting, now);
        if (at >= 0)
            (*list)[at] = one.entry;
        out.append(one);
    }
    return out;
}

WatchEntry updated(const WatchEntry& entry, const WatchSighting& seen, const QDateTime& now)
{
    if (seen.state == WatchEntry::State::NotChecked)
        return entry;
    WatchEntry next = entry;
    const QStringList said = changes(entry, seen, now.date());
    next.state = seen.state;
    next.checked = now;
    if (seen.state == WatchEntry::State::Free) {
        next.registrar.clear();
        next.expires = {};
        next.registryStatus.clear();
        next.expiryLines.clear();
        next.detailed = false;
    } else if (seen.detailed) {
        // Without details this time, the last ones told stay, to be compared with the next.
        next.registrar = seen.registrar;
        next.expires = seen.expires;
        next.registryStatus = seen.registryStatus;
        next.expiryLines = seen.expiryLines;
        next.detailed = true;
    }
    if (!said.isEmpty()) {
        next.change = said.join(QStringLiteral("; "));
        next.changed = now;
    }
    return next;
}

QByteArray toJson(const QList<WatchEntry>& entries)
{
    QJsonArray watched;
    for (const WatchEntry& entry : entries) {
        QJsonObject object{
            {QStringLiteral("domain"), entry.domain},
            {QStringLiteral("ascii"), entry.ascii},
            {QStringLiteral("added"), timeText(entry.added)},
            {QStringLiteral("state"), stateText(entry.state)},
            {QStringLiteral("registrar"), entry.registrar},
            {QStringLiteral("expires"), entry.expires.toString(DateFormat)},
            {QStringLiteral("registryStatus"), QJsonArray::fromStringList(entry.registryStatus)},
            {QStringLiteral("expiryLines"), QJsonArray::fromStringList(entry.expiryLines)},
            {QStringLiteral("detailed"), entry.detailed},
            {QStringLiteral("checked"), timeText(entry.checked)},
            {QStringLiteral("change"), entry.change},
            {QStringLiteral("changed"), timeText(entry.changed)},
        };
        watched.append(object);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("version"), 1}, {QStringLiteral("watched"), watched}})
        .toJson(QJsonDocument::Indented);
}

std::optional<QList<WatchEntry>> fromJson(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonValue watched = document.object().value(QLatin1String("watched"));
    if (error.error != QJsonParseError::NoError || !watched.isArray())
        return std::nullopt;
    QList<WatchEntry> entries;
    for (const QJsonValue& value : watched.toArray()) {
        const QJsonObject object = value.toObject();
        WatchEntry entry;
        entry.ascii = object.value(QLatin1String("ascii")).toString();
        if (entry.ascii.isEmpty())
            return std::nullopt;
        entry.domain = object.value(QLatin1String("domain")).toString(entry.ascii);
        entry.added = timeOf(object.value(QLatin1String("added")));
        const QString state = object.value(QLatin1String("state")).toString();
        entry.state = state == stateText(WatchEntry::State::Free)    ? WatchEntry::State::Free
                      : state == stateText(WatchEntry::State::Taken) ? WatchEntry::State::Taken
                                                                     : WatchEntry::State::NotChecked;
        entry.registrar = object.value(QLatin1String("registrar")).toString();
        entry.expires = QDate::fromString(object.value(QLatin1String("expires")).toString(), DateFormat);
        for (const QJsonValue& word : object.value(QLatin1String("registryStatus")).toArray())
            entry.registryStatus.append(word.toString());
        for (const QJsonValue& line : object.value(QLatin1String("expiryLines")).toArray())
            entry.expiryLines.append(line.toString());
        entry.detailed = object.value(QLatin1String("detailed")).toBool();
        entry.checked = timeOf(object.value(QLatin1String("checked")));
        entry.change = object.value(QLatin1String("change")).toString();
        entry.changed = timeOf(object.value(QLatin1String("changed")));
        entries.append(entry);
    }
    return entries;
}

} // namespace Watch

QString WatchList::defaultPath()
{
    return Utils::dataFolder() + QStringLiteral("/watched.json");
}

WatchList::WatchList(const QString& path) : m_path(path) {}

std::optional<QString> WatchList::read(QList<WatchEntry>* entries)
{
    return update([entries](QList<WatchEntry>& list) {
        *entries = list;
        return false;
    });
}

std::optional<QString> WatchList::update(const std::function<bool(QList<WatchEntry>&)>& change)
{
    const QString shown = QDir::toNativeSeparators(m_path);
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return QStringLiteral("The folder of the watch list %1 cannot be made.").arg(shown);
    // Held only while the file is read and written: a check in between runs without it.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(m_lockWaitMs)) {
        if (lock.error() == QLockFile::LockFailedError)
            return QStringLiteral("The watch list %1 is being changed by another Orlevan; try again.").arg(shown);
        return QStringLiteral("The watch list %1 cannot be locked against other writers.").arg(shown);
    }
    QList<WatchEntry> entries;
    if (const std::optional<QString> failure = readUnlocked(&entries))
        return failure;
    if (!change(entries))
        return std::nullopt;
    if (const std::optional<QString> failure = FileOps::writeWhole(m_path, Watch::toJson(entries)))
        return QStringLiteral("The watch list %1 could not be written: %2.").arg(shown, *failure);
    return std::nullopt;
}

std::optional<QString> WatchList::readUnlocked(QList<WatchEntry>* entries)
{
    entries->clear();
    QFile file(m_path);
    if (!file.exists())
        return std::nullopt;
    const QString shown = QDir::toNativeSeparators(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The watch list %1 cannot be read: %2.").arg(shown, file.errorString());
    const QByteArray bytes = file.readAll();
    file.close();
    if (const std::optional<QList<WatchEntry>> read = Watch::fromJson(bytes)) {
        *entries = *read;
        return std::nullopt;
    }
    const QString stem = m_path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stem;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, aside))
        return QStringLiteral("The watch list %1 is damaged and cannot be kept aside; it is left as it is.").arg(shown);
    m_keptAside = aside;
    return QStringLiteral("The watch list %1 was damaged; it is kept as %2, and the list starts empty.")
        .arg(shown, QDir::toNativeSeparators(aside));
}

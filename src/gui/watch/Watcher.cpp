#include "gui/watch/Watcher.h"

#include "check/WatchCheck.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"

#include <QTimer>

Watcher::Watcher(QObject* parent) : QObject(parent), m_schedule([this] { return now(); })
{
    setObjectName(QStringLiteral("Watcher"));
    // The window waits for orlevan-cli's lock only briefly: the terminal holds it for a read and a write, and a
    // longer wait would hold up the window.
    m_list.setLockWait(250);
    connect(&m_schedule, &WatchSchedule::due, this, [this] {
        // Another front end may have checked them meanwhile.
        const QDateTime last = WatchSchedule::lastCheck(entries());
        if (WatchSchedule::msUntilDue(last, now()) > 0)
            return m_schedule.start(last);
        checkAll();
    });
}

Watcher::~Watcher()
{
    delete m_check;
}

QDateTime Watcher::now() const
{
    const Forms::Io& io = Forms::io();
    return io.now ? io.now() : QDateTime::currentDateTime();
}

void Watcher::tell(const std::optional<QString>& failure)
{
    // Said once the caller is done: a message box waits in an event loop of its own. A list that stays unreadable
    // is said once, not at every look at it, until it could be read again.
    if (!failure) {
        m_told.clear();
        return;
    }
    if (*failure == m_told)
        return;
    m_told = *failure;
    QTimer::singleShot(0, this, [text = *failure] { Forms::warnIf(text); });
}

void Watcher::start()
{
    m_schedule.start(WatchSchedule::lastCheck(entries()));
}

QList<WatchEntry> Watcher::entries()
{
    QList<WatchEntry> list;
    tell(m_list.read(&list));
    return list;
}

void Watcher::watch(const QList<std::pair<QString, QString>>& names)
{
    const QDateTime at = now();
    std::optional<QString> refusal;
    std::optional<QString> failure = m_list.update([&](QList<WatchEntry>& list) {
        refusal = Watch::addAll(list, names, at);
        return !refusal;
    });
    failure = failure ? failure : refusal;
    tell(failure);
    Q_EMIT listChanged();
    if (failure)
        return;
    QStringList asciis;
    for (const auto& name : names)
        asciis.append(name.second.toLower());
    check(asciis, false);
}

void Watcher::unwatch(const QStringList& asciis)
{
    tell(m_list.update([&](QList<WatchEntry>& list) {
        for (const QString& ascii : asciis)
            Watch::remove(list, ascii);
        return true;
    }));
    for (const QString& ascii : asciis)
        m_marked.remove(ascii);
    Q_EMIT listChanged();
}

void Watcher::checkAll()
{
    check({}, true);
}

void Watcher::check(const QStringList& asciis, bool all)
{
    if (m_check) {
        m_waitingAll = m_waitingAll || all;
        m_waiting += asciis;
        return;
    }
    QList<WatchEntry> chosen = entries();
    if (!all)
        chosen.removeIf([&](const WatchEntry& entry) { return !asciis.contains(entry.ascii); });
    if (chosen.isEmpty()) {
        if (all)
            m_schedule.start(now());
        return;
    }
    m_checking = chosen;
    m_checkingAll = all;
    m_note.clear();
    const Forms::Io& io = Forms::io();
    m_check = new WatchCheck(WatchCheck::inputsFor(chosen, Utils::AppSettings, io.nameServerPort, io.check.rdap),
                             {io.check, io.now, io.watchSpacingMs}, this);
    connect(m_check, &WatchCheck::note, this, [this](const QString& text) { m_note = text; });
    connect(m_check, &WatchCheck::failed, this, [this](const QString& text) { m_note = text; });
    connect(m_check, &WatchCheck::finished, this, &Watcher::onChecked);
    m_check->start();
    Q_EMIT checkingChanged();
}

void Watcher::cancel()
{
    if (!m_check)
        return;
    m_check->cancel();
    onChecked();
}

void Watcher::onChecked()
{
    WatchCheck* done = m_check;
    if (!done)
        return;
    m_check = nullptr;
    done->deleteLater();
    std::optional<QString> failure;
    const QList<Watch::Outcome> outcomes = done->record(m_list, m_checking, &failure);
    tell(failure);
    // The next daily check a day after this one, even when some names could not be checked: they wait for it.
    if (m_checkingAll)
        m_schedule.start(done->now());
    Q_EMIT listChanged();
    Q_EMIT checkingChanged();
    for (const Watch::Outcome& outcome : outcomes) {
        if (!outcome.changes.isEmpty()) {
            Q_EMIT changed(outcomes);
            break;
        }
    }
    if (m_waitingAll || !m_waiting.isEmpty()) {
        const QStringList waiting = std::exchange(m_waiting, {});
        const bool all = std::exchange(m_waitingAll, false);
        QTimer::singleShot(0, this, [this, waiting, all] { check(waiting, all); });
    }
}

void Watcher::mark(const QList<Watch::Outcome>& outcomes)
{
    for (const Watch::Outcome& outcome : outcomes) {
        if (!outcome.changes.isEmpty())
            m_marked.insert(outcome.entry.ascii);
    }
    Q_EMIT listChanged();
}

void Watcher::clearMarks()
{
    m_marked.clear();
}

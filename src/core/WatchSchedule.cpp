#include "core/WatchSchedule.h"

#include <limits>

QDateTime WatchSchedule::lastCheck(const QList<WatchEntry>& entries)
{
    QDateTime oldest;
    for (const WatchEntry& entry : entries) {
        if (!entry.checked.isValid())
            return {};
        if (!oldest.isValid() || entry.checked < oldest)
            oldest = entry.checked;
    }
    return oldest;
}

qint64 WatchSchedule::msUntilDue(const QDateTime& lastCheck, const QDateTime& now)
{
    if (!lastCheck.isValid())
        return 0;
    const qint64 since = lastCheck.msecsTo(now);
    if (since < 0)
        return DayMs;
    return qMax<qint64>(0, DayMs - since);
}

WatchSchedule::WatchSchedule(std::function<QDateTime()> now, QObject* parent) : QObject(parent), m_now(std::move(now))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WatchSchedule::due);
}

void WatchSchedule::start(const QDateTime& lastCheck)
{
    const QDateTime now = m_now ? m_now() : QDateTime::currentDateTime();
    m_timer.start(int(qMin<qint64>(msUntilDue(lastCheck, now), std::numeric_limits<int>::max())));
}

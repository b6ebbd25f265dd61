#pragma once

#include "core/WatchList.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <functional>

// When the watched names are checked while the program runs: once a day, and at start when the last check of
// some name is older than a day. It only says when; the caller checks and tells it when that was.
class WatchSchedule final : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 DayMs = 24 * 3600 * 1000;

    // The last time every name was checked: the oldest check among them; invalid when one never was.
    static QDateTime lastCheck(const QList<WatchEntry>& entries);
    // Milliseconds until the next check, 0 when it is due: a day after the last one. A last check in the future
    // (a clock set back) counts as made now, so that the checks never stop.
    static qint64 msUntilDue(const QDateTime& lastCheck, const QDateTime& now);

    // now: the clock; empty, the system's.
    explicit WatchSchedule(std::function<QDateTime()> now = {}, QObject* parent = nullptr);

    // Waits for the next check after one made at lastCheck; due() comes at once when it is late already.
    void start(const QDateTime& lastCheck);
    void stop() { m_timer.stop(); }
    bool waiting() const { return m_timer.isActive(); }
    // Milliseconds of the wait under way.
    int waitMs() const { return m_timer.interval(); }

Q_SIGNALS:
    void due();

private:
    const std::function<QDateTime()> m_now;
    QTimer m_timer;
};

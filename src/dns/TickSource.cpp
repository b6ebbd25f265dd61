#include "dns/TickSource.h"

TimerTickSource::TimerTickSource(QObject* parent) : TickSource(parent)
{
    // A coarse timer may stretch a 5 ms interval by a few milliseconds per tick.
    m_timer.setObjectName(QStringLiteral("Delaytimer"));
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TickSource::tick);
}

void TimerTickSource::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

void TimerTickSource::stop()
{
    m_timer.stop();
}

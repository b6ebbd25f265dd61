#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <functional>

// Coalesces a stream of changes into at most one flush a frame: a poke a frame or more after the last flush
// flushes at once, from inside the event that brought the change; an earlier one leaves the flush to a later poke,
// or to a timer a little after the frame is up when no poke comes. So a steady stream costs no wake-up of its own.
class Throttle final
{
public:
    Throttle(int intervalMs, QObject* context, std::function<void()> flush)
        : m_interval(intervalMs), m_flush(std::move(flush))
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, context, [this] { flushNow(); });
    }
    void poke()
    {
        const qint64 since = m_since.isValid() ? m_since.elapsed() : m_interval;
        if (since >= m_interval)
            flushNow();
        else if (!m_timer.isActive())
            m_timer.start(int(m_interval - since) + m_interval / 3);
    }
    void flushNow()
    {
        m_timer.stop();
        m_since.start();
        m_flush();
    }

private:
    const int m_interval;
    QElapsedTimer m_since;
    QTimer m_timer;
    std::function<void()> m_flush;
};

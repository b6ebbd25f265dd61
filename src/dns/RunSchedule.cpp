#include "dns/RunSchedule.h"

RunSchedule::RunSchedule(int cellCount, int passes) : m_cellCount(cellCount), m_passes(passes) {}

RunSchedule::Step RunSchedule::begin(const PendingFn& pending)
{
    return advance(pending);
}

RunSchedule::Step RunSchedule::tick(const PendingFn& pending)
{
    if (m_phase == Phase::Finished)
        return {};
    if (m_wait > 0 && --m_wait > 0)
        return {};
    return advance(pending);
}

RunSchedule::Step RunSchedule::advance(const PendingFn& pending)
{
    for (;;) {
        switch (m_phase) {
        case Phase::Sending:
            // A reply may have come for a later cell since the pass began: look at the moment of sending.
            while (m_cursor < m_cellCount && !pending(m_cursor))
                ++m_cursor;
            if (m_cursor < m_cellCount) {
                m_wait = 1;
                return {m_cursor++, false};
            }
            m_phase = Phase::Pausing;
            m_wait = PauseTicks;
            return {};
        case Phase::Pausing:
            if (++m_pass < m_passes) {
                m_phase = Phase::Sending;
                m_cursor = 0;
                continue;
            }
            m_phase = Phase::Draining;
            m_wait = DrainTicks;
            return {};
        case Phase::Draining:
            m_phase = Phase::Finished;
            return {-1, true};
        case Phase::Finished:
            return {};
        }
    }
}

#pragma once

#include <functional>

// The pacing of a checking run, without clock or socket: which cell is asked at which tick.
// Passes go over the cells in order and ask only those still pending; the first query leaves at once, every
// further one a tick after the one before; a pass ends one tick after its last query plus a pause, and the run
// ends after the last pause and a drain.
class RunSchedule
{
public:
    static constexpr int PauseTicks = 3;
    static constexpr int DrainTicks = 10;

    struct Step
    {
        int sendCell = -1;     // the cell to ask now, or -1
        bool finished = false; // the drain is over
    };
    using PendingFn = std::function<bool(int cell)>;

    RunSchedule(int cellCount, int passes);

    // The moment the run starts; then once per tick.
    Step begin(const PendingFn& pending);
    Step tick(const PendingFn& pending);

    int pass() const { return m_pass; }
    bool finished() const { return m_phase == Phase::Finished; }

    // Ticks of a run in which `sent` queries go out over `passes` passes.
    static long long ticksFor(long long sent, int passes) { return sent + PauseTicks * passes + DrainTicks; }

private:
    enum class Phase { Sending, Pausing, Draining, Finished };
    Step advance(const PendingFn& pending);

    int m_cellCount;
    int m_passes;
    int m_pass = 0; // 0-based
    int m_cursor = 0;
    int m_wait = 0;
    Phase m_phase = Phase::Sending;
};

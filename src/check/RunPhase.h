#pragma once

// Where the results window stands with its run. A refused or cancelled run leaves the window closed, so Idle.
enum class RunPhase {
    Idle,          // no run yet, or the window was closed
    Checking,      // the DNS run: setting up, resolving, sending, pausing, draining
    NetworkFailed, // the socket could not be prepared; the window keeps its running look until it is closed
    Confirming,    // the WHOIS or RDAP confirmation of the free cells
    Done,          // the grid is final and the button reads Close
};

namespace RunPhases {
// A new Check must wait for this window: its run or its confirmation is still going on.
constexpr bool busy(RunPhase phase)
{
    return phase == RunPhase::Checking || phase == RunPhase::Confirming;
}
// The cell popup belongs to the user only when the program itself no longer moves the current cell.
constexpr bool popupAllowed(RunPhase phase, bool checkRunning)
{
    return !checkRunning && !busy(phase);
}
} // namespace RunPhases

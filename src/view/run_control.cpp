// Pause and step: the worker's parking follows the pause flag.
#include "view/run_control.h"

#include <optional>

namespace {

// Held while paused: the worker waits at a cell boundary.
std::optional<WorkerPause> g_parked;

}  // namespace

FrameRun take_frame_run() {
    if (!paused) {
        g_parked.reset();
        step_wanted = 0;
        return FrameRun::Run;
    }
    if (!g_parked) g_parked.emplace();
    if (!step_wanted) return FrameRun::Hold;
    step_wanted = 0;
    return FrameRun::Step;
}

void end_pause() {
    paused = step_wanted = 0;
    g_parked.reset();
}

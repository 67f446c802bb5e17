// Pause and step: what each frame of the window does with the simulation.
// While paused (F2) the frame pass does not run and the signal worker is
// parked, so nothing simulated moves; the requests (save, reload, divide) are
// still served and the view still moves and redraws. F3 then runs one step as
// the headless program runs a frame: one full signal pass, one frame pass.
// Pausing changes the timing of the simulation, never its values.
#pragma once

#include "view/cell_drawing.h"

// What this frame does with the simulation.
enum class FrameRun {
    Run,   // the frame pass, beside the live signal worker
    Hold,  // paused: the requests only
    Step,  // paused, F3: one signal pass and one frame pass
};

// This frame's run, from the flags paused and step_wanted (which it clears).
// Parks the signal worker when a pause begins and lets it go when it ends.
FrameRun take_frame_run();
// Ends a pause and lets the worker go (before the worker is stopped at exit).
void end_pause();

// One frame of the window's drawing on `sink`: the frame pass as it runs, or,
// while paused, the requests and every cell drawn as it stands.
template <class Sink>
void draw_view_frame_with(Sink& sink) {
    switch (take_frame_run()) {
        case FrameRun::Run: draw_frame_pass_with(sink); break;
        case FrameRun::Hold:
            serve_requests();
            draw_cells(sink);
            break;
        case FrameRun::Step:
            settle_signal(1);  // the worker is parked: the field is ours
            draw_frame_pass_with(sink);
            break;
    }
}

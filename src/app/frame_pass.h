// The frame pass: one simulation step for every cell, once per frame, after
// the one-shot requests. The window program draws each cell as the pass leaves
// it; the headless program runs the same pass with nothing to draw.
#pragma once

#include "sim/simulation.h"
#include "sim/step.h"

#pragma GCC visibility push(hidden)  // as in world.h

// One-shot requests: the controls set them, serve_requests() clears them once
// served in the same frame. Main thread only.
extern BOOLEAN k_p;      // save the cell list (P)
extern BOOLEAN kSpace;   // reload genome and cell list (Space)
extern BOOLEAN kReturn;  // divide every cell once (Return)

// Serves the requests in this order: save the colony (k_p), divide every cell
// once (kReturn), reload the genome and then the colony (kSpace).
void serve_requests();

// What the last save (P) and colony reload (Space) did, for the status lines.
// Main thread only.
struct RequestStatus {
    char save[192];      // the last save's result, empty before the first
    char reload[192];    // the last colony reload's result, empty before the first
    long loaded_at = 0;  // frame_number at the last reload
};
extern RequestStatus request_status;

// Frames simulated since start, as both programs count them: every frame pass
// adds one, a paused frame none; a loaded checkpoint sets it. Main thread only.
extern long frame_number;

// A whole frame without drawing: the requests, then every cell's step.
void frame_pass();

// Puts the simulation and the requests back to what a fresh process starts
// with. For runs and tests in a long-lived process.
void reset_to_program_start();

#pragma GCC visibility pop

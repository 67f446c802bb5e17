// The genome designer's requests in the window program, raised by their
// actions. Following dna.vdna (F8): while on, every change to the file reloads
// the genome alone, as Space does, and the colony, the field, the frame and the
// random sequence carry on; a file that cannot be read keeps the genome in
// force. Stepping back (F7), while paused, brings back the state the last step
// started from, then the one before, and so on. Both are served once a frame,
// after the checkpoint requests, before the frame.
#pragma once

#include "sim/sizes.h"

extern BOOLEAN step_back_wanted;  // F7: step back; cleared once served
extern BOOLEAN genome_following;  // F8: following dna.vdna; off at start

// Serves F8 (starting or stopping the watch, reloading on a change), then F7,
// then keeps the state that this frame's F3 step starts from; a run resumed
// with F2 forgets the kept states. `frame` is the number of frames shown so
// far: a step back sets it to the state's. Stamps this frame's births and
// type changes with frame + 1, the number the overlay shows for it.
void serve_designer_requests(long& frame);
// The last genome load or refusal with its findings, and whether F8 follows
// the file, for the overlay; empty before any load while F8 is off.
const char* genome_status();
// What the last F7 (or a step that could not be kept) did, for the overlay.
const char* step_status();
// Notes the genome load just made (`how` names its control, as "Apply") for
// the status line.
void note_genome_load(const char* how, long frame);
// Forgets the changes to dna.vdna seen so far: the program's own save is no
// reason for F8 to reload.
void forget_genome_changes();
// Stops following (at exit, or between tests).
void stop_following();

// The checkpoint requests of the window program: writing kelvaro.ckpt in the
// working folder (F5) and loading it back (F9): colony, field, genome,
// generator, frame number, switches, view switches and camera. Both are
// one-shot requests that an action raises, served right after the key poll,
// before the frame pass serves its own requests.
#pragma once

#include "sim/sizes.h"

extern BOOLEAN checkpoint_save_wanted;  // F5: write the checkpoint; cleared once served
extern BOOLEAN checkpoint_load_wanted;  // F9: load it; cleared once served

// Serves F5, then F9. `frame` is the number of frames shown so far: it goes
// into the checkpoint, and a load sets it to the checkpoint's. A refused load
// changes nothing. Main thread; the worker is parked while the state is read
// or replaced.
void serve_checkpoint_requests(long& frame);

// What the last F5 or F9 did, one line for the overlay; empty before either.
const char* checkpoint_status();

// The signal worker: one background thread that keeps the signal field
// current, and the parking by which the main thread gets the world to itself.
//
// Parking contract: the worker checks for a park request at every cell
// boundary and then waits under a mutex; WorkerPause returns only once it
// waits. Everything the main thread does while a WorkerPause lives is ordered
// before the worker's next read by that mutex, so bulk edits need no atomics.
#pragma once

#include <cstdint>

#include "sim/worker_state.h"

// The worker's body: passes of update_cell_signal over the colony in table
// order, in place, until signal_worker_stop(); after a pass that changed no
// level it rests until the main thread edits the world (sim/worker_state.h).
void signal_worker_loop();
// Starts the worker thread; nothing when it runs already.
void signal_worker_start();
// Stops the worker and waits for its thread to end.
void signal_worker_stop();
// A worker thread exists.
bool signal_worker_running();
// Completed passes over a non-empty colony since start (for rates shown to the
// user); a resting worker adds none.
std::uint64_t signal_worker_passes();

// Parks the worker at a cell boundary for the lifetime of the object, so that
// the main thread may edit the genome, the table and the grids in bulk. Nests.
class WorkerPause {
   public:
    // Waits until the worker is parked (at once when there is none).
    WorkerPause();
    // Lets the worker go on, unless an outer pause still holds it.
    ~WorkerPause();
    WorkerPause(const WorkerPause&) = delete;
    WorkerPause& operator=(const WorkerPause&) = delete;
};

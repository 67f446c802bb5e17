// The signal worker's state as the rest of the core sees it: whether the
// worker may touch the world now, and the count of the main thread's edits by
// which a worker that found the field settled knows when to go on.
//
// Rest contract: the worker rests only after a full pass that changed no level
// and began after the last edit it was told of; the field is then at its fixed
// point, where a further pass would read and write the same levels. Every edit
// of what the worker reads (a cell placed, moved or retyped, the table's count,
// the genome, anything done while it is parked) calls note_world_edit(), which
// wakes it. The count and the flag are seq_cst on both sides, so an edit made
// while the worker goes to rest is always seen by one side or the other.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#pragma GCC visibility push(hidden)  // as in world.h

// The park and rest handshakes. The worker checks park_wanted (one relaxed
// load) at every cell boundary; the rest is done under worker_mutex.
struct WorkerState {
    std::mutex mutex;                      // guards parked and the waits
    std::condition_variable cv;            // parking, resuming, resting, waking
    std::atomic<bool> park_wanted{false};  // main thread asks the worker to park
    std::atomic<bool> stop_wanted{false};  // main thread asks the worker to end
    bool parked = false;                   // the worker waits in its park (mutex)
    bool exists = false;                   // a worker thread runs (main thread only)
    std::atomic<bool> resting{false};      // the worker waits for an edit
    std::atomic<std::uint32_t> edits{0};   // main-thread edits so far
    std::atomic<std::uint64_t> passes{0};  // full passes done (rates shown to the user)
};
// The one worker's state.
extern WorkerState worker_state;

// Wakes the worker from its rest (an edit, a park or a stop is coming).
void wake_resting_worker();
// Counts one edit of what the worker reads, and wakes it when it rests.
inline void note_world_edit() {
    worker_state.edits.fetch_add(1);
    if (worker_state.resting.load()) wake_resting_worker();
}
// True while no other thread can touch the world: the worker is parked, stopped
// or was never started. Bulk edits assert it.
bool signal_worker_quiet();

#pragma GCC visibility pop

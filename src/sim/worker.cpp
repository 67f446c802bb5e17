// The signal worker: one background thread that keeps the signal field current.
#include "sim/worker.h"
#include "sim/signal.h"
#include "sim/worker_state.h"

#include <pthread.h>

#include <chrono>

namespace {

pthread_t worker_thread;
WorkerState& g = worker_state;
int park_depth = 0;  // main thread only
// How long a resting worker sleeps between looks at the edit count: a wake it
// could miss costs at most this.
constexpr auto kRestSlice = std::chrono::milliseconds(4);

// Returns false when the worker is to stop.
bool park_here() {
    std::unique_lock lock(g.mutex);
    g.parked = true;
    g.cv.notify_all();
    g.cv.wait(lock, [] { return !g.park_wanted.load() || g.stop_wanted.load(); });
    g.parked = false;
    return !g.stop_wanted.load();
}

// Waits while nothing was edited since `seen` and no park or stop is asked for.
void rest_until_edit(std::uint32_t seen) {
    std::unique_lock lock(g.mutex);
    g.resting = true;
    while (g.resting.load() && g.edits.load() == seen && !g.park_wanted.load() &&
           !g.stop_wanted.load())
        g.cv.wait_for(lock, kRestSlice);
    g.resting = false;
}

void* worker_entry(void*) {
    signal_worker_loop();
    return nullptr;
}

}  // namespace

void signal_worker_loop() {
    for (;;) {
        // One pass: every cell in table order, updated in place. A park request
        // stops the sweep at a cell boundary; the pass then goes on from there.
        const std::uint32_t seen = g.edits.load();
        bool changed = false;
        int next_cell = 0;
        for (;;) {
            next_cell = signal_sweep(next_cell, g.park_wanted, changed);
            if (!g.park_wanted.load(std::memory_order_relaxed)) break;
            if (!park_here()) return;
        }
        if (next_cell > 0) g.passes.fetch_add(1, std::memory_order_relaxed);
        // A pass that changed nothing over a world nobody edited meanwhile
        // found the fixed point: sweeping again would change nothing either.
        if (!changed) rest_until_edit(seen);
    }
}

void signal_worker_start() {
    if (g.exists) return;
    g.stop_wanted = false;
    g.exists = pthread_create(&worker_thread, nullptr, worker_entry, nullptr) == 0;
}

void signal_worker_stop() {
    if (!g.exists) return;
    {
        std::lock_guard lock(g.mutex);
        g.stop_wanted = true;
        g.park_wanted = true;
    }
    g.cv.notify_all();
    pthread_join(worker_thread, nullptr);
    g.exists = false;
    std::lock_guard lock(g.mutex);
    g.park_wanted = park_depth > 0;
    g.parked = false;
}

bool signal_worker_running() {
    return g.exists;
}

std::uint64_t signal_worker_passes() {
    return g.passes.load(std::memory_order_relaxed);
}

WorkerPause::WorkerPause() {
    if (park_depth++ > 0) return;
    std::unique_lock lock(g.mutex);
    g.park_wanted = true;
    if (!g.exists) return;
    g.cv.notify_all();  // a resting worker comes to its park
    g.cv.wait(lock, [] { return g.parked; });
}

WorkerPause::~WorkerPause() {
    if (--park_depth > 0) return;
    {
        std::lock_guard lock(g.mutex);
        g.park_wanted = false;
    }
    // Whatever was done while the worker was parked is new to it.
    note_world_edit();
    g.cv.notify_all();
}

// The signal worker: one background thread that keeps the signal field current.
#include "sim/worker.h"
#include "sim/signal.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

pthread_t worker_thread;
bool worker_exists = false;  // main thread only

// The park handshake. The worker checks `park_wanted` (one relaxed load) at
// every cell boundary; the rest is done under the mutex, so a park that follows
// a resume at once can never find a stale "parked" state.
std::mutex g_mutex;
std::condition_variable g_cv;
std::atomic<bool> park_wanted{false};
std::atomic<bool> stop_wanted{false};
bool worker_parked = false;  // guarded by g_mutex
int park_depth = 0;          // main thread only
std::atomic<std::uint64_t> passes{0};

// Returns false when the worker is to stop.
bool park_here() {
    std::unique_lock lock(g_mutex);
    worker_parked = true;
    g_cv.notify_all();
    g_cv.wait(lock, [] { return !park_wanted.load() || stop_wanted.load(); });
    worker_parked = false;
    return !stop_wanted.load();
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
        int next_cell = 0;
        for (;;) {
            next_cell = signal_sweep(next_cell, park_wanted);
            if (!park_wanted.load(std::memory_order_relaxed)) break;
            if (!park_here()) return;
        }
        passes.fetch_add(1, std::memory_order_relaxed);
        if (next_cell == 0) sched_yield();  // an empty colony: nothing to do, be polite
    }
}

void signal_worker_start() {
    if (worker_exists) return;
    stop_wanted = false;
    worker_exists = pthread_create(&worker_thread, nullptr, worker_entry, nullptr) == 0;
}

void signal_worker_stop() {
    if (!worker_exists) return;
    {
        std::lock_guard lock(g_mutex);
        stop_wanted = true;
        park_wanted = true;
    }
    g_cv.notify_all();
    pthread_join(worker_thread, nullptr);
    worker_exists = false;
    std::lock_guard lock(g_mutex);
    park_wanted = park_depth > 0;
    worker_parked = false;
}

bool signal_worker_running() {
    return worker_exists;
}

std::uint64_t signal_worker_passes() {
    return passes.load(std::memory_order_relaxed);
}

bool signal_worker_quiet() {
    if (!worker_exists) return true;
    std::lock_guard lock(g_mutex);
    return worker_parked && park_wanted.load();
}

WorkerPause::WorkerPause() {
    if (park_depth++ > 0) return;
    std::unique_lock lock(g_mutex);
    park_wanted = true;
    if (!worker_exists) return;
    g_cv.wait(lock, [] { return worker_parked; });
}

WorkerPause::~WorkerPause() {
    if (--park_depth > 0) return;
    {
        std::lock_guard lock(g_mutex);
        park_wanted = false;
    }
    g_cv.notify_all();
}

// The signal worker: one background thread that keeps the signal field current.
#include "main.h"

#include "sim/Cell.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

pthread_t thread_signal;
int stat_s = -1;  // pthread_create's result; 0 while a worker exists

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
    signal_add();
    return nullptr;
}

}  // namespace

void signal_add() {
    for (;;) {
        // One pass: every cell in table order, updated in place. A park request
        // stops the sweep at a cell boundary; the pass then goes on from there.
        int i3 = 0;
        for (;;) {
            i3 = signal_sweep(i3, park_wanted);
            if (!park_wanted.load(std::memory_order_relaxed)) break;
            if (!park_here()) return;
        }
        passes.fetch_add(1, std::memory_order_relaxed);
        if (i3 == 0) sched_yield();  // an empty colony: nothing to do, be polite
    }
}

void signal_worker_start() {
    if (stat_s == 0) return;
    stop_wanted = false;
    stat_s = pthread_create(&thread_signal, nullptr, worker_entry, nullptr);
}

void signal_worker_stop() {
    if (stat_s != 0) return;
    {
        std::lock_guard lock(g_mutex);
        stop_wanted = true;
        park_wanted = true;
    }
    g_cv.notify_all();
    pthread_join(thread_signal, nullptr);
    stat_s = -1;
    std::lock_guard lock(g_mutex);
    park_wanted = park_depth > 0;
    worker_parked = false;
}

bool signal_worker_running() {
    return stat_s == 0;
}

std::uint64_t signal_worker_passes() {
    return passes.load(std::memory_order_relaxed);
}

bool signal_worker_quiet() {
    if (stat_s != 0) return true;
    std::lock_guard lock(g_mutex);
    return worker_parked && park_wanted.load();
}

WorkerPause::WorkerPause() {
    if (park_depth++ > 0) return;
    std::unique_lock lock(g_mutex);
    park_wanted = true;
    if (stat_s != 0) return;
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

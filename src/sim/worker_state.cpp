// The signal worker's shared state.
#include "sim/worker_state.h"

WorkerState worker_state;

void wake_resting_worker() {
    {
        std::lock_guard lock(worker_state.mutex);
        worker_state.resting = false;
    }
    worker_state.cv.notify_all();
}

bool signal_worker_quiet() {
    if (!worker_state.exists) return true;
    std::lock_guard lock(worker_state.mutex);
    return worker_state.parked && worker_state.park_wanted.load();
}

// The handlers of StopSignals. The request is a lock-free atomic, since the
// signal may land on any thread.
#include "stop_signals.h"

#include "app/files.h"
#include "batch.h"

#include <unistd.h>

#include <atomic>

namespace {

std::atomic<int> g_stop_signal = 0;
std::atomic<bool> g_second_ends = true;  // kProgram: a second signal ends the process
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "safe in a signal handler");

extern "C" void on_stop_signal(int signo) {
    if (g_stop_signal != 0) {
        if (!g_second_ends) return;
        remove_unfinished_files();
        _exit(kExitSignalBase + signo);
    }
    g_stop_signal = signo;
}

// Installs the handler for `signo`, keeping the old one; a caller's ignored
// signal stays ignored.
bool take(int signo, StopMode mode, struct sigaction& old) {
    sigaction(signo, nullptr, &old);
    if (mode == StopMode::kCaller && old.sa_handler == SIG_IGN) return false;
    struct sigaction sa = {};
    sa.sa_handler = on_stop_signal;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(signo, &sa, nullptr);
    return true;
}

}  // namespace

StopSignals::StopSignals(StopMode mode) {
    g_stop_signal = 0;
    g_second_ends = mode == StopMode::kProgram;
    if (mode == StopMode::kProgram) took_term_ = take(SIGTERM, mode, old_term_);
    took_int_ = take(SIGINT, mode, old_int_);
}

StopSignals::~StopSignals() {
    restore();
}

void StopSignals::restore() {
    if (took_term_) sigaction(SIGTERM, &old_term_, nullptr);
    if (took_int_) sigaction(SIGINT, &old_int_, nullptr);
    took_term_ = took_int_ = false;
}

int StopSignals::signal() const {
    return g_stop_signal;
}

int StopSignals::pass_on() {
    restore();
    const int signo = g_stop_signal.exchange(0);
    if (signo != 0) raise(signo);
    return signo;
}

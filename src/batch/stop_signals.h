// Stopping a run on a signal: SIGTERM (a cluster's time limit) or SIGINT
// (Ctrl+C) lets the frame under way finish, so that the colony is whole when
// the run returns.
#pragma once

#include <csignal>

// Which signals a StopSignals takes, and what a second one does.
enum class StopMode {
    // kelvaro-batch: SIGTERM and SIGINT; a second signal ends the process at
    // once, removing the temporary files of writes under way.
    kProgram,
    // A library caller (the Python module): SIGINT alone, and not when it is
    // ignored; a second one changes nothing, and the caller hands the signal
    // on to the handler it displaced with pass_on().
    kCaller,
};

// Takes the signals of its mode for its lifetime, and puts the previous
// handlers back when it ends.
class StopSignals {
   public:
    explicit StopSignals(StopMode mode = StopMode::kProgram);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that asked the run to stop, 0 while none has.
    int signal() const;
    // Puts the previous handlers back now and raises the signal that stopped
    // the run, if one did, for them to act on. Returns that signal (or 0).
    int pass_on();

   private:
    void restore();
    bool took_int_ = false, took_term_ = false;  // whose handler is ours now
    struct sigaction old_term_ = {}, old_int_ = {};
};

// The batch run loop's messages in Python: its lines become warnings, its
// failure an exception with the same one-line message, so that a call that
// succeeds prints nothing to the terminal.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "run_log.h"

namespace kelvaro {

// A RunLog whose lines are kept in memory for one call of the run loop.
class CapturedLog {
   public:
    CapturedLog();
    ~CapturedLog();
    CapturedLog(const CapturedLog&) = delete;
    CapturedLog& operator=(const CapturedLog&) = delete;

    // What the run loop writes to.
    RunLog& log() { return log_; }
    // The lines written so far, without the program's prefix.
    std::vector<std::string> lines();
    // Every line as a warning (UserWarning); after a call that succeeded.
    void warn();
    // The last line as the exception of `status` (after warning with the
    // rest): OSError with the errno when the system refused, OSError for an
    // output that cannot be written, ValueError for anything else.
    [[noreturn]] void raise(int status);

   private:
    char* text_ = nullptr;
    std::size_t size_ = 0;
    RunLog log_;
};

// Each line as a UserWarning at the caller's line.
void warn_lines(const std::vector<std::string>& lines);

}  // namespace kelvaro

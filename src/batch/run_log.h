// The messages of a run: one line each, "kelvaro-batch: ...", warnings as they
// arise and a failure last. kelvaro-batch prints them on standard error; the
// Python module reads them back, to warn with the first and raise the last.
#pragma once

#include <cstdio>

// Where a run's lines go, and what the last failure was.
struct RunLog {
    std::FILE* err;         // the lines
    int failure_errno = 0;  // the system's reason for the last failure; 0: the input was at fault
};

// Prints one prefixed line, keeps `os_errno` (0 when the failure is not the
// system's) and returns `status`, so that every failure is one statement.
[[gnu::format(printf, 4, 5)]] int log_failure(RunLog& log, int status, int os_errno,
                                              const char* fmt, ...);

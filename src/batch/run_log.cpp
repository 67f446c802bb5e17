// The one way a run's messages are printed.
#include "run_log.h"

#include <cstdarg>

#include "batch.h"

int log_failure(RunLog& log, int status, int os_errno, const char* fmt, ...) {
    std::fprintf(log.err, "%s: ", kProgramName);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(log.err, fmt, args);
    va_end(args);
    std::fputc('\n', log.err);
    log.failure_errno = os_errno;
    return status;
}

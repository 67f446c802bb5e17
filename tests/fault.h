// Fault injection for the tests: work that must meet file modes (we may run as
// root, who ignores them) or a full disk runs in a forked child.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

namespace kt {

// The child could not take on its limits; the test cannot be made here.
inline constexpr int kNoFaultHere = 77;

struct Fault {
    // Drop to the unprivileged user 65534 when root, so that file modes bite.
    bool unprivileged = false;
    // RLIMIT_FSIZE in bytes, when 0 or more: a write past it fails as on a full
    // disk (SIGXFSZ is ignored, so the writer sees the error).
    long long file_size = -1;
};

// Runs fn() (returning an exit code) in a forked child under `fault`; returns
// its exit code, or -1 when it died of a signal.
template <class Fn>
int in_child(const Fault& fault, Fn&& fn) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (fault.file_size >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(fault.file_size), rlim_t(fault.file_size)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(kNoFaultHere);
        }
        if (fault.unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(kNoFaultHere);
        std::fflush(nullptr);
        _exit(fn());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The same for fn() returning a text (a few lines: far below a pipe's
// capacity), which comes back through a pipe after the child's exit code.
template <class Fn>
std::pair<int, std::string> text_in_child(const Fault& fault, Fn&& fn) {
    int fds[2];
    if (pipe(fds) != 0) return {-1, "pipe failed"};
    const int code = in_child(fault, [&] {
        const auto [status, text] = fn();
        return write(fds[1], text.data(), text.size()) == ssize_t(text.size()) ? status : 99;
    });
    close(fds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) text.append(buf, std::size_t(n));
    close(fds[0]);
    return {code, text};
}

// Sets the mode of a file or folder (0555: a folder nobody but root may write).
inline void set_mode(const char* path, mode_t mode) {
    chmod(path, mode);
}

}  // namespace kt

// The ffmpeg process and its pipe, with posix_spawn: no shell, so a file name
// is passed as it is.
#include "view/movie_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

bool ffmpeg_on_path() {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    char candidate[4096];
    for (const char* p = path; *p;) {
        const char* end = std::strchr(p, ':');
        const std::size_t len = end ? std::size_t(end - p) : std::strlen(p);
        // An empty entry means the working folder.
        const int n = len == 0
                          ? std::snprintf(candidate, sizeof candidate, "./ffmpeg")
                          : std::snprintf(candidate, sizeof candidate, "%.*s/ffmpeg", int(len), p);
        if (n > 0 && std::size_t(n) < sizeof candidate && access(candidate, X_OK) == 0) return true;
        if (!end) break;
        p = end + 1;
    }
    return false;
}

MoviePipe::~MoviePipe() {
    close();
}

bool MoviePipe::open(const char* path, int width, int height, int fps) {
    if (is_open() || width <= 0 || height <= 0 || fps <= 0) return false;
    signal(SIGPIPE, SIG_IGN);  // a write to a gone ffmpeg returns EPIPE instead
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    char size[32], rate[16];
    std::snprintf(size, sizeof size, "%dx%d", width, height);
    std::snprintf(rate, sizeof rate, "%d", fps);
    // Rows come bottom-up: flipped; yuv420p needs even sizes: padded.
    const char* argv[] = {"ffmpeg",
                          "-hide_banner",
                          "-loglevel",
                          "error",
                          "-y",
                          "-f",
                          "rawvideo",
                          "-pix_fmt",
                          "rgb24",
                          "-s",
                          size,
                          "-r",
                          rate,
                          "-i",
                          "-",
                          "-vf",
                          "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2",
                          "-c:v",
                          "libx264",
                          "-preset",
                          "veryfast",
                          "-pix_fmt",
                          "yuv420p",
                          "-movflags",
                          "+faststart",
                          path,
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    const int rc =
        posix_spawnp(&pid_, "ffmpeg", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[0]);
    if (rc != 0) {
        ::close(fds[1]);
        pid_ = -1;
        return false;
    }
    fd_ = fds[1];
    frame_bytes_ = std::size_t(width) * height * 3;
    return true;
}

bool MoviePipe::write(const std::uint8_t* rgb_bottom_up) {
    if (!is_open()) return false;
    std::size_t done = 0;
    while (done < frame_bytes_) {
        const ssize_t n = ::write(fd_, rgb_bottom_up + done, frame_bytes_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

bool MoviePipe::close() {
    if (!is_open()) return false;
    ::close(fd_);
    fd_ = -1;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Following a file through inotify on its folder.
#include "app/file_watch.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

bool FileWatch::start(const char* folder, const char* name) {
    stop();
    if (std::strlen(name) >= sizeof name_) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(name_, name);
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    // Written in place (closed after writing), renamed into place, or gone.
    constexpr std::uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
    if (inotify_add_watch(fd_, folder, kMask) < 0) {
        const int saved = errno;
        stop();
        errno = saved;
        return false;
    }
    return true;
}

bool FileWatch::follow(const char* path) {
    char resolved[PATH_MAX];
    const char* p = realpath(path, resolved) ? resolved : path;  // a missing file: as named
    const char* slash = std::strrchr(p, '/');
    if (!slash) return start(".", p);
    const std::string folder(p, slash == p ? 1 : std::size_t(slash - p));
    return start(folder.c_str(), slash + 1);
}

void FileWatch::stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileChange FileWatch::take() {
    if (fd_ < 0) return FileChange::None;
    alignas(inotify_event) char buf[16384];
    bool written = false, gone = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;  // EAGAIN: the queue is empty
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->len == 0 || std::strcmp(e->name, name_) != 0) continue;
            if (e->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))
                written = true;
            else
                gone = true;
        }
    }
    return written ? FileChange::Written : gone ? FileChange::Gone : FileChange::None;
}

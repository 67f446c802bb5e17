// Plain POSIX file access through fixed buffers: loads and saves run in the
// middle of a simulation, which allocates nothing.
#include "app/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The process's umask, read once before main() while no other thread runs:
// umask can only be read by setting it, which must never race another create.
mode_t read_umask() {
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}
const mode_t g_umask = read_umask();

// The temporary names of the writers that have not committed, for
// remove_unfinished_files(). A few writers live at once; beyond the slots a
// writer goes unlisted, which only means its file may outlive a hard stop.
constexpr int kLiveSlots = 16;
std::atomic<const char*> g_live[kLiveSlots];

void remember(const char* temp) {
    for (auto& slot : g_live) {
        const char* expected = nullptr;
        if (slot.compare_exchange_strong(expected, temp)) return;
    }
}

}  // namespace

void remove_unfinished_files() {
    for (auto& slot : g_live)
        if (const char* temp = slot.load()) ::unlink(temp);
}

void AtomicFileWriter::forget() {
    for (auto& slot : g_live) {
        const char* expected = temp_;
        if (slot.compare_exchange_strong(expected, nullptr)) return;
    }
}

FileReader::FileReader(const char* path) {
    fd_ = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (fd_ >= 0 && (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
}

FileReader::~FileReader() {
    if (fd_ >= 0) ::close(fd_);
}

int FileReader::refill() {
    if (fd_ < 0) return -1;
    for (;;) {
        const ssize_t n = ::read(fd_, buf_, sizeof buf_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed_ |= n < 0;
            pos_ = len_ = 0;
            return -1;
        }
        len_ = static_cast<std::size_t>(n);
        pos_ = 1;
        return buf_[0];
    }
}

bool FileReader::read_line(char* line, int size) {
    int n = 0;
    while (n < size - 1) {
        const int c = get();
        if (c < 0) break;
        line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    line[n] = '\0';
    return n > 0;
}

std::size_t FileReader::read(void* data, std::size_t n) {
    auto* out = static_cast<unsigned char*>(data);
    std::size_t done = 0;
    while (done < n) {
        if (pos_ == len_) {
            if (refill() < 0) break;
            --pos_;  // refill hands out the first byte; take it with the rest
        }
        const std::size_t take = std::min(n - done, len_ - pos_);
        std::memcpy(out + done, buf_ + pos_, take);
        pos_ += take;
        done += take;
    }
    return done;
}

AtomicFileWriter::AtomicFileWriter(const char* path) {
    const std::size_t len = std::strlen(path);
    if (len + 1 > sizeof path_) {
        failed_ = true;
        return;
    }
    std::memcpy(path_, path, len + 1);
    std::memcpy(temp_, path, len);
    std::memcpy(temp_ + len, ".XXXXXX", 8);
    // Listed before it exists: a stop signal is delivered as the creating call
    // returns, and by then mkstemp has written the final name into temp_.
    remember(temp_);
    fd_ = mkstemp(temp_);
    if (fd_ < 0) {
        forget();
        return;
    }
    // mkstemp makes the file private; give it the mode a plain create would.
    fchmod(fd_, 0666 & ~g_umask);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temp_);
        forget();
    }
}

void AtomicFileWriter::flush() {
    std::size_t done = 0;
    while (fd_ >= 0 && !failed_ && done < used_) {
        const ssize_t n = ::write(fd_, buf_ + done, used_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            failed_ = true;  // no space, too large, I/O error
        else
            done += static_cast<std::size_t>(n);
    }
    used_ = 0;
}

void AtomicFileWriter::write(const void* bytes, std::size_t n) {
    const char* data = static_cast<const char*>(bytes);
    while (n > 0) {
        if (used_ == sizeof buf_) flush();
        const std::size_t take = std::min(n, sizeof buf_ - used_);
        std::memcpy(buf_ + used_, data, take);
        used_ += take;
        data += take;
        n -= take;
    }
}

void AtomicFileWriter::put(const char* text) {
    write(text, std::strlen(text));
}

void AtomicFileWriter::put_int(long long v) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v);
    write(digits, static_cast<std::size_t>(r.ptr - digits));
}

bool AtomicFileWriter::commit() {
    if (fd_ < 0) return false;
    flush();
    bool good = !failed_ && fsync(fd_) == 0;
    good = (::close(fd_) == 0) && good;
    fd_ = -1;
    // A stop between the rename and forget() only unlinks a name that is gone.
    if (good && std::rename(temp_, path_) == 0) {
        forget();
        return true;
    }
    ::unlink(temp_);
    forget();
    return false;
}

bool file_has_nul(const char* path) {
    FileReader in(path);
    for (int n = 0; n < kBinaryProbe; ++n) {
        const int c = in.get();
        if (c < 0) return false;
        if (c == 0) return true;
    }
    return false;
}

// Plain POSIX file access through fixed buffers: loads and saves run in the
// middle of a simulation, which allocates nothing.
#pragma once

#include <cstddef>

// Reads a regular file through a fixed buffer. Anything else (a directory, a
// pipe, a device) reads as unopened, so no load can block or run forever.
class FileReader {
   public:
    // Opens `path` when it names a regular file.
    explicit FileReader(const char* path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The file is open and regular.
    bool opened() const { return fd_ >= 0; }
    // A read failed (an I/O error): what was read is not the whole file.
    bool failed() const { return failed_; }
    // The next byte, or -1 at the end or on a read error.
    int get() { return pos_ < len_ ? buf_[pos_++] : refill(); }
    // The next byte without taking it, or -1.
    int peek() {
        if (pos_ < len_) return buf_[pos_];
        const int c = refill();
        if (c >= 0) --pos_;
        return c;
    }
    // Like fgets: at most size - 1 bytes, through the first line break; false
    // when nothing is left. The text ends with a NUL.
    bool read_line(char* line, int size);
    // Up to n bytes; returns how many were read (fewer only at the end or on an error).
    std::size_t read(void* data, std::size_t n);

   private:
    int refill();
    int fd_ = -1;
    bool failed_ = false;
    std::size_t pos_ = 0, len_ = 0;
    unsigned char buf_[1 << 16];
};

// How far a probe for binary data reads: the first 64 KiB.
inline constexpr int kBinaryProbe = 1 << 16;
// A NUL byte in the first kBinaryProbe bytes of a regular file: binary data,
// as grep and git judge it (a program, an image, a sparse file). False for a
// file that cannot be read.
bool file_has_nul(const char* path);

// Writes a file under a temporary name in the same folder and renames it over
// the final name only once every byte has reached the disk. Until commit()
// succeeds the previous file under the final name is untouched; a writer that
// is destroyed uncommitted removes its temporary file.
class AtomicFileWriter {
   public:
    // Creates the temporary file beside `path`, with the mode a plain create gives.
    explicit AtomicFileWriter(const char* path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // The temporary file exists and every write so far succeeded.
    bool ok() const { return fd_ >= 0 && !failed_; }
    // Appends n bytes.
    void write(const void* data, std::size_t n);
    // Appends one character.
    void put(char c) {
        if (used_ == sizeof buf_) flush();
        buf_[used_++] = c;
    }
    // Appends a NUL-terminated text.
    void put(const char* text);
    // Appends a number in plain decimal.
    void put_int(long long v);
    // Flushes, syncs and renames over the final name; false when any step failed.
    bool commit();

   private:
    void flush();
    void forget();
    int fd_ = -1;
    bool failed_ = false;
    std::size_t used_ = 0;
    char path_[4096];
    char temp_[4096 + 16];
    char buf_[1 << 16];
};

// Removes the temporary file of every writer not yet committed. Only
// async-signal-safe calls: for a signal handler that ends the process at once,
// so that an interrupted write leaves nothing behind.
void remove_unfinished_files();

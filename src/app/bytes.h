// A byte buffer for binary files and payloads: it grows (never shrinks) and
// keeps its memory for the next use, so that a file written or read again
// allocates nothing unless it outgrows every earlier one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// Bytes with a size and a capacity; a failed growth marks the buffer not ok.
class Bytes {
   public:
    // The first byte.
    std::uint8_t* data() { return p_.get(); }
    // The first byte, read-only.
    const std::uint8_t* data() const { return p_.get(); }
    // Bytes in use.
    std::size_t size() const { return size_; }
    // Bytes held.
    std::size_t capacity() const { return cap_; }
    // Every growth so far succeeded.
    bool ok() const { return ok_; }
    // Empties it, keeping the memory.
    void clear() { size_ = 0, ok_ = true; }
    // Marks it not ok.
    void fail() { ok_ = false; }
    // Makes room for n bytes in all.
    bool reserve(std::size_t n) {
        if (n <= cap_) return true;
        const std::size_t c = std::max({n, cap_ * 2, std::size_t(1) << 20});
        std::unique_ptr<std::uint8_t[]> q(new (std::nothrow) std::uint8_t[c]);
        if (!q) return ok_ = false;
        if (size_) std::memcpy(q.get(), p_.get(), size_);
        p_ = std::move(q);
        cap_ = c;
        return true;
    }
    // Gives back memory beyond max(size, n, 1 MB) bytes when it holds more than
    // a quarter above that (a doubling overshot); false when memory ran out.
    bool trim(std::size_t n) {
        const std::size_t keep = std::max({size_, n, std::size_t(1) << 20});
        if (cap_ <= keep + keep / 4) return true;
        std::unique_ptr<std::uint8_t[]> q(new (std::nothrow) std::uint8_t[keep]);
        if (!q) return false;
        if (size_) std::memcpy(q.get(), p_.get(), size_);
        p_ = std::move(q);
        cap_ = keep;
        return true;
    }
    // Sets the size, growing when needed.
    bool resize(std::size_t n) {
        if (!reserve(n)) return false;
        size_ = n;
        return true;
    }
    // Appends n bytes.
    void append(const void* d, std::size_t n) {
        if (n == 0 || !reserve(size_ + n)) return;
        std::memcpy(p_.get() + size_, d, n);
        size_ += n;
    }
    // Appends a value as it lies in memory.
    template <class T>
    void put(T v) {
        append(&v, sizeof v);
    }

   private:
    std::unique_ptr<std::uint8_t[]> p_;
    std::size_t size_ = 0, cap_ = 0;
    bool ok_ = true;
};

// Uncompressed PNGs: the image data in deflate's stored blocks, so that a
// frame is written at the speed of a copy (and zlib's checksums), into a
// buffer allocated beforehand.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <zlib.h>

#include "view/png_file.h"

namespace {

constexpr std::size_t kBlock = 65535;  // the largest stored block

std::uint32_t crc(const std::uint8_t* p, std::size_t n) {
    return std::uint32_t(crc32(0, p, uInt(n)));
}

std::uint8_t* put32(std::uint8_t* o, std::uint32_t v) {
    o[0] = std::uint8_t(v >> 24), o[1] = std::uint8_t(v >> 16);
    o[2] = std::uint8_t(v >> 8), o[3] = std::uint8_t(v);
    return o + 4;
}

// The zlib stream's payload: a filter byte 0 and the row, top row first.
std::size_t raw_size(int width, int height) {
    return std::size_t(height) * (1 + std::size_t(width) * 3);
}

std::size_t blocks(std::size_t raw) {
    return raw == 0 ? 1 : (raw + kBlock - 1) / kBlock;
}

// Appends bytes to the stored blocks, opening a block every kBlock bytes.
struct StoredWriter {
    std::uint8_t* out;
    std::size_t left_total, left_block = 0;
    uLong adler = adler32(0, nullptr, 0);
    void put(const std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            if (left_block == 0) open_block();
            const std::size_t k = n < left_block ? n : left_block;
            std::memcpy(out, p, k);
            adler = adler32(adler, p, uInt(k));
            out += k, p += k, n -= k, left_block -= k, left_total -= k;
        }
    }
    void open_block() {
        left_block = left_total < kBlock ? left_total : kBlock;
        *out++ = left_total <= kBlock ? 1 : 0;  // BFINAL on the last block, BTYPE 00
        const std::uint16_t len = std::uint16_t(left_block), nlen = std::uint16_t(~len);
        *out++ = std::uint8_t(len), *out++ = std::uint8_t(len >> 8);
        *out++ = std::uint8_t(nlen), *out++ = std::uint8_t(nlen >> 8);
    }
};

bool write_all(const char* path, const std::uint8_t* p, std::size_t n) {
    char tmp[4200];
    if (std::snprintf(tmp, sizeof tmp, "%s.tmp", path) >= int(sizeof tmp)) return false;
    const int fd = ::open(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = true;
    while (ok && n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        ok = w > 0;
        if (ok) p += w, n -= std::size_t(w);
    }
    ok = ::close(fd) == 0 && ok && std::rename(tmp, path) == 0;
    if (!ok) ::unlink(tmp);
    return ok;
}

}  // namespace

std::size_t stored_png_size(int width, int height) {
    const std::size_t raw = raw_size(width, height);
    return 8 + 25 + 12 + 2 + raw + 5 * blocks(raw) + 4 + 12;
}

bool write_stored_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up,
                      std::uint8_t* scratch) {
    if (width <= 0 || height <= 0) return false;
    static const std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::uint8_t* o = scratch;
    std::memcpy(o, kSignature, 8);
    o = put32(o + 8, 13);
    std::memcpy(o, "IHDR", 4);
    o = put32(o + 4, std::uint32_t(width));
    o = put32(o, std::uint32_t(height));
    const std::uint8_t ihdr_tail[5] = {8, 2, 0, 0,
                                       0};  // 8 bits, RGB, deflate, no filter, no interlace
    std::memcpy(o, ihdr_tail, 5);
    o = put32(o + 5, crc(o - 12, 17));  // the type and the 13 bytes of data
    const std::size_t raw = raw_size(width, height);
    std::uint8_t* idat = o;
    o = put32(o, std::uint32_t(2 + raw + 5 * blocks(raw) + 4));
    std::memcpy(o, "IDAT", 4);
    o += 4;
    *o++ = 0x78, *o++ = 0x01;  // zlib: deflate, 32K window, no dictionary
    StoredWriter w{o, raw};
    const std::uint8_t filter = 0;
    const std::size_t row = std::size_t(width) * 3;
    for (int y = height - 1; y >= 0; --y) {
        w.put(&filter, 1);
        w.put(rgb_bottom_up + std::size_t(y) * row, row);
    }
    o = put32(w.out, std::uint32_t(w.adler));
    o = put32(o, crc(idat + 4, std::size_t(o - idat - 4)));
    o = put32(o, 0);
    std::memcpy(o, "IEND", 4);
    o = put32(o + 4, crc(o, 4));
    return write_all(path, scratch, std::size_t(o - scratch));
}

// PNGs through zlib: one IDAT chunk of unfiltered rows.
#include "view/png_file.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/files.h"

struct PngWriter::State {
    int level = Z_DEFAULT_COMPRESSION;
    z_stream z{};
    bool ready = false;
    std::vector<std::uint8_t> rows;  // a filter byte (0) and the row, top row first
    std::vector<std::uint8_t> out;   // the compressed rows
    ~State() {
        if (ready) deflateEnd(&z);
    }
};

namespace {

void put32(std::uint8_t* o, std::uint32_t v) {
    o[0] = std::uint8_t(v >> 24), o[1] = std::uint8_t(v >> 16);
    o[2] = std::uint8_t(v >> 8), o[3] = std::uint8_t(v);
}

// One chunk: length, type, data, and the CRC of type and data.
void chunk(AtomicFileWriter& f, const char* type, const std::uint8_t* data, std::size_t n) {
    std::uint8_t head[8], tail[4];
    put32(head, std::uint32_t(n));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (n > 0) crc = crc32_z(crc, data, n);
    put32(tail, std::uint32_t(crc));
    f.write(head, sizeof head);
    if (n > 0) f.write(data, n);
    f.write(tail, sizeof tail);
}

bool take_buffers(PngWriter::State& s, int width, int height) {
    if (!s.ready) {
        if (deflateInit(&s.z, s.level) != Z_OK) return false;
        s.ready = true;
    }
    s.rows.resize((std::size_t(width) * 3 + 1) * height);
    s.out.resize(deflateBound(&s.z, uLong(s.rows.size())));
    return true;
}

// The rows top-down, each after its filter byte 0, deflated into s.out.
bool deflate_rows(PngWriter::State& s, int width, int height, const std::uint8_t* rgb_bottom_up) {
    if (!take_buffers(s, width, height)) return false;
    const std::size_t row = std::size_t(width) * 3;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* r = &s.rows[(row + 1) * y];
        r[0] = 0;
        std::memcpy(r + 1, rgb_bottom_up + row * (height - 1 - y), row);
    }
    deflateReset(&s.z);
    s.z.next_in = s.rows.data();
    s.z.avail_in = uInt(s.rows.size());
    s.z.next_out = s.out.data();
    s.z.avail_out = uInt(s.out.size());
    return deflate(&s.z, Z_FINISH) == Z_STREAM_END;
}

}  // namespace

PngWriter::PngWriter(PngLevel level) : s_(std::make_unique<State>()) {
    s_->level = int(level);
}
PngWriter::~PngWriter() = default;

bool PngWriter::reserve(int width, int height) {
    return width > 0 && height > 0 && take_buffers(*s_, width, height);
}

bool PngWriter::write(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up) {
    State& s = *s_;
    if (width <= 0 || height <= 0 || !deflate_rows(s, width, height, rgb_bottom_up)) return false;
    AtomicFileWriter f(path);
    if (!f.ok()) return false;
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    f.write(kSignature, sizeof kSignature);
    std::uint8_t ihdr[13] = {};
    put32(ihdr, std::uint32_t(width));
    put32(ihdr + 4, std::uint32_t(height));
    ihdr[8] = 8;  // bits per channel
    ihdr[9] = 2;  // RGB; compression, filter method and interlace stay 0
    chunk(f, "IHDR", ihdr, sizeof ihdr);
    chunk(f, "IDAT", s.out.data(), s.z.total_out);
    chunk(f, "IEND", nullptr, 0);
    return f.commit();
}

void free_file_name(char* out, int size, const char* prefix, long frame, const char* ext) {
    struct stat st;
    for (int k = 1; k <= 99; ++k) {
        if (k == 1)
            std::snprintf(out, size, "%s-%06ld%s", prefix, frame, ext);
        else
            std::snprintf(out, size, "%s-%06ld-%d%s", prefix, frame, k, ext);
        if (lstat(out, &st) != 0) return;
    }
}

// Checkpoints: the whole state that decides a colony's future in one binary
// file, written atomically and read as untrusted input. Layout (README):
// a 56-byte header (magic, version, compression, the table sizes, the payload's
// raw and stored sizes), the payload (sections in a fixed order, zstd when that
// pays), and a CRC-32 of every byte before it.
#include "app/checkpoint.h"
#include "app/bytes.h"
#include "app/files.h"
#include "sim/simulation.h"
#include "sim/touched.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// The tables are copied to and from the file as they lie in memory.
static_assert(std::endian::native == std::endian::little, "the format is little-endian");
static_assert(sizeof(TCells) == 5 * 4 && sizeof(TDNA) == 64 * 4 && sizeof(CellHistory) == 6 * 4);

namespace {

constexpr char kMagic[8] = {'K', 'E', 'L', 'V', 'C', 'K', 'P', 'T'};
constexpr std::size_t kHeaderSize = 56;
constexpr std::size_t kTrailerSize = 4;
constexpr std::uint32_t kStored = 0, kZstd = 1;
constexpr int kZstdLevel = 1;  // the field compresses well even at the fastest level
constexpr std::uint32_t kSizes[6] = {kAxis, kChannels, kTypes, kMaxCells, kMaxGenes, kGeneList};

enum Section {
    kRun,
    kView,
    kGene,
    kType,
    kCell,
    kHist,
    kWorld,
    kClamp,
    kGravity,
    kSignal,
    kSections
};
constexpr char kTags[kSections][5] = {"RUN ", "VIEW", "GENE", "TYPE", "CELL",
                                      "HIST", "WRLD", "CLMP", "GRAV", "SGNL"};
// Version 1 files have no HIST: their cells load with the history unknown.
constexpr std::uint32_t kFirstVersion = 1;
constexpr std::size_t kRunSize = 24, kViewSize = 32;
// A view section with types hidden one by one: 13 bytes of bits and 3 of
// padding after the 32. Written only when a type is hidden, so that a file
// without hidden types reads in programs that know only the 32 bytes.
constexpr std::size_t kViewHiddenSize = 48;
constexpr std::size_t kGeneSize = 8 + sizeof DNA,
                      kTypeSize = sizeof Glueds + sizeof Signal_strength;

// Integers per site of the sparse grids.
constexpr int width_of(Section s) {
    return s == kSignal ? kChannels : 1;
}
constexpr std::size_t sparse_size(Section s, std::size_t count) {
    return 4 + count * (4 + 4 * std::size_t(width_of(s)));
}
// The largest payload the tables can fill; a header that announces more lies.
constexpr std::size_t kMaxRaw = kSections * 8 + kRunSize + kViewHiddenSize + kGeneSize + kTypeSize +
                                4 + sizeof Cells + 4 + sizeof Cells_history +
                                3 * sparse_size(kWorld, kSites) + sparse_size(kSignal, kSites);
static_assert(sparse_size(kSignal, kSites) < 0xffffffffu, "section lengths fit in 32 bits");

// Taken at the first save or load and kept: no checkpoint allocates again
// unless a colony's field outgrows every earlier one.
struct Scratch {
    Bytes raw;     // the payload, uncompressed
    Bytes values;  // a sparse grid's values while its sites are listed
    Bytes file;    // the compressed payload on save, the whole file on load
    ZSTD_CCtx* cctx = nullptr;
    ZSTD_DCtx* dctx = nullptr;
    ~Scratch() {
        ZSTD_freeCCtx(cctx);
        ZSTD_freeDCtx(dctx);
    }
};
Scratch& scratch() {
    static Scratch s;
    return s;
}

template <class T>
T get(const std::uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// ---------------------------------------------------------------------------
// Writing

std::size_t begin_section(Bytes& b, Section s) {
    b.append(kTags[s], 4);
    b.put<std::uint32_t>(0);
    return b.size();
}
void end_section(Bytes& b, std::size_t start) {
    const auto len = std::uint32_t(b.size() - start);
    if (b.ok()) std::memcpy(b.data() + start - 4, &len, 4);
}

bool all_zero(const std::int32_t* p, std::size_t n) {
    std::int32_t any = 0;
    for (std::size_t i = 0; i < n; ++i) any |= p[i];
    return any == 0;
}

// The columns of `box` widened by the one step a write may reach beyond a
// cell's column, as a range of one axis kept on the grid.
struct AxisRange {
    int from, to;  // inclusive; empty when from > to
};
AxisRange scan_range(const ColumnBox& box, int axis) {
    if (box.empty()) return {1, 0};
    return {std::max(box.lo[axis] - 1, 0), std::min(box.hi[axis] + 1, kAxis - 1)};
}

// A grid's non-zero sites: their count, the gaps between their site indices
// (the first counted from -1), then their values. Only the columns of `box`
// can hold any, so no other page of the grid is read; whole columns are tested
// first, since most of the box is empty too.
void put_sparse(Bytes& out, Bytes& values, Section s, const std::int32_t* grid,
                const ColumnBox& box) {
    const std::size_t start = begin_section(out, s);
    const int width = width_of(s);
    const std::size_t column = std::size_t(kAxis) * width;
    values.clear();
    out.put<std::uint32_t>(0);
    std::uint32_t count = 0;
    std::int64_t last = -1;
    const AxisRange xs = scan_range(box, 0), ys = scan_range(box, 1);
    for (int x = xs.from; x <= xs.to; ++x) {
        for (int y = ys.from; y <= ys.to; ++y) {
            const std::size_t col = std::size_t(x) * kAxis + std::size_t(y);
            const std::int32_t* p = grid + col * column;
            if (all_zero(p, column)) continue;
            for (int z = 0; z < kAxis; ++z) {
                if (all_zero(p + z * width, width)) continue;
                const std::int64_t index = std::int64_t(col) * kAxis + z;
                out.put(std::uint32_t(index - last));
                values.append(p + z * width, 4 * std::size_t(width));
                last = index;
                ++count;
            }
        }
    }
    if (out.ok()) std::memcpy(out.data() + start, &count, 4);
    out.append(values.data(), values.size());
    if (!values.ok()) out.fail();
    end_section(out, start);
}

void put_view(Bytes& b, const CheckpointView& v) {
    const std::size_t at = begin_section(b, kView);
    b.put(std::uint8_t(v.type_one_shown));
    b.put(std::uint8_t(v.axes_shown));
    b.put(std::uint16_t(0));
    b.put(v.isolate);
    b.put(v.show_len);
    b.append(v.camera, sizeof v.camera);
    if (std::any_of(std::begin(v.hidden), std::end(v.hidden), [](std::uint8_t h) { return h; })) {
        b.append(v.hidden, sizeof v.hidden);
        b.append("\0\0\0", 3);
    }
    end_section(b, at);
}

// The payload, from the running state; the worker is parked.
void capture(Bytes& b, Bytes& values, std::int64_t frame, const CheckpointView& view) {
    b.clear();
    std::size_t at = begin_section(b, kRun);
    b.put(frame);
    b.put(rng_state());
    b.put(std::uint32_t((k_v ? 1u : 0u) | (k_g ? 2u : 0u)));
    b.put(std::uint32_t(0));
    end_section(b, at);
    if (view.present) put_view(b, view);
    at = begin_section(b, kGene);
    b.put(std::uint32_t(DNA_Count));
    b.put(std::uint32_t(kMaxGenes));
    b.append(DNA, sizeof DNA);  // every slot: a reload keeps what its lines do not name
    end_section(b, at);
    at = begin_section(b, kType);
    b.append(Glueds, sizeof Glueds);
    b.append(Signal_strength, sizeof Signal_strength);
    end_section(b, at);
    at = begin_section(b, kCell);
    const std::int32_t n = Cells_count;
    b.put(std::uint32_t(n));
    b.append(Cells, sizeof(TCells) * std::size_t(n));
    end_section(b, at);
    at = begin_section(b, kHist);
    b.put(std::uint32_t(n));
    b.append(Cells_history, sizeof(CellHistory) * std::size_t(n));
    end_section(b, at);
    put_sparse(b, values, kWorld, &world[0][0][0], touched_columns);
    put_sparse(b, values, kClamp, &world_clamp[0][0][0], touched_columns);
    put_sparse(b, values, kGravity, &world_gravity[0][0][0], touched_gravity_columns);
    put_sparse(b, values, kSignal, &world_signal[0][0][0][0], touched_columns);
}

void put_header(std::uint8_t* h, std::uint32_t method, std::uint64_t raw, std::uint64_t stored) {
    std::memcpy(h, kMagic, 8);
    std::memcpy(h + 8, &kCheckpointVersion, 4);
    std::memcpy(h + 12, &method, 4);
    std::memcpy(h + 16, kSizes, sizeof kSizes);
    std::memcpy(h + 40, &raw, 8);
    std::memcpy(h + 48, &stored, 8);
}

// ---------------------------------------------------------------------------
// Reading: everything is checked before anything is applied.

// Where each section lies in the scratch payload (null: absent).
struct Parsed {
    std::uint32_t version = kCheckpointVersion;  // the file's format version
    const std::uint8_t* at[kSections] = {};
    std::uint32_t len[kSections] = {};
};

[[gnu::format(printf, 2, 3)]] bool refuse(CheckpointLoad& r, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(r.reason, sizeof r.reason, fmt, args);
    va_end(args);
    r.ok = false;
    return false;
}

// Reads the file, but no further than its header announces (one byte more,
// to see that it is longer) and not at all past the first megabyte of a file
// that is not a checkpoint: what is left out is refused by the header check.
bool read_whole_file(const char* path, Bytes& b) {
    FileReader in(path);
    b.clear();
    if (!in.opened()) return false;
    constexpr std::size_t kChunk = std::size_t(1) << 20;
    std::size_t limit = kHeaderSize + ZSTD_COMPRESSBOUND(kMaxRaw) + kTrailerSize + 1;
    for (;;) {
        const std::size_t at = b.size();
        if (at >= limit || !b.resize(at + kChunk)) break;
        const std::size_t got = in.read(b.data() + at, kChunk);
        b.resize(at + got);
        if (got < kChunk) break;
        if (at > 0) continue;
        if (std::memcmp(b.data(), kMagic, sizeof kMagic) != 0) break;
        const auto stored = get<std::uint64_t>(b.data() + 48);
        limit = std::min<std::uint64_t>(
            limit, kHeaderSize + std::min(stored, std::uint64_t(limit)) + kTrailerSize + 1);
    }
    return true;
}

// The header and the checksum; on success the payload is in s.raw.
bool check_frame(const std::uint8_t* d, std::size_t n, Scratch& s, Parsed& p, CheckpointLoad& r) {
    if (n == 0) return refuse(r, "truncated: an empty file");
    if (std::memcmp(d, kMagic, std::min(n, sizeof kMagic)) != 0)
        return refuse(r, "not a checkpoint (wrong magic)");
    if (n < kHeaderSize + kTrailerSize)
        return refuse(r, "truncated: %zu bytes, no whole header", n);
    const auto version = get<std::uint32_t>(d + 8);
    if (version < kFirstVersion || version > kCheckpointVersion)
        return refuse(r, "version %u; this program reads versions %u to %u", version, kFirstVersion,
                      kCheckpointVersion);
    p.version = version;
    const auto raw = get<std::uint64_t>(d + 40), stored = get<std::uint64_t>(d + 48);
    const std::uint64_t expected = kHeaderSize + std::min<std::uint64_t>(stored, ~0ull >> 2);
    if (n - kTrailerSize < expected)
        return refuse(r, "truncated: %zu bytes where the header announces %llu", n,
                      (unsigned long long)(expected + kTrailerSize));
    if (n - kTrailerSize > expected)
        return refuse(r, "%llu bytes beyond the end",
                      (unsigned long long)(n - kTrailerSize - expected));
    const std::uint32_t crc = checkpoint_crc32(d, n - kTrailerSize);
    if (crc != get<std::uint32_t>(d + n - kTrailerSize))
        return refuse(r, "bad checksum (stored %08x, computed %08x)",
                      get<std::uint32_t>(d + n - kTrailerSize), crc);
    for (int k = 0; k < 6; ++k)
        if (get<std::uint32_t>(d + 16 + 4 * k) != kSizes[k])
            return refuse(r, "sizes differ from this program's (size %d: %u, here %u)", k,
                          get<std::uint32_t>(d + 16 + 4 * k), kSizes[k]);
    if (raw > kMaxRaw)
        return refuse(r, "a payload of %llu bytes exceeds the tables", (unsigned long long)raw);
    const auto method = get<std::uint32_t>(d + 12);
    const std::uint8_t* payload = d + kHeaderSize;
    if (method == kStored) {
        if (stored != raw) return refuse(r, "stored and raw sizes disagree");
        s.raw.clear();
        s.raw.append(payload, raw);
        return s.raw.ok() || refuse(r, "no memory for %llu bytes", (unsigned long long)raw);
    }
    if (method != kZstd) return refuse(r, "unknown compression %u", method);
    if (ZSTD_getFrameContentSize(payload, stored) != raw)
        return refuse(r, "the compressed payload does not announce %llu bytes",
                      (unsigned long long)raw);
    if (!s.raw.resize(raw)) return refuse(r, "no memory for %llu bytes", (unsigned long long)raw);
    if (!s.dctx) s.dctx = ZSTD_createDCtx();
    const std::size_t got = ZSTD_decompressDCtx(s.dctx, s.raw.data(), raw, payload, stored);
    if (ZSTD_isError(got))
        return refuse(r, "the payload does not decompress: %s", ZSTD_getErrorName(got));
    return got == raw || refuse(r, "the payload decompresses to %zu bytes, not %llu", got,
                                (unsigned long long)raw);
}

// Cuts the payload into its sections, in their fixed order (VIEW optional,
// HIST absent from version 1).
bool split_sections(const std::uint8_t* p, std::size_t n, Parsed& out, CheckpointLoad& r) {
    std::size_t pos = 0;
    for (int s = 0; s < kSections; ++s) {
        if (s == kHist && out.version < 2) continue;
        if (n - pos < 8) return refuse(r, "truncated payload: no %s section", kTags[s]);
        if (std::memcmp(p + pos, kTags[s], 4) != 0) {
            if (s == kView) continue;
            return refuse(r, "section '%.4s' where %s belongs",
                          reinterpret_cast<const char*>(p + pos), kTags[s]);
        }
        const auto len = get<std::uint32_t>(p + pos + 4);
        if (len > n - pos - 8) return refuse(r, "section %s runs past the payload", kTags[s]);
        out.at[s] = p + pos + 8;
        out.len[s] = len;
        pos += 8 + len;
    }
    return pos == n || refuse(r, "%zu bytes after the last section", n - pos);
}

bool check_fixed(const Parsed& p, CheckpointLoad& r) {
    if (p.len[kRun] != kRunSize || p.len[kGene] != kGeneSize || p.len[kType] != kTypeSize ||
        (p.at[kView] && p.len[kView] != kViewSize && p.len[kView] != kViewHiddenSize))
        return refuse(r, "counts disagree: a fixed section has the wrong length");
    const auto frame = get<std::int64_t>(p.at[kRun]);
    if (frame < 0) return refuse(r, "negative frame number");
    if (get<std::uint32_t>(p.at[kRun] + 16) > 3 || get<std::uint32_t>(p.at[kRun] + 20) != 0)
        return refuse(r, "unknown switches");
    r.frame = frame;
    const auto genes = get<std::uint32_t>(p.at[kGene]), slots = get<std::uint32_t>(p.at[kGene] + 4);
    if (slots != kMaxGenes || genes > kMaxGenes)
        return refuse(r, "%u genes in %u slots; the table holds %d", genes, slots, kMaxGenes);
    for (int k = 0; k < kMaxGenes; ++k) {
        const TDNA g = get<TDNA>(p.at[kGene] + 8 + k * sizeof(TDNA));
        for (const std::int32_t c : {g.Enhancer_count, g.Silencer_count, g.Exon_count})
            if (c < 0 || c > kGeneList) return refuse(r, "gene %d: a list count of %d", k, c);
    }
    if (!p.at[kView]) return true;
    const std::uint8_t* v = p.at[kView];
    if (v[0] > 1 || v[1] > 1 || get<std::uint16_t>(v + 2) != 0)
        return refuse(r, "bad view switches");
    r.view.present = true;
    r.view.type_one_shown = v[0], r.view.axes_shown = v[1];
    r.view.isolate = get<std::int32_t>(v + 4);
    r.view.show_len = get<std::int32_t>(v + 8);
    std::memcpy(r.view.camera, v + 12, sizeof r.view.camera);
    for (const float f : r.view.camera)
        if (!std::isfinite(f)) return refuse(r, "a camera value that is not a number");
    if (p.len[kView] == kViewHiddenSize) {
        std::memcpy(r.view.hidden, v + kViewSize, sizeof r.view.hidden);
        if (r.view.hidden[12] > 0x1f || get<std::uint16_t>(v + 45) != 0 || v[47] != 0)
            return refuse(r, "bad hidden types");
    }
    return true;
}

bool check_cells(const Parsed& p, CheckpointLoad& r) {
    if (p.len[kCell] < 4) return refuse(r, "counts disagree: no cell count");
    const auto n = get<std::uint32_t>(p.at[kCell]);
    if (n > std::uint32_t(kMaxCells))
        return refuse(r, "%u cells; the table holds %d", n, kMaxCells);
    if (p.len[kCell] != 4 + sizeof(TCells) * n)
        return refuse(r, "counts disagree: %u cells in %u bytes", n, p.len[kCell]);
    for (std::uint32_t i = 0; i < n; ++i) {
        const TCells c = get<TCells>(p.at[kCell] + 4 + i * sizeof(TCells));
        if (!interior(c.x, c.y, c.z))
            return refuse(r, "cell %u at (%d, %d, %d), off the lattice 1..200", i, c.x, c.y, c.z);
        if (c.clamps < 0 || c.clamps > 2) return refuse(r, "cell %u: clamp state %d", i, c.clamps);
    }
    return true;
}

// Each cell's parent came before it and its generation follows the parent's;
// frames and genes lie where a run puts them.
bool check_history(const Parsed& p, CheckpointLoad& r) {
    if (!p.at[kHist]) return true;
    const auto n = get<std::uint32_t>(p.at[kCell]);
    if (p.len[kHist] != 4 + sizeof(CellHistory) * n || get<std::uint32_t>(p.at[kHist]) != n)
        return refuse(r, "counts disagree: HIST does not hold the %u cells", n);
    const std::uint8_t* h = p.at[kHist] + 4;
    for (std::uint32_t i = 0; i < n; ++i) {
        const CellHistory c = get<CellHistory>(h + i * sizeof(CellHistory));
        if (c.parent < -1 || c.parent >= std::int64_t(i))
            return refuse(r, "history of cell %u: parent %d is not an earlier cell", i, c.parent);
        const std::int32_t g =
            c.parent < 0 ? -2 : get<CellHistory>(h + c.parent * sizeof(CellHistory)).generation;
        const bool generation_ok = c.parent < 0 ? c.generation == 0 || c.generation == -1
                                                : c.generation == (g < 0 ? -1 : g + 1);
        if (!generation_ok)
            return refuse(r, "history of cell %u: generation %d after its parent's", i,
                          c.generation);
        if (c.born_frame < -1 || c.type_frame < -1 || c.type_gene < -1 || c.type_gene >= kMaxGenes)
            return refuse(r, "history of cell %u: a frame or gene that no run makes", i);
    }
    return true;
}

// A value the grid can hold: a type other than 0, a clamp state 1 or 2, a
// column height from 1 to the layers above it and itself (a column's top site,
// 200, is never higher than 1), a site with some level.
bool value_ok(Section s, const std::uint8_t* v, int z) {
    const auto a = get<std::int32_t>(v);
    switch (s) {
        case kWorld: return a != 0;
        case kClamp: return a == 1 || a == 2;
        case kGravity: return a >= 1 && a <= kInteriorMax + 1 - z;
        default: {
            std::int32_t any = 0;
            for (int c = 0; c < kChannels; ++c) any |= get<std::int32_t>(v + 4 * c);
            return any != 0;
        }
    }
}

bool check_sparse(const Parsed& p, Section s, CheckpointLoad& r) {
    const std::uint8_t* d = p.at[s];
    if (p.len[s] < 4) return refuse(r, "counts disagree: no %s count", kTags[s]);
    const auto n = get<std::uint32_t>(d);
    if (n > kSites) return refuse(r, "%s lists %u sites; the lattice has %zu", kTags[s], n, kSites);
    if (p.len[s] != sparse_size(s, n))
        return refuse(r, "counts disagree: %s lists %u sites in %u bytes", kTags[s], n, p.len[s]);
    const std::uint8_t* values = d + 4 + 4 * std::size_t(n);
    const std::size_t stride = 4 * std::size_t(width_of(s));
    std::int64_t index = -1;
    for (std::uint32_t k = 0; k < n; ++k) {
        const auto gap = get<std::uint32_t>(d + 4 + 4 * std::size_t(k));
        index += gap;
        if (gap == 0 || index >= std::int64_t(kSites))
            return refuse(r, "%s: site %u out of order or off the grid", kTags[s], k);
        const int x = int(index / (kAxis * kAxis)), y = int(index / kAxis % kAxis),
                  z = int(index % kAxis);
        if (s != kClamp && !interior(x, y, z))
            return refuse(r, "%s: site (%d, %d, %d) off the lattice 1..200", kTags[s], x, y, z);
        if (!value_ok(s, values + k * stride, z))
            return refuse(r, "%s: a value no run makes at (%d, %d, %d)", kTags[s], x, y, z);
    }
    return true;
}

bool check_payload(const std::uint8_t* d, std::size_t n, Parsed& p, CheckpointLoad& r) {
    if (!split_sections(d, n, p, r)) return false;
    if (!check_fixed(p, r) || !check_cells(p, r) || !check_history(p, r)) return false;
    for (const Section g : {kWorld, kClamp, kGravity, kSignal})
        if (!check_sparse(p, g, r)) return false;
    return true;
}

CheckpointLoad check_bytes(const std::uint8_t* d, std::size_t n, Scratch& s, Parsed& p) {
    CheckpointLoad r;
    if (check_frame(d, n, s, p, r) && check_payload(s.raw.data(), s.raw.size(), p, r)) r.ok = true;
    if (!r.ok) r.view = CheckpointView{}, r.frame = 0;
    return r;
}

void fill_sparse(const Parsed& p, Section s, std::int32_t* grid) {
    const std::uint8_t* d = p.at[s];
    const auto n = get<std::uint32_t>(d);
    const int width = width_of(s);
    const std::uint8_t* values = d + 4 + 4 * std::size_t(n);
    std::int64_t index = -1;
    for (std::uint32_t k = 0; k < n; ++k) {
        index += get<std::uint32_t>(d + 4 + 4 * std::size_t(k));
        const std::int64_t col = index / kAxis;
        note_cell_column(int(col / kAxis), int(col % kAxis));
        std::memcpy(grid + index * width, values + std::size_t(k) * 4 * width,
                    4 * std::size_t(width));
    }
}

// Replaces the running state with the checked payload.
void apply(const Parsed& p) {
    WorkerPause pause;  // the worker must not see the world half replaced
    clear_grids(true);
    publish_cells_count(0);
    DNA_Count = get<std::int32_t>(p.at[kGene]);
    std::memcpy(DNA, p.at[kGene] + 8, sizeof DNA);
    std::memcpy(Glueds, p.at[kType], sizeof Glueds);
    std::memcpy(Signal_strength, p.at[kType] + sizeof Glueds, sizeof Signal_strength);
    genome_changed();
    fill_sparse(p, kWorld, &world[0][0][0]);
    fill_sparse(p, kClamp, &world_clamp[0][0][0]);
    fill_sparse(p, kGravity, &world_gravity[0][0][0]);
    fill_sparse(p, kSignal, &world_signal[0][0][0][0]);
    const auto n = get<std::int32_t>(p.at[kCell]);
    std::memcpy(Cells, p.at[kCell] + 4, sizeof(TCells) * std::size_t(n));
    for (int i = 0; i < n; ++i) note_cell_column(Cells[i].x, Cells[i].y);
    if (p.at[kHist])
        std::memcpy(Cells_history, p.at[kHist] + 4, sizeof(CellHistory) * std::size_t(n));
    else
        history_unknown(n);
    publish_cells_count(n);
    rng_set_state(get<std::uint64_t>(p.at[kRun] + 8));
    const auto switches = get<std::uint32_t>(p.at[kRun] + 16);
    k_v = (switches & 1) ? 1 : 0;
    k_g = (switches & 2) ? 1 : 0;
}

}  // namespace

std::uint32_t checkpoint_crc32(const void* data, std::size_t n, std::uint32_t crc) {
    // zlib's, the one the PNG writer uses: one CRC-32 in the program.
    return static_cast<std::uint32_t>(
        crc32_z(crc, static_cast<const Bytef*>(data), static_cast<z_size_t>(n)));
}

bool save_checkpoint(const char* path, std::int64_t frame, const CheckpointView& view) {
    Scratch& s = scratch();
    {
        WorkerPause pause;  // one moment of the field: no level changes while it is read
        capture(s.raw, s.values, frame, view);
    }
    if (!s.raw.ok()) return false;
    std::uint32_t method = kStored;
    const std::uint8_t* payload = s.raw.data();
    std::size_t stored = s.raw.size();
    if (!s.cctx) {
        s.cctx = ZSTD_createCCtx();
        if (s.cctx) ZSTD_CCtx_setParameter(s.cctx, ZSTD_c_compressionLevel, kZstdLevel);
    }
    if (s.cctx && s.file.resize(ZSTD_compressBound(stored))) {
        const std::size_t packed =
            ZSTD_compress2(s.cctx, s.file.data(), s.file.size(), s.raw.data(), stored);
        if (!ZSTD_isError(packed) && packed < stored) {
            method = kZstd;
            payload = s.file.data();
            stored = packed;
        }
    }
    std::uint8_t header[kHeaderSize];
    put_header(header, method, s.raw.size(), stored);
    const std::uint32_t crc =
        checkpoint_crc32(payload, stored, checkpoint_crc32(header, kHeaderSize));
    AtomicFileWriter out(path);
    out.write(header, sizeof header);
    out.write(payload, stored);
    out.write(&crc, sizeof crc);
    return out.commit();
}

bool capture_checkpoint_payload(Bytes& out, std::int64_t frame) {
    {
        WorkerPause pause;  // one moment of the field, as for a save
        capture(out, scratch().values, frame, CheckpointView{});
    }
    return out.ok();
}

CheckpointLoad apply_checkpoint_payload(const std::uint8_t* data, std::size_t size) {
    Parsed p;
    CheckpointLoad r;
    if (check_payload(data, size, p, r)) {
        r.ok = true;
        apply(p);
    }
    return r;
}

CheckpointLoad check_checkpoint_bytes(const std::uint8_t* data, std::size_t size) {
    Parsed p;
    return check_bytes(data, size, scratch(), p);
}

CheckpointLoad load_checkpoint(const char* path) {
    Scratch& s = scratch();
    CheckpointLoad r;
    if (!read_whole_file(path, s.file)) {
        refuse(r, "cannot be read (missing, not a regular file, or not permitted)");
        return r;
    }
    if (!s.file.ok()) {
        refuse(r, "no memory to read it");
        return r;
    }
    Parsed p;
    r = check_bytes(s.file.data(), s.file.size(), s, p);
    if (r.ok) apply(p);
    return r;
}

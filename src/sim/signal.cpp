// The signal field: every cell relays the strongest neighbouring level minus
// one, muted channels read 0, and a cell's own channel carries its emission.
#include "sim/signal.h"
#include "sim/genome.h"
#include "sim/world.h"
#include "sim/worker_state.h"

#include <cassert>
#include <cstring>

// A portable build (KELVARO_NATIVE off) compiles the two loops over the colony
// for three x86-64 levels and picks one when the program loads: signed 32-bit
// maxima are single instructions from SSE4.1 on, but four each on the baseline.
// A build tuned for its own CPU has them already.
#ifdef KELVARO_SIGNAL_CLONES
#define SIGNAL_CLONES [[gnu::target_clones("arch=x86-64-v3", "arch=x86-64-v2", "default")]]
#else
#define SIGNAL_CLONES
#endif

namespace {

constexpr std::ptrdiff_t kX = kSignalStrideX, kY = kSignalStrideY, kZ = kSignalStrideZ;

// What a cell contributes besides relaying: muted channels and its emission.
struct SiteRule {
    std::uint32_t muted;
    int emit_channel;  // -1: the type has no channel of its own
    std::int32_t emit;
};

inline SiteRule rule_for(std::int32_t t) {
    return {silenced_channels(t), (t >= 0 && t < kChannels) ? int(t) : -1, emitted_strength(t)};
}

inline std::int32_t max_of(std::int32_t a, std::int32_t b) {
    return a > b ? a : b;
}

// The update for one site with relaxed atomic accesses: safe while the other
// thread reads and writes the field. Each level is stored once, final, so a
// reader never sees a relayed value before its fade or its silencing. Returns
// whether a level changed.
[[gnu::always_inline]] inline bool update_shared(std::int32_t* s, const SiteRule& r) {
    std::int32_t changed = 0;
#pragma GCC unroll 20
    for (int c = 0; c < kChannels; ++c) {
        // Two independent chains of maxima, so the loads overlap.
        const std::int32_t a = max_of(max_of(ld(s[kX + c]), ld(s[-kX + c])), ld(s[kY + c]));
        const std::int32_t b = max_of(max_of(ld(s[-kY + c]), ld(s[kZ + c])), ld(s[-kZ + c]));
        // The strongest neighbour minus one, never below 0: max(m, 1) - 1.
        std::int32_t m = max_of(max_of(a, b), 1) - 1;
        m = (r.muted & (1u << c)) ? 0 : m;
        m = c == r.emit_channel ? r.emit : m;
        changed |= m ^ ld(s[c]);
        st(s[c], m);
    }
    return changed != 0;
}

// The same update with plain accesses on four channels at a time (20 = 5 x 4).
// Only for passes that no other thread can overlap. Returns whether a level
// changed.
using Quad = std::int32_t __attribute__((vector_size(16)));

inline Quad load_quad(const std::int32_t* p) {
    Quad q;
    std::memcpy(&q, p, sizeof q);
    return q;
}

inline Quad max_quad(Quad a, Quad b) {
    return a > b ? a : b;
}

[[gnu::always_inline]] inline bool update_private(std::int32_t* s, const SiteRule& r) {
    static_assert(kChannels % 4 == 0);
    constexpr Quad kOne = {1, 1, 1, 1};
    const Quad muted = {std::int32_t(r.muted), std::int32_t(r.muted), std::int32_t(r.muted),
                        std::int32_t(r.muted)};
    std::int32_t out[kChannels];
    Quad changed = {0, 0, 0, 0};
#pragma GCC unroll 5
    for (int c = 0; c < kChannels; c += 4) {
        const Quad lane = {c, c + 1, c + 2, c + 3};
        Quad m = max_quad(max_quad(load_quad(s + kX + c), load_quad(s - kX + c)),
                          max_quad(load_quad(s + kY + c), load_quad(s - kY + c)));
        m = max_quad(m, max_quad(load_quad(s + kZ + c), load_quad(s - kZ + c)));
        m = max_quad(m, kOne) - kOne;
        m &= ((muted >> lane) & 1) - kOne;  // 0 where muted
        std::memcpy(out + c, &m, sizeof m);
    }
    if (r.emit_channel >= 0) out[r.emit_channel] = r.emit;
#pragma GCC unroll 5
    for (int c = 0; c < kChannels; c += 4) changed |= load_quad(out + c) ^ load_quad(s + c);
    std::memcpy(s, out, sizeof out);
    return (changed[0] | changed[1] | changed[2] | changed[3]) != 0;
}

[[gnu::always_inline]] inline bool update_cell(int i) {
    const TCells& cell = Cells[i];
    // Coordinates and site type are read once: a cell that moves meanwhile is
    // updated wholly at one of its two sites, never outside the grid.
    const int x = ld(cell.x), y = ld(cell.y), z = ld(cell.z);
    if (!interior(x, y, z)) return false;
    const std::int32_t t = ld(world[x][y][z]);
    return update_shared(&world_signal[x][y][z][0], rule_for(t));
}

inline int clamp_axis(int v) {
    return v < 0 ? 0 : v >= kAxis ? kAxis - 1 : v;
}

constexpr int kAhead = 4;  // how many cells ahead to prefetch

// Asks for the cache lines that updating cell i will touch: its site with the
// sites above and below (240 contiguous bytes), the four horizontal neighbours
// (80 bytes each), and its entry in world. Any coordinate will do, even one
// read mid-move.
[[gnu::always_inline]] inline void prefetch_cell(int i) {
    const TCells& cell = Cells[i];
    const TCells& now = Cells[i - kAhead];
    const int x = clamp_axis(ld(cell.x)), y = clamp_axis(ld(cell.y)), z = clamp_axis(ld(cell.z));
    // In lattice order the cell a few places ahead sits in the same column as
    // the one being updated, where the hardware's own prefetching keeps up;
    // asking again would only cost. Cells of a grown colony lie anywhere.
    const unsigned dx = unsigned(x - ld(now.x) + 1), dy = unsigned(y - ld(now.y) + 1);
    if (dx <= 2 && dy <= 2) return;
    const char* s = reinterpret_cast<const char*>(&world_signal[x][y][z][0]);
    constexpr std::ptrdiff_t kSite = kChannels * 4;
    __builtin_prefetch(&world[x][y][z]);
    for (std::ptrdiff_t b = -kSite; b < 2 * kSite; b += 64) __builtin_prefetch(s + b);
    __builtin_prefetch(s + 2 * kSite - 1);
    for (const std::ptrdiff_t d : {kX * 4, -kX * 4, kY * 4, -kY * 4}) {
        __builtin_prefetch(s + d);
        __builtin_prefetch(s + d + kSite - 1);
    }
}

}  // namespace

void update_cell_signal(int i) {
    update_cell(i);
}

SIGNAL_CLONES int signal_sweep(int from, const std::atomic<bool>& stop, bool& changed) {
    int i = from;
    bool any = false;
    while (!stop.load(std::memory_order_relaxed)) {
        const int n = cells_published();
        if (i >= n) break;
        if (i + kAhead < n) prefetch_cell(i + kAhead);
        any |= update_cell(i);
        ++i;
    }
    changed |= any;
    return i;
}

bool channel_silenced_at_cell(int i, int channel) {
    const TCells& cell = Cells[i];
    const std::int32_t t = ld(world[ld(cell.x)][ld(cell.y)][ld(cell.z)]);
    for (int k = 0; k < DNA_Count; ++k)
        if (DNA[k].Exon[0] == t && DNA[k].Silencer[0] == channel) return true;
    return false;
}

SIGNAL_CLONES int settle_signal(int passes) {
    assert(signal_worker_quiet());
    std::int32_t* const field = &world_signal[0][0][0][0];
    int changing = 0;
    for (int p = 0; p < passes; ++p) {
        const int n = Cells_count;
        bool changed = false;
        for (int i = 0; i < n; ++i) {
            if (i + kAhead < n) prefetch_cell(i + kAhead);
            const TCells& cell = Cells[i];
            if (!interior(cell.x, cell.y, cell.z)) continue;
            const std::int32_t t = world[cell.x][cell.y][cell.z];
            changed |= update_private(field + cell.x * kX + cell.y * kY + cell.z * kZ, rule_for(t));
        }
        // A pass that changed nothing leaves the field at its fixed point: every
        // further pass would read and write the very same levels.
        if (!changed) break;
        ++changing;
    }
    return changing;
}

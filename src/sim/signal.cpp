// The signal field: every cell relays the strongest neighbouring level minus
// one, muted channels read 0, and a cell's own channel carries its emission.
#include "Cell.h"

#include <cassert>
#include <cstring>

namespace {

constexpr std::ptrdiff_t kX = kSignalStrideX, kY = kSignalStrideY, kZ = kSignalStrideZ;

inline std::int32_t max0(std::int32_t m, std::int32_t v) {
    return v > m ? v : m;
}

// What a cell contributes besides relaying: muted channels and its emission.
struct SiteRule {
    std::uint32_t muted;
    int emit_channel;  // -1: the type has no channel of its own
    std::int32_t emit;
};

inline SiteRule rule_for(std::int32_t t) {
    return {silenced_channels(t), (t >= 0 && t < kChannels) ? int(t) : -1, emitted_strength(t)};
}

// The update for one site with relaxed atomic accesses: safe while the other
// thread reads and writes the field. Each level is stored once, final, so a
// reader never sees a relayed value before its fade or its silencing.
inline __attribute__((always_inline)) void update_shared(std::int32_t* s, const SiteRule& r) {
    for (int c = 0; c < kChannels; ++c) {
        std::int32_t m = 0;
        m = max0(m, ld(s[kX + c]));
        m = max0(m, ld(s[-kX + c]));
        m = max0(m, ld(s[kY + c]));
        m = max0(m, ld(s[-kY + c]));
        m = max0(m, ld(s[kZ + c]));
        m = max0(m, ld(s[-kZ + c]));
        m -= (m > 0);
        if ((r.muted >> c) & 1u) m = 0;
        if (c == r.emit_channel) m = r.emit;
        st(s[c], m);
    }
}

// The same update with plain accesses, which the compiler vectorises. Only
// for passes that no other thread can overlap.
inline __attribute__((always_inline)) void update_private(std::int32_t* s, const SiteRule& r) {
    std::int32_t out[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        std::int32_t m = 0;
        m = max0(m, s[kX + c]);
        m = max0(m, s[-kX + c]);
        m = max0(m, s[kY + c]);
        m = max0(m, s[-kY + c]);
        m = max0(m, s[kZ + c]);
        m = max0(m, s[-kZ + c]);
        m -= (m > 0);
        out[c] = ((r.muted >> c) & 1u) ? 0 : m;
    }
    if (r.emit_channel >= 0) out[r.emit_channel] = r.emit;
    std::memcpy(s, out, sizeof out);
}

}  // namespace

void add_signal(int i) {
    const TCells& cell = Cells[i];
    // Coordinates and site type are read once: a cell that moves meanwhile is
    // updated wholly at one of its two sites, never outside the grid.
    const int x = ld(cell.x), y = ld(cell.y), z = ld(cell.z);
    if (!interior(x, y, z)) return;
    const std::int32_t t = ld(world[x][y][z]);
    update_shared(&world_signal[x][y][z][0], rule_for(t));
}

bool signal_silencer(int i, int cou) {
    const TCells& cell = Cells[i];
    const std::int32_t t = ld(world[ld(cell.x)][ld(cell.y)][ld(cell.z)]);
    for (int k = 0; k < DNA_Count; ++k)
        if (DNA[k].Exon[0] == t && DNA[k].Silencer[0] == cou) return true;
    return false;
}

void settle_signal(int passes) {
    assert(signal_worker_quiet());
    std::int32_t* const field = &world_signal[0][0][0][0];
    for (int p = 0; p < passes; ++p) {
        const int n = Cells_count;
        for (int i = 0; i < n; ++i) {
            const TCells& cell = Cells[i];
            if (!interior(cell.x, cell.y, cell.z)) continue;
            const std::int32_t t = world[cell.x][cell.y][cell.z];
            update_private(field + cell.x * kX + cell.y * kY + cell.z * kZ, rule_for(t));
        }
    }
}

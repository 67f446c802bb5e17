// World state: the grids, the cell table, the per-type tables and seeding.
#include "sim/world.h"
#include "sim/history.h"
#include "sim/touched.h"
#include "sim/worker_state.h"

#include <sys/mman.h>

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

struct Region {
    void* base;
    std::size_t bytes;
    bool mapped;  // false when the fallback heap block serves
};

// Grids are big (33 MB each, 660 MB for the signal field): map them once,
// aligned to huge pages, and let the kernel hand out zero pages lazily.
Region map_region(std::size_t bytes) {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) {
        void* heap = std::calloc(1, bytes);
        if (!heap) {
            std::fputs("kelvaro: cannot allocate the world grids\n", stderr);
            std::abort();
        }
        return {heap, bytes, false};
    }
    auto addr = reinterpret_cast<std::uintptr_t>(raw);
    auto aligned = (addr + kHugePage - 1) / kHugePage * kHugePage;
    // Give back the unaligned head and the tail beyond the rounded size.
    if (aligned > addr) munmap(raw, aligned - addr);
    std::size_t tail = addr + rounded + kHugePage - (aligned + rounded);
    if (tail) munmap(reinterpret_cast<void*>(aligned + rounded), tail);
    void* base = reinterpret_cast<void*>(aligned);
    madvise(base, rounded, MADV_HUGEPAGE);
    return {base, rounded, true};
}

Region g_world = map_region(kSites * sizeof(std::int32_t));
Region g_clamp = map_region(kSites * sizeof(std::int32_t));
Region g_gravity = map_region(kSites * sizeof(std::int32_t));
Region g_signal = map_region(kSites * kChannels * sizeof(std::int32_t));

void zero_region(const Region& r) {
    // MADV_DONTNEED on a private anonymous mapping drops the pages; the next
    // touch sees zeros. Cheaper than memset, and keeps untouched pages unbacked.
    if (r.mapped && madvise(r.base, r.bytes, MADV_DONTNEED) == 0) return;
    std::memset(r.base, 0, r.bytes);
}

constexpr std::int32_t kStartGlueds[kTypes] = {
    1, 6, 1, 1, 1, 1, 1, 1, 1, 1,  // 0..9
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 10..19
    2, 3, 4, 5, 6, 3, 2, 3, 3, 4,  // 20..29
    4, 2, 3, 2,                    // 30..33, the rest 0
};
constexpr std::int32_t kStartStrength[kTypes] = {
    0,   3,   60,  60,  60,  60,  60,  60,  58,  60,   // 0..9
    60,  60,  60,  60,  60,  60,  60,  140, 140, 140,  // 10..19
    140, 140, 140, 140, 140, 140, 140, 140, 140,       // 20..28, the rest 0
};

}  // namespace

std::int32_t (*const world)[kAxis][kAxis] =
    static_cast<std::int32_t (*)[kAxis][kAxis]>(g_world.base);
std::int32_t (*const world_clamp)[kAxis][kAxis] =
    static_cast<std::int32_t (*)[kAxis][kAxis]>(g_clamp.base);
std::int32_t (*const world_gravity)[kAxis][kAxis] =
    static_cast<std::int32_t (*)[kAxis][kAxis]>(g_gravity.base);
std::int32_t (*const world_signal)[kAxis][kAxis][kChannels] =
    static_cast<std::int32_t (*)[kAxis][kAxis][kChannels]>(g_signal.base);

TCells Cells[kMaxCells];
std::int32_t Cells_count = 0;

std::int32_t Glueds[kTypes];
std::int32_t Signal_strength[kTypes];

void start_table_values(std::int32_t* glueds, std::int32_t* strength) {
    std::memcpy(glueds, kStartGlueds, sizeof kStartGlueds);
    std::memcpy(strength, kStartStrength, sizeof kStartStrength);
}

void restore_start_tables() {
    start_table_values(Glueds, Signal_strength);
}

namespace {
// The tables hold their start values before main() runs.
[[maybe_unused]] const bool g_tables_ready = (restore_start_tables(), true);
}  // namespace

void clear_grids(bool with_gravity) {
    assert(signal_worker_quiet());
    zero_region(g_world);
    zero_region(g_clamp);
    zero_region(g_signal);
    if (with_gravity) zero_region(g_gravity);
    forget_touched_columns(with_gravity);
    note_world_edit();
}

ColumnBox touched_columns;
ColumnBox touched_gravity_columns;

void forget_touched_columns(bool with_gravity) {
    touched_columns = ColumnBox{};
    if (with_gravity) touched_gravity_columns = ColumnBox{};
}

void put_to_world(TCells* cell) {
    assert(cell->x >= 0 && cell->x < kAxis && cell->y >= 0 && cell->y < kAxis && cell->z >= 0 &&
           cell->z < kAxis);
    note_cell_column(cell->x, cell->y);
    st(world[cell->x][cell->y][cell->z], cell->type);
    note_world_edit();
}

void Cells_Init() {
    // The whole of each grid, border layers included: a site at 200 can hold a
    // cell, so nothing of an earlier colony may survive there.
    clear_grids(false);
    publish_cells_count(0);
    TCells& seed = Cells[0];
    st(seed.x, 20);
    st(seed.y, 20);
    st(seed.z, 50);
    seed.type = 1;
    world_gravity[20][20][50] = 1;
    put_to_world(&seed);
    history_loaded(1);
    publish_cells_count(1);
}

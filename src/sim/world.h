// The world: the four lattice grids, the cell table and the per-type tables,
// with the contract under which the main thread and the signal worker share them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "sim/sizes.h"
#include "sim/worker_state.h"

// The grids and the table are this program's (or module's) own: never looked
// up through a symbol table, so that position-independent code reaches them
// directly and keeps the constant grid pointers in registers.
#pragma GCC visibility push(hidden)

// ---------------------------------------------------------------------------
// Thread contract
//
// Two threads touch the world: the main thread (frame pass, controls, file
// loads) and the signal worker, which runs update_cell_signal over the cell
// table without pause. The worker reads Cells_count, the coordinates of Cells,
// world, world_signal and the genome tables, and writes world_signal.
//
//  * Values that one thread writes while the other may read them (Cells_count,
//    Cells[i].x/y/z, world, world_signal) are accessed across threads only
//    through ld()/st() below: relaxed atomic loads and stores, plain moves on
//    x86-64. The main thread is the only writer of Cells and world, so its own
//    reads of them may be plain; every write it makes to them goes through st().
//    Both threads write world_signal, so every access to it goes through
//    ld()/st(), except in kernels that run while the worker is parked.
//  * Cells_count is published with release after the new record, its world
//    entry and its levels are written, and read with acquire by the worker.
//  * The genome (DNA, DNA_Count, Glueds, Signal_strength and the silence masks
//    derived from them) and the bulk edits of a reload (clearing the grids,
//    refilling the table, the settling passes) change only while the worker is
//    parked at a cell boundary (signal_worker_quiet() is then true; see
//    sim/worker.h). Parking is a mutex handshake, which orders everything
//    before and after it. Bulk edits assert it.
//  * world_clamp, world_gravity, the clamps and type fields of Cells and the
//    switches belong to the main thread alone.
// The worker never trusts what it reads: it takes a cell's coordinates and site
// type once per update and skips a cell whose site is not in the interior.
// ---------------------------------------------------------------------------

// A relaxed atomic load of a value the other thread may write.
template <class T>
inline T ld(const T& v) {
    return __atomic_load_n(&v, __ATOMIC_RELAXED);
}
// A relaxed atomic store of a value the other thread may read.
template <class T>
inline void st(T& v, std::type_identity_t<T> x) {
    __atomic_store_n(&v, x, __ATOMIC_RELAXED);
}

// One cell of the colony. The grids are authoritative; type and clamps are
// copies of world and world_clamp at the cell's site, refreshed every frame.
struct TCells {
    std::int32_t x;       // lattice site; written by the main thread with st()
    std::int32_t y;       // lattice site, second axis
    std::int32_t z;       // lattice site, vertical (layer 1 is the floor)
    std::int32_t type;    // copy of world at the site
    std::int32_t clamps;  // copy of world_clamp at the site
};

// The grids, indexed [x][y][z] (and [c] for the channel); allocated once at
// start-up with the kernel's huge pages, zero from the start.
// Type of the cell on each site, 0 when empty. Main thread writes (st), both read.
extern std::int32_t (*const world)[kAxis][kAxis];
// Clamp state per site: 0 never clamped, 1 locked, 2 pushed. Main thread only.
extern std::int32_t (*const world_clamp)[kAxis][kAxis];
// Column height per site: one more than the height above. Main thread only.
extern std::int32_t (*const world_gravity)[kAxis][kAxis];
// Level of each of the 20 channels per site. Both threads read and write (ld/st).
extern std::int32_t (*const world_signal)[kAxis][kAxis][kChannels];

// Distance between neighbouring sites in world_signal, in integers, per axis.
inline constexpr std::ptrdiff_t kSignalStrideX = std::ptrdiff_t(kAxis) * kAxis * kChannels;
inline constexpr std::ptrdiff_t kSignalStrideY = std::ptrdiff_t(kAxis) * kChannels;
inline constexpr std::ptrdiff_t kSignalStrideZ = kChannels;
static_assert(kSignalStrideX == 816080 && kSignalStrideY == 4040);

// The colony: live records are 0..Cells_count-1, appended and never reordered.
extern TCells Cells[kMaxCells];
// Number of live records. Main thread writes (release), the worker reads (acquire).
extern std::int32_t Cells_count;

// Cells_count as the worker reads it: everything written before it was published is seen.
inline std::int32_t cells_published() {
    return __atomic_load_n(&Cells_count, __ATOMIC_ACQUIRE);
}
// Makes the first n records live, after their records, sites and levels are written.
inline void publish_cells_count(std::int32_t n) {
    __atomic_store_n(&Cells_count, n, __ATOMIC_RELEASE);
    note_world_edit();
}

// Adhesion threshold per type: a cell may leave its site while fewer of its face
// neighbours share its type. Written by genome loads (worker parked).
extern std::int32_t Glueds[kTypes];
// Level a cell of type t lays down on channel t. Written by genome loads (parked).
extern std::int32_t Signal_strength[kTypes];

// Adhesion threshold of any type: 0 outside the table.
inline std::int32_t glued_threshold(std::int32_t t) {
    return t >= 0 && t < kTypes ? Glueds[t] : 0;
}
// Emitted level of any type: 0 outside the table.
inline std::int32_t emitted_strength(std::int32_t t) {
    return t >= 0 && t < kTypes ? Signal_strength[t] : 0;
}

// Puts the per-type tables back to the values the program starts with.
void restore_start_tables();
// Copies the start values of Glueds and Signal_strength into two tables of kTypes entries.
void start_table_values(std::int32_t* glueds, std::int32_t* strength);

// Zeroes whole grids (all 202 sites per axis) without touching untouched
// pages: the memory is handed back to the kernel, which gives zero pages on
// the next touch. world_gravity is cleared only when asked. Worker parked.
void clear_grids(bool with_gravity);

// Clears the grids (not the heights) and places the seed cell, type 1 at (20, 20, 50).
void Cells_Init();
// Writes the cell's type into world at its site.
void put_to_world(TCells* cell);

// Level of channel c at site (x, y, z), 0 for a channel outside 0..19.
inline std::int32_t level_at(int x, int y, int z, int c) {
    return c >= 0 && c < kChannels ? ld(world_signal[x][y][z][c]) : 0;
}

// Asks for the cache lines that a frame's step of a cell at (x, y, z) reads:
// its type, clamp state and levels. Any coordinate will do (it is clamped).
[[gnu::always_inline]] inline void prefetch_site(int x, int y, int z) {
    auto axis = [](int v) { return v < 0 ? 0 : v >= kAxis ? kAxis - 1 : v; };
    x = axis(x), y = axis(y), z = axis(z);
    __builtin_prefetch(&world[x][y][z]);
    __builtin_prefetch(&world_clamp[x][y][z]);
    __builtin_prefetch(&world_signal[x][y][z][0]);
    __builtin_prefetch(&world_signal[x][y][z][16]);
}

#pragma GCC visibility pop

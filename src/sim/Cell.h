// Cell: the simulation core. World state and seeding, gene expression, the
// signal update, the clamp field, moves, the random walk and division.
// Nothing here knows about windows or GL.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

// ---------------------------------------------------------------------------
// Sizes
// ---------------------------------------------------------------------------

inline constexpr int kAxis = 202;       // sites per axis; 0 and 201 are the border
inline constexpr int kInteriorMin = 1;  // cells live on 1..200 on every axis
inline constexpr int kInteriorMax = 200;
inline constexpr int kChannels = 20;      // signal channels per site
inline constexpr int kTypes = 100;        // entries of the per-type tables
inline constexpr int kMaxCells = 200000;  // capacity of the cell table
inline constexpr int kMaxGenes = 200;     // capacity of the gene table
inline constexpr int kGeneList = 20;      // entries of each list of a gene record

inline constexpr std::size_t kSites = std::size_t(kAxis) * kAxis * kAxis;
static_assert(kAxis * kAxis == 40804);
static_assert(kSites == 8242408);
static_assert(kSites * 23 == 189575384, "four grids: 23 integers per site");

inline constexpr bool interior(int x, int y, int z) {
    return x >= kInteriorMin && x <= kInteriorMax && y >= kInteriorMin && y <= kInteriorMax &&
           z >= kInteriorMin && z <= kInteriorMax;
}

using BOOLEAN = std::uint8_t;

// ---------------------------------------------------------------------------
// Thread contract
//
// Two threads touch the world: the main thread (frame pass, controls, file
// loads) and the signal worker, which runs add_signal over the cell table
// without pause. The worker reads Cells_count, the coordinates of Cells,
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
//    parked at a cell boundary (signal_worker_quiet() is then true). Parking is
//    a mutex handshake, which orders everything before and after it.
//  * world_clamp, world_gravity, the clamps and type fields of Cells and the
//    control flags belong to the main thread alone.
// The worker never trusts what it reads: it takes a cell's coordinates and site
// type once per update and skips a cell whose site is not in the interior.
// ---------------------------------------------------------------------------

template <class T>
inline T ld(const T& v) {
    return __atomic_load_n(&v, __ATOMIC_RELAXED);
}
template <class T>
inline void st(T& v, std::type_identity_t<T> x) {
    __atomic_store_n(&v, x, __ATOMIC_RELAXED);
}

// True while no other thread can touch the world: the worker is parked, stopped
// or was never started. Bulk edits assert it.
bool signal_worker_quiet();

// ---------------------------------------------------------------------------
// World state
// ---------------------------------------------------------------------------

// One cell of the colony. The grids are authoritative; type and clamps are
// copies of world and world_clamp at the cell's site, refreshed every frame.
struct TCells {
    std::int32_t x;  // lattice site; written by the main thread with st()
    std::int32_t y;
    std::int32_t z;  // vertical
    std::int32_t type;
    std::int32_t clamps;
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

inline constexpr std::ptrdiff_t kSignalStrideX = std::ptrdiff_t(kAxis) * kAxis * kChannels;
inline constexpr std::ptrdiff_t kSignalStrideY = std::ptrdiff_t(kAxis) * kChannels;
inline constexpr std::ptrdiff_t kSignalStrideZ = kChannels;
static_assert(kSignalStrideX == 816080 && kSignalStrideY == 4040);

// The colony: live records are 0..Cells_count-1, appended and never reordered.
extern TCells Cells[kMaxCells];
// Number of live records. Main thread writes (release), the worker reads (acquire).
extern std::int32_t Cells_count;

inline std::int32_t cells_published() {
    return __atomic_load_n(&Cells_count, __ATOMIC_ACQUIRE);
}
inline void publish_cells_count(std::int32_t n) {
    __atomic_store_n(&Cells_count, n, __ATOMIC_RELEASE);
}

// Adhesion threshold per type: a cell may leave its site while fewer of its face
// neighbours share its type. Written by genome loads (worker parked).
extern std::int32_t Glueds[kTypes];
// Level a cell of type t lays down on channel t. Written by genome loads (parked).
extern std::int32_t Signal_strength[kTypes];

// Threshold and strength of any type: 0 outside the tables.
inline std::int32_t glued_threshold(std::int32_t t) {
    return t >= 0 && t < kTypes ? Glueds[t] : 0;
}
inline std::int32_t emitted_strength(std::int32_t t) {
    return t >= 0 && t < kTypes ? Signal_strength[t] : 0;
}

// Puts the per-type tables back to the values the program starts with.
void restore_start_tables();

// Zeroes whole grids (all 202 sites per axis) without touching untouched
// pages: the memory is handed back to the kernel, which gives zero pages on
// the next touch. world_gravity is cleared only when asked.
void clear_grids(bool with_gravity);

void Cells_Init();
void Put_to_World(TCells* C_D);
void add_cells(int i, int x, int y, int z);

// ---------------------------------------------------------------------------
// Genome
// ---------------------------------------------------------------------------

struct TDNA {
    std::int32_t Enhancer[kGeneList];  // channels the gene reads, in file order
    std::int32_t Enhancer_count;       // EN fields on the gene's line
    std::int32_t Silencer[kGeneList];  // Silencer[0]: channel muted for type Exon[0]
    std::int32_t Silencer_count;
    std::int32_t Exon[kGeneList];  // Exon[0]: the gene's cell type
    std::int32_t Exon_count;       // never maintained
    std::int32_t MPF;              // 1: a division gene
};

// The gene table; genes 0..DNA_Count-1 are in force. Written by genome loads
// while the worker is parked; read by both threads.
extern TDNA DNA[kMaxGenes];
extern std::int32_t DNA_Count;

// Rebuilds what is derived from the genome (silence masks, the division-gene
// flag). Every edit of DNA, DNA_Count or the tables ends with it; worker parked.
void genome_changed();
// Some gene in force has MPF 1 (derived by genome_changed).
extern bool division_genes_present;

// ---------------------------------------------------------------------------
// Signal field
// ---------------------------------------------------------------------------

// Recomputes the 20 levels at cell i's site from its six neighbours, silences,
// and lays down the cell's own emission; each level is stored once, final.
void add_signal(int i);
// True when some gene mutes channel cou for the type at cell i's site.
bool signal_silencer(int i, int cou);
// Channels muted for type t, one bit per channel: for types 0..99 from a table
// that genome_changed() derives; beyond it (unusual genomes) from a scan.
extern std::uint32_t silenced_by_type[kTypes];
std::uint32_t silenced_channels_scan(std::int32_t t);
inline std::uint32_t silenced_channels(std::int32_t t) {
    return t >= 0 && t < kTypes ? silenced_by_type[t] : silenced_channels_scan(t);
}
// Updates the cells from index `from` on, in table order, while the index is
// below Cells_count (read afresh at every cell) and `stop` reads false; returns
// the index it stopped at. The signal worker's inner loop: prefetches the sites
// of the cells a few places ahead.
int signal_sweep(int from, const std::atomic<bool>& stop);
// `passes` full passes of add_signal over the colony in table order, with a
// plain vectorised kernel; only while no other thread touches the field. Stops
// early, with the same result, once a pass changes nothing.
void settle_signal(int passes);

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

// Level of channel c at site (x, y, z), 0 for a channel outside 0..19.
inline std::int32_t level_at(int x, int y, int z, int c) {
    return c >= 0 && c < kChannels ? ld(world_signal[x][y][z][c]) : 0;
}

// ---------------------------------------------------------------------------
// Randomness: one deterministic generator (PCG32) for every draw of the
// simulation, main thread only. Gene expression draws once per gene per cell,
// division once per attempt, the random walk once per turn.
// ---------------------------------------------------------------------------

inline constexpr std::uint64_t kDefaultSeed = 0x4b656c7661726f;
void rng_seed(std::uint64_t seed);
std::uint32_t rng_next();
void rng_skip(std::uint32_t draws);  // the same as `draws` calls of rng_next()
std::uint64_t rng_state();
void rng_set_state(std::uint64_t state);

// ---------------------------------------------------------------------------
// Gene expression
// ---------------------------------------------------------------------------

int Get_type_Cell(int i);
void change_type_cell(int i, int c_type_old, int c_type_new, int cell1, int cell2);
void new_cell2(int i, int cell1, int cell2);
void new_cell3(int i, int cell1, int cell2, int cell3);

// ---------------------------------------------------------------------------
// Division
// ---------------------------------------------------------------------------

void translation_finde(int i);
void translation_finde1(int i);
void translation_finde2(int i);
void translation_finde3(int i);
void translation_finde4(int i);
void go_traslation();

// ---------------------------------------------------------------------------
// Clamps, adhesion, moves and the random walk
// ---------------------------------------------------------------------------

void set_clamp_cell(int i, int clamp);
bool Cell_Glued(int i);
void Move_Cell(int x, int y, int z, int i);
void go_mov_cells(int i);
void rand_move_cell1(int i);
void rand_move_cell2(int i);
void rand_move_cell3(int i);
void rand_move_cell4(int i);

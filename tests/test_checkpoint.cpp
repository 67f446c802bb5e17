// Checkpoints: a round trip restores the whole state and therefore its future,
// byte for byte; every kind of damage is refused with its reason and leaves the
// running state as it was. (A failed write is among the hardening tests'
// writers; F5 and F9 with the view they keep are the controls' and e2e tests'.)
#include "support.h"

#include <zstd.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cmath>

#include "app/checkpoint.h"

namespace {

class CheckpointFile : public kt::FileTest {};

// The whole running state as the writer sees it: cells, genome, tables,
// generator, switches and the grids.
std::string state() {
    EXPECT_TRUE(save_checkpoint("state.ckpt", 0, CheckpointView{}));
    return kt::read_file("state.ckpt");
}

// Frames with division genes, gravity and a divide-all in the first: pushed
// cells walk away from the levels they laid down.
void frames(int n) {
    for (int f = 0; f < n; ++f) {
        kReturn = f == 0;
        settle_signal(1);
        frame_pass();
    }
}

void grown_colony() {
    load_genome_from(KELVARO_BATCH_DATA "/genome.vdna", nullptr);
    load_cell_list_from(KELVARO_BATCH_DATA "/colony.txt", kLoadShift);
    k_v = k_g = 1;
    rng_seed(5);
    frames(8);
}

// What a refused load could touch, cheaply: the tables, the generator, the
// switches, and every grid at each cell's site (a load clears grids first).
std::string fingerprint() {
    std::string f(reinterpret_cast<const char*>(Cells), sizeof(TCells) * Cells_count);
    const auto add = [&f](const void* p, std::size_t n) {
        f.append(static_cast<const char*>(p), n);
    };
    add(DNA, sizeof DNA), add(Glueds, sizeof Glueds), add(Signal_strength, sizeof Signal_strength);
    add(Cells_history, sizeof(CellHistory) * Cells_count);
    const std::uint64_t rng = rng_state();
    add(&rng, sizeof rng), add(&k_v, 1), add(&k_g, 1);
    for (int i = 0; i < Cells_count; ++i) {
        const TCells& c = Cells[i];
        add(&world[c.x][c.y][c.z], 4), add(&world_clamp[c.x][c.y][c.z], 4);
        add(&world_gravity[c.x][c.y][c.z], 4), add(world_signal[c.x][c.y][c.z], 4 * kChannels);
    }
    return f;
}

// `b` with the bytes of `v` at `at`.
template <class T>
std::string put(std::string b, std::size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
    return b;
}

// `f` with its checksum made right.
std::string sealed(const std::string& f) {
    return put(f, f.size() - 4, checkpoint_crc32(f.data(), f.size() - 4));
}

// `payload` stored uncompressed under the header of `file`, sealed.
std::string stored(const std::string& file, const std::string& payload) {
    const std::uint64_t n = payload.size();
    return sealed(put(put(put(file.substr(0, 56) + payload + "crc.", 12, 0u), 40, n), 48, n));
}

}  // namespace

TEST_F(CheckpointFile, RoundTripRestoresTheStateAndItsFutureByteForByte) {
    grown_colony();
    // What the window program puts in: L off, M on, isolate 7, show_len -3, a
    // camera, types 5 and "every other" hidden.
    CheckpointView view{true, false, true, 7, -3, {1, -2, 30, 45, 359.5f}};
    view.hidden[0] = 1 << 5, view.hidden[12] = 1 << 4;
    ASSERT_TRUE(save_checkpoint("a.ckpt", 8, view));
    ASSERT_TRUE(save_checkpoint("plain.ckpt", 8, {.present = true}));
    const std::string saved = state();
    frames(6);
    const std::string later = state();
    EXPECT_GT(Cells_count, 100);  // the colony grew: the comparison means something

    // Another world in between: program start, the seed cell, no genes.
    reset_to_program_start();
    Cells_Init();
    const CheckpointLoad r = load_checkpoint("a.ckpt");
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_TRUE(state() == saved);
    const CheckpointView& v = r.view;
    EXPECT_EQ(std::tuple(r.frame, v.present, v.type_one_shown, v.isolate, v.show_len, v.camera[4]),
              std::tuple(8, true, false, 7, -3, 359.5f));
    EXPECT_EQ(std::memcmp(v.hidden, view.hidden, sizeof v.hidden), 0);
    // Nothing hidden: the view section as programs without hidden types write it.
    const CheckpointLoad plain = load_checkpoint("plain.ckpt");
    EXPECT_EQ(std::count(std::begin(plain.view.hidden), std::end(plain.view.hidden), 0), 13);
    frames(6);  // what is derived from the genome was rebuilt: the same future
    EXPECT_TRUE(state() == later);
    EXPECT_FALSE(load_checkpoint("state.ckpt").view.present);
}

TEST_F(CheckpointFile, DamageIsRefusedWithItsReasonAndChangesNothing) {
    grown_colony();
    ASSERT_TRUE(save_checkpoint("a.ckpt", 8, {.present = true}));
    const std::string file = kt::read_file("a.ckpt"), before = fingerprint();
    std::string payload(ZSTD_getFrameContentSize(file.data() + 56, file.size() - 60), '\0');
    ZSTD_decompress(payload.data(), payload.size(), file.data() + 56, file.size() - 60);
    // An edit of a section's body, stored uncompressed with a right checksum.
    const auto edit = [&](const char* tag, long offset, auto v) {
        return stored(file, put(payload, payload.find(tag) + 8 + offset, v));
    };
    const std::size_t mid = file.size() / 2, last_height = payload.find("SGNL") - 4;
    const std::pair<std::string, const char*> cases[] = {
        {stored(file, payload), ""},  // loads
        {sealed(put(file, 0, 'X')), "wrong magic"},
        {sealed(put(file, 8, 3u)), "version 3"},
        {put(file, mid, char(~file[mid])), "bad checksum"},
        {file.substr(0, file.size() - 9), "truncated"},
        {file + "abc", "beyond the end"},
        {sealed(put(file, 16, 203u)), "sizes differ"},
        {sealed(put(file, 12, 7u)), "unknown compression"},
        {sealed(put(file, 44, 1u)), "exceeds the tables"},
        {sealed(put(file, file.size() - 40, 0x5a5a5a5a5a5a5a5aull)), "decompress"},
        {edit("RUN ", 0, -1L), "negative frame"},
        {edit("VIEW", 12, NAN), "not a number"},
        {edit("GENE", 0, kMaxGenes + 1), "the table holds 200"},
        {edit("GENE", 8 + 4 * 20, 21), "list count of 21"},
        {edit("CELL", 0, kMaxCells + 1), "the table holds 200000"},
        {edit("CELL", 0, Cells_count - 1), "counts disagree"},
        {edit("CELL", 4, 0), "off the lattice"},
        {edit("CELL", 4 + 16, 3), "clamp state 3"},
        {edit("HIST", 0, 0), "HIST does not hold"},
        {edit("HIST", 4 + 4, 5), "not an earlier cell"},
        {edit("HIST", 4 + 8, 7), "generation 7"},
        {edit("HIST", 4 + 16, kMaxGenes), "a frame or gene"},
        {stored(put(file, 8, 1u), payload), "'HIST' where WRLD belongs"},
        {edit("SGNL", 0, 0), "counts disagree"},
        {edit("WRLD", 4, 1), "off the lattice"},
        {edit("CLMP", 8, 0), "out of order"},
        {stored(file, put(payload, last_height, 201)), "no run makes"},
        {edit("TYPE", -8, 'O'), "where TYPE belongs"},
        {stored(file, payload + "8 bytes."), "after the last section"},
        {stored(file, payload.substr(0, payload.find("WRLD"))), "truncated payload"},
    };
    for (const auto& [bytes, reason] : cases) {
        kt::write_file("bad.ckpt", bytes);
        const CheckpointLoad r = load_checkpoint("bad.ckpt");
        EXPECT_EQ(r.ok, !*reason) << reason;
        EXPECT_NE(std::string(r.reason).find(reason), std::string::npos) << r.reason;
        EXPECT_TRUE(fingerprint() == before) << reason;
    }
    EXPECT_FALSE(load_checkpoint(".").ok);
}

namespace {

// Pages of the signal field that are mapped now, read or written.
std::size_t resident_signal_pages() {
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = std::size_t(kSites) * kChannels * 4;
    std::vector<unsigned char> in((bytes + page - 1) / page);
    EXPECT_EQ(mincore(&world_signal[0][0][0][0], bytes, in.data()), 0);
    return std::size_t(std::count_if(in.begin(), in.end(), [](unsigned char c) { return c & 1; }));
}

// A hash of all four grids, every site.
std::uint64_t grids_hash() {
    std::uint64_t h = 0;
    const auto add = [&h](const std::int32_t* p, std::size_t n) {
        const auto* w = reinterpret_cast<const std::uint64_t*>(p);
        for (std::size_t i = 0; i < n / 2; ++i) h = (h ^ w[i]) * 0x100000001b3ull + i;
    };
    add(&world[0][0][0], kSites);
    add(&world_clamp[0][0][0], kSites);
    add(&world_gravity[0][0][0], kSites);
    add(&world_signal[0][0][0][0], std::size_t(kSites) * kChannels);
    return h;
}

}  // namespace

// The writer scans only the columns the run touched, yet keeps every value of
// a grown, walked and reloaded colony (an earlier colony's heights included);
// a small colony's save maps no page of the untouched field.
TEST_F(CheckpointFile, ScansOnlyTheColumnsTheRunTouched) {
    grown_colony();
    Cells_Init();  // the seed cell, far from the old colony, whose heights stay
    frames(3);
    const std::uint64_t all = grids_hash();
    state();
    ASSERT_TRUE(load_checkpoint("state.ckpt").ok);
    EXPECT_EQ(grids_hash(), all);

    clear_grids(true);
    publish_cells_count(0);
    kt::place(2, 60, 60, 50);
    kt::place(3, 61, 60, 50);
    settle_signal(kSettlingPasses);
    const std::size_t before = resident_signal_pages();
    state();
    EXPECT_LT(resident_signal_pages(), before + 64);  // a few columns, not 660 MB
}

TEST_F(CheckpointFile, AVersionOneFileLoadsWithTheHistoryUnknownAndTheSameFuture) {
    grown_colony();
    ASSERT_TRUE(save_checkpoint("v2.ckpt", 8, CheckpointView{}));
    const std::string file = kt::read_file("v2.ckpt");
    std::string payload(ZSTD_getFrameContentSize(file.data() + 56, file.size() - 60), '\0');
    ZSTD_decompress(payload.data(), payload.size(), file.data() + 56, file.size() - 60);
    const std::size_t hist = payload.find("HIST"), wrld = payload.find("WRLD");
    kt::write_file("v1.ckpt", stored(put(file, 8, 1u), payload.erase(hist, wrld - hist)));
    frames(4);
    const std::string later = kt::read_file((save_cell_list(), kCellFile));

    ASSERT_TRUE(load_checkpoint("v1.ckpt").ok);
    EXPECT_TRUE(std::all_of(Cells_history, Cells_history + Cells_count, [](const CellHistory& h) {
        return h.born_frame == -1 && h.parent == -1 && h.generation == -1 && h.type_gene == -1;
    }));
    frames(4);  // the history never steers the simulation
    EXPECT_EQ(kt::read_file((save_cell_list(), kCellFile)), later);
}

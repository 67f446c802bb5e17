// Checkpoints: a round trip restores the whole state and therefore its future,
// byte for byte; every kind of damage is refused with its reason and leaves the
// running state as it was. (A failed write is among the hardening tests' writers.)
#include "support.h"

#include <zstd.h>

#include <cmath>
#include <functional>

#include "app/checkpoint.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class CheckpointFile : public kt::FileTest {};

// A checksum of the whole state: cells, genome, tables, generator, switches
// and the grids, whole or (cheaper) at the cells' sites only.
std::uint32_t state(bool whole_grids) {
    const std::int64_t misc[] = {DNA_Count, k_v, k_g, std::int64_t(rng_state())};
    std::uint32_t crc = 0;
    const auto add = [&](const void* p, std::size_t n) { crc = checkpoint_crc32(p, n, crc); };
    add(misc, sizeof misc);
    add(Cells, sizeof(TCells) * Cells_count);
    add(DNA, sizeof DNA);
    add(Glueds, sizeof Glueds);
    add(Signal_strength, sizeof Signal_strength);
    for (int i = 0; i < Cells_count && !whole_grids; ++i) {
        const TCells& c = Cells[i];
        for (auto* g : {world, world_clamp, world_gravity}) add(&g[c.x][c.y][c.z], 4);
        add(world_signal[c.x][c.y][c.z], 4 * kChannels);
    }
    for (auto* g : {world, world_clamp, world_gravity})
        if (whole_grids) add(g, kSites * 4);
    if (whole_grids) add(world_signal, kSites * 4 * kChannels);
    return crc;
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

// What the window program puts in: L off, M on, isolate 7, show_len -3, a camera.
const CheckpointView kView = {true, false, true, 7, -3, {1.5f, -2, 30, 45, 359.5f}};

template <class T>
void poke(Bytes& b, std::size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

Bytes with_crc(Bytes f) {
    poke(f, f.size() - 4, checkpoint_crc32(f.data(), f.size() - 4));
    return f;
}

Bytes payload_of(const Bytes& file) {
    std::uint64_t raw;
    std::memcpy(&raw, file.data() + 40, 8);
    Bytes out(raw);
    EXPECT_EQ(ZSTD_decompress(out.data(), raw, file.data() + 56, file.size() - 60), raw);
    return out;
}

// A stored (uncompressed) file of `payload` with the header of `file`.
Bytes stored_file(const Bytes& file, const Bytes& payload) {
    Bytes f(file.begin(), file.begin() + 56);
    poke<std::uint32_t>(f, 12, 0);
    poke<std::uint64_t>(f, 40, payload.size());
    poke<std::uint64_t>(f, 48, payload.size());
    f.insert(f.end(), payload.begin(), payload.end());
    f.resize(f.size() + 4);
    return with_crc(f);
}

// `b` with byte `at` flipped; `b` grown (or cut) by `more` bytes.
Bytes flipped(Bytes b, std::size_t at) {
    b[at] ^= 4;
    return b;
}
Bytes grown(Bytes b, long more) {
    b.resize(b.size() + more);
    return b;
}

// Where a section's body starts in a payload.
std::size_t body(const Bytes& p, const char* tag) {
    for (std::size_t at = 0; at + 8 <= p.size();) {
        std::uint32_t len;
        std::memcpy(&len, p.data() + at + 4, 4);
        if (std::memcmp(p.data() + at, tag, 4) == 0) return at + 8;
        at += 8 + len;
    }
    ADD_FAILURE() << "no section " << tag;
    return 0;
}

}  // namespace

TEST_F(CheckpointFile, RoundTripRestoresTheStateAndItsFutureByteForByte) {
    grown_colony();
    ASSERT_TRUE(save_checkpoint("a.ckpt", 8, kView));
    const std::uint32_t saved = state(true);
    frames(6);
    ASSERT_TRUE(save_checkpoint("later.ckpt", 14, CheckpointView{}));
    const std::uint32_t later = state(true);
    EXPECT_GT(Cells_count, 100);  // the colony grew: the comparison means something

    // Another world in between: program start, the seed cell, no genes.
    reset_to_program_start();
    Cells_Init();
    const CheckpointLoad r = load_checkpoint("a.ckpt");
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(state(true), saved);
    EXPECT_EQ(r.frame, 8);
    EXPECT_TRUE(r.view.present && !r.view.type_one_shown && r.view.axes_shown);
    EXPECT_EQ(std::tuple(r.view.isolate, r.view.show_len), std::tuple(7, -3));
    EXPECT_TRUE(std::equal(r.view.camera, r.view.camera + 5, kView.camera));

    frames(6);  // what is derived from the genome was rebuilt: the same future
    EXPECT_EQ(state(true), later);
    ASSERT_TRUE(save_checkpoint("again.ckpt", 14, CheckpointView{}));
    EXPECT_TRUE(kt::read_file("again.ckpt") == kt::read_file("later.ckpt"));
    EXPECT_FALSE(load_checkpoint("later.ckpt").view.present);
}

TEST_F(CheckpointFile, DamageIsRefusedWithItsReasonAndChangesNothing) {
    grown_colony();
    ASSERT_TRUE(save_checkpoint("a.ckpt", 8, kView));
    const std::string text = kt::read_file("a.ckpt");
    const Bytes file(text.begin(), text.end());
    const Bytes payload = payload_of(file);
    // Edits of the payload, stored uncompressed with a correct checksum.
    const auto edit = [&](const char* tag, std::size_t offset, auto value) {
        return [=, &file, &payload] {
            Bytes p = payload;
            poke(p, body(p, tag) + offset, value);
            return stored_file(file, p);
        };
    };
    const auto header = [&](std::size_t at, auto value) {
        return [=, &file] {
            Bytes f = file;
            poke(f, at, value);
            return with_crc(f);
        };
    };
    std::uint32_t cells, signal_sites, heights;
    std::memcpy(&cells, payload.data() + body(payload, "CELL"), 4);
    std::memcpy(&heights, payload.data() + body(payload, "GRAV"), 4);
    std::memcpy(&signal_sites, payload.data() + body(payload, "SGNL"), 4);
    const struct {
        std::function<Bytes()> make;
        const char* reason;  // "": loads
    } cases[] = {
        {[&] { return stored_file(file, payload); }, ""},
        {[] { return Bytes{}; }, "truncated"},
        {header(0, 'X'), "wrong magic"},
        {header(8, std::uint32_t(2)), "version 2"},
        {[&] { return flipped(file, file.size() / 2); }, "bad checksum"},
        {[&] { return grown(file, -9); }, "truncated"},
        {[&] { return grown(file, 3); }, "beyond the end"},
        {header(16, std::uint32_t(203)), "sizes differ"},
        {header(12, std::uint32_t(7)), "unknown compression"},
        {header(40, std::uint64_t(1) << 40), "exceeds the tables"},
        {header(file.size() - 40, std::uint64_t(0x5a5a5a5a5a5a5a5a)), "decompress"},
        {edit("RUN ", 0, std::int64_t(-1)), "negative frame"},
        {edit("VIEW", 12, NAN), "not a number"},
        {edit("GENE", 0, std::uint32_t(kMaxGenes + 1)), "the table holds 200"},
        {edit("GENE", 8 + 4 * 20, std::int32_t(21)), "list count of 21"},
        {edit("CELL", 0, std::uint32_t(kMaxCells + 1)), "the table holds 200000"},
        {edit("CELL", 0, cells - 1), "counts disagree"},
        {edit("CELL", 4, std::int32_t(0)), "off the lattice"},
        {edit("CELL", 4 + 16, std::int32_t(3)), "clamp state 3"},
        {edit("SGNL", 0, signal_sites + 1), "counts disagree"},
        {edit("WRLD", 4, std::uint32_t(1)), "off the lattice"},
        {edit("CLMP", 8, std::uint32_t(0)), "out of order"},
        {edit("GRAV", 4 + 4 * heights, std::int32_t(201)), "no run makes"},
        {edit("TYPE", -8, 'O'), "where TYPE belongs"},
        {[&] { return stored_file(file, grown(payload, 8)); }, "after the last section"},
        {[&] {
             return stored_file(file,
                                grown(payload, long(body(payload, "WRLD") - 8 - payload.size())));
         },
         "truncated payload"},
    };
    const std::uint32_t before = state(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const Bytes bad = c.make();
        kt::write_file("bad.ckpt", std::string(bad.begin(), bad.end()));
        if (*c.reason == '\0') {
            EXPECT_TRUE(check_checkpoint_bytes(bad.data(), bad.size()).ok);
            continue;
        }
        const CheckpointLoad r = load_checkpoint("bad.ckpt");
        EXPECT_FALSE(r.ok);
        EXPECT_NE(std::string(r.reason).find(c.reason), std::string::npos) << r.reason;
        EXPECT_EQ(state(false), before);
    }
    EXPECT_FALSE(load_checkpoint("absent.ckpt").ok);
    EXPECT_FALSE(load_checkpoint(".").ok);
}

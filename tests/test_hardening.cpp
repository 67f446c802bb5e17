// Hardening: inputs that are not what a loader expects (a folder, an unreadable
// file, an empty or binary one, gigabytes of one line, a colony wholly off the
// lattice), a genome dump that cannot be written, and work that stays bounded
// at the table's capacity.
#include <sys/mman.h>

#include <chrono>

#include "batch_run.h"
#include "support.h"

using kt::FileTest;

namespace {

using Clock = std::chrono::steady_clock;

template <class Fn>
double seconds_of(Fn&& fn) {
    const Clock::time_point t0 = Clock::now();
    fn();
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Far beyond what any of the timed steps takes, sanitizers included: these
// catch a hang or a quadratic path, not a slow machine.
constexpr double kBoundSeconds = 120.0;

}  // namespace

TEST_F(FileTest, UnusableInputsLoadAsNothingWithoutFuss) {
    std::filesystem::create_directory("folder");
    kt::write_file("empty", "");
    kt::write_file("binary", std::string("\0 1 1 1 1\n", 10));  // a record after the NUL
    kt::write_file("locked", "EX=3;\n1 1 1 1\n");
    kt::set_mode(dir_.path(), 0755);
    kt::set_mode("locked", 0);
    // Opened or not as expected, no cell, a cleared world, and no gene unless
    // only the cell loader is asked (a NUL does not end a gene line).
    const auto nothing = [](const char* path, bool opens, bool genome = true) {
        kt::place(1, 50, 50, 50);
        const bool genes = genome && (load_genome_from(path, nullptr).opened != opens || DNA_Count);
        return !genes && load_cell_list_from(path, kLoadShift).opened == opens &&
               Cells_count == 0 && world[50][50][50] == 0;
    };
    EXPECT_TRUE(nothing("folder", false));  // a folder reads as a missing file
    EXPECT_TRUE(nothing("empty", true));
    EXPECT_TRUE(nothing("binary", true, false));
    // A file the user may not read, in a child that drops root's privileges.
    const int code =
        kt::in_child({.unprivileged = true}, [&] { return nothing("locked", false) ? 0 : 1; });
    if (code == kt::kNoFaultHere) GTEST_SKIP() << "cannot drop privileges to user 65534";
    EXPECT_EQ(code, 0);
}

TEST_F(FileTest, AColonyWhollyOffTheLatticeLoadsAsAnEmptyColony) {
    kt::place(1, 50, 50, 50);
    kt::write_file(kCellFile,
                   "1 161 5 5\n2 -41 5 5\n3 5 161 5\n4 5 -41 5\n5 5 5 0\n6 5 5 201\n"
                   "7 0x7fffffffff 5 5\n");
    const CellLoadReport r = load_cell_list_from(kCellFile, kLoadShift);
    EXPECT_EQ(r.outside, 7);
    EXPECT_FALSE(r.stopped_at_text);
    EXPECT_EQ(Cells_count, 0);
    EXPECT_EQ(world[50][50][50], 0);
    // It runs and saves as the empty colony it is.
    k_v = k_g = kReturn = 1;
    frame_pass();
    EXPECT_EQ(Cells_count, 0);
    save_cell_list();
    EXPECT_EQ(kt::read_file(kCellFile), "");
}

TEST_F(FileTest, AGenomeDumpThatCannotBeWrittenKeepsThePreviousDump) {
    kt::write_file(kGenomeFile, kt::sample_genome(kMaxGenes));  // a dump of about 3.5 KB
    const std::string old_dump = "0/4/2/3/ \n";
    kt::write_file(kGenomeDump, old_dump);
    // What the reload key does (the dump fails quietly), then the dump alone.
    const auto reload_and_dump = [] {
        load_genome();
        return save_genome_dump_to(kGenomeDump) ? 0 : 1;
    };
    kt::set_mode(dir_.path(), 0555);
    const int unwritable = kt::in_child({.unprivileged = true}, reload_and_dump);
    kt::set_mode(dir_.path(), 0755);
    const int full = kt::in_child({.file_size = 1024}, reload_and_dump);
    if (unwritable == kt::kNoFaultHere || full == kt::kNoFaultHere)
        GTEST_SKIP() << "cannot drop privileges or limit the file size";
    EXPECT_EQ(unwritable, 1);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(kt::read_file(kGenomeDump), old_dump);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);  // no temporary left
}

// Inputs of one line each: 2 GiB of NUL bytes (a sparse memory file: it costs
// neither memory nor disk, and reading its holes costs the kernel next to
// nothing) and a real file of 200 MiB of digits.
TEST_F(FileTest, OneLineOfGigabytesLoadsInBoundedTime) {
    constexpr long long kSparseBytes = 2LL << 30, kDigitBytes = 200LL << 20;
    const int fd = memfd_create("sparse", MFD_CLOEXEC);
    ASSERT_TRUE(fd >= 0 && ftruncate(fd, kSparseBytes) == 0);
    const std::string sparse = "/proc/self/fd/" + std::to_string(fd);
    kt::write_file("digits", std::string(kDigitBytes, '7'));
    for (const auto& input : {std::pair{sparse, kSparseBytes}, {"digits", kDigitBytes}}) {
        const std::string& path = input.first;  // named apart: clang 14 cannot capture bindings
        const long long bytes = input.second;
        // The genome loader reads every byte: each 19 999-byte chunk is a gene
        // line of its own, and the table keeps the first 200. The cell loader
        // stops at the first NUL, or after one endless number.
        GenomeLoadReport g;
        CellLoadReport c;
        const double s = seconds_of([&] {
            g = load_genome_from(path.c_str(), nullptr);
            c = load_cell_list_from(path.c_str(), kLoadShift);
        });
        EXPECT_EQ(g.genes, kMaxGenes) << path;
        EXPECT_EQ(g.genes + g.lines_dropped, (bytes + 19998) / 19999) << path;
        EXPECT_TRUE(c.loaded == 0 && c.stopped_at_text) << path;
        EXPECT_LT(s, kBoundSeconds) << path;
        std::printf("%s, %lld bytes: both loads %.2f s\n", path.c_str(), bytes, s);
    }
    // The batch program refuses binary data and warns about useless text.
    for (const char* option : {"--genome", "--cells"}) {
        const kt::Outcome r = kt::batch({option, sparse, "--frames", "1", "--quiet"});
        EXPECT_EQ(r.status, kExitUsage) << option;
        EXPECT_NE(r.err.find("'" + sparse + "': binary data"), std::string::npos) << r.err;
    }
    kt::Outcome r;
    const double s = seconds_of([&] {
        r = kt::batch({"--genome", "digits", "--cells", "digits", "--frames", "1", "--quiet"});
    });
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_NE(r.err.find("digits: 200 genes; skipped: lines_past_200="), std::string::npos);
    EXPECT_NE(r.err.find("digits: 0 cells loaded; skipped:"), std::string::npos) << r.err;
    EXPECT_LT(s, kBoundSeconds);
    close(fd);
}

// The worst frame: 200 genes that keep every cell undifferentiated and try to
// divide it one draw in ten, so every gene runs on every cell, with gravity on
// and a divide-all, while the table fills up and then stays full.
TEST_F(FileTest, FramesAtTheTablesCapacityAreBoundedAndAddNothing) {
    std::string genome;
    for (int k = 0; k < kMaxGenes; ++k) genome += "EN=1;EN=1;EX=1;MPF=1;\n";
    kt::write_file(kGenomeFile, genome);
    ASSERT_EQ(load_genome_from(kGenomeFile, nullptr).genes, kMaxGenes);
    // 150 000 cells on every other x plane: each one has room to divide.
    for (int x = 2; x <= 200; x += 2)
        for (int y = 1; y <= 150; ++y)
            for (int z = 1; z <= 10; ++z) kt::place(1, x, y, z);
    settle_signal(kSettlingPasses);
    k_v = k_g = 1;

    for (int frame = 1; frame <= 2; ++frame) {
        kReturn = 1;
        const double s = seconds_of(frame_pass);
        EXPECT_EQ(Cells_count, kMaxCells);
        EXPECT_LT(s, kBoundSeconds);
        std::printf("frame %d at %d cells, %d genes: %.2f s\n", frame, kMaxCells, kMaxGenes, s);
    }
    // Every record on the lattice, on a site of its own, which says its type.
    std::vector<char> taken(kSites);
    for (int i = 0; i < Cells_count; ++i) {
        const TCells& c = Cells[i];
        ASSERT_TRUE(interior(c.x, c.y, c.z) && world[c.x][c.y][c.z] == 1) << i;
        ASSERT_EQ(taken[(std::size_t(c.x) * kAxis + c.y) * kAxis + c.z]++, 0) << i;
    }
}

// The slowest reload: the organiser's level has to crawl against the table
// order, one site per settling pass, across 140 sites of a 200 000-cell slab.
TEST_F(FileTest, AReloadOfAFullTableSettlesInBoundedTime) {
    for (int x = 1; x <= 160; ++x)
        for (int y = 1; y <= 125; ++y)
            for (int z = 1; z <= 10; ++z) kt::place(x == 160 ? 17 : 1, x, y, z);
    ASSERT_TRUE(save_cell_list_to(kCellFile));
    CellLoadReport r;
    const double s = seconds_of([&] { r = load_cell_list_from(kCellFile, 0); });
    EXPECT_EQ(r.loaded, kMaxCells);
    EXPECT_FALSE(r.table_full);
    // The field is the fixed point: strength 140 at the organisers, 1 at 139 sites away.
    EXPECT_EQ(world_signal[160][60][5][17], 140);
    EXPECT_EQ(world_signal[21][60][5][17], 1);
    EXPECT_EQ(world_signal[20][60][5][17], 0);
    EXPECT_LT(s, kBoundSeconds);
    std::printf("reload of %d cells, settling included: %.2f s\n", kMaxCells, s);
}

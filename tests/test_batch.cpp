// kelvaro-batch: reproducible runs, the same frames as the window program, the
// outputs a person opens afterwards, and the messages and exit statuses.
#include "support.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "batch.h"
#include "batch_run.h"

using kt::FileTest;

namespace {

const std::string kData = KELVARO_BATCH_DATA;
const std::string kGenome = kData + "/genome.vdna";
const std::string kColony = kData + "/colony.txt";

using kt::batch;
using kt::Outcome;

// A run of the fixed genome and colony, whose division genes fire.
Outcome grow(const std::string& seed, std::vector<std::string> more) {
    std::vector<std::string> args = {"--genome",   kGenome,  "--cells", kColony,
                                     "--division", "--seed", seed,      "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return batch(args);
}

int lines(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

std::uint64_t fnv1a(const std::string& bytes) {
    std::uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ULL;
    return h;
}

std::vector<std::vector<std::string>> read_csv(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(kt::read_file(path));
    for (std::string line; std::getline(in, line);) {
        rows.emplace_back();
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, ',');) rows.back().push_back(f);
    }
    return rows;
}

struct Cell {
    int type, x, y, z;
    bool operator==(const Cell&) const = default;
};

std::vector<Cell> read_cells(const std::string& path) {
    std::vector<Cell> cells;
    std::istringstream in(kt::read_file(path));
    for (Cell c; in >> c.type >> c.x >> c.y >> c.z;) cells.push_back(c);
    return cells;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string w; in >> w;) all.push_back(w);
    return all;
}

std::vector<Cell> live_table() {
    std::vector<Cell> cells;
    for (int i = 0; i < Cells_count; ++i)
        cells.push_back({Cells[i].type, Cells[i].x, Cells[i].y, Cells[i].z});
    return cells;
}

// What the window program would see of a frame; only the vertices matter here.
struct RecordingSink {
    std::vector<Cell> points;
    void begin() { points.clear(); }
    void end() {}
    void color_ub(int, int, int) {}
    void color_d(double, double, double) {}
    void vertex(double x, double y, double z) { points.push_back({0, int(x), int(y), int(z)}); }
};

std::vector<std::int32_t> copy_grid(std::int32_t (*grid)[kAxis][kAxis]) {
    return std::vector<std::int32_t>(&grid[0][0][0], &grid[0][0][0] + kSites);
}

}  // namespace

TEST_F(FileTest, SameInputsAndSeedGiveTheSameFilesAndAnotherSeedAnotherColony) {
    for (const char* tag : {"a", "b", "c"}) {
        const std::string t = tag;
        ASSERT_EQ(grow(t == "c" ? "12" : "11",
                       {"--frames", "12", "--divide-all-at", "6", "--out", t + ".txt", "--stats",
                        t + ".csv", "--snapshot-every", "5", "--snapshot-dir", t})
                      .status,
                  kExitOk);
    }
    EXPECT_EQ(kt::read_file("a.txt"), kt::read_file("b.txt"));
    auto a = read_csv("a.csv"), b = read_csv("b.csv");
    for (auto* table : {&a, &b})
        for (auto& row : *table) row.pop_back();  // elapsed_ms, the one column that may differ
    EXPECT_EQ(a, b);
    for (std::string snap : {"/cells-000005.txt", "/cells-000005.vtk", "/cells-000010.vtk"})
        EXPECT_EQ(kt::read_file("a" + snap), kt::read_file("b" + snap)) << snap;
    EXPECT_NE(kt::read_file("a.txt"), kt::read_file("c.txt"));
}

// The batch loop must be the window program's frame pass, not a copy of it:
// the same draws in the same order leave the same table, grids and generator.
TEST_F(FileTest, FramesMatchTheWindowProgramsFramePass) {
    struct Case {
        std::vector<std::string> args;
        int passes;
        int divide_at;
        bool gravity;
    } cases[] = {
        {{"--frames", "8"}, 1, 0, false},
        // No passes: a loop that ignored the count would settle a field that
        // the window program's frames leave as births made it.
        {{"--frames", "8", "--signal-passes", "0", "--divide-all-at", "3", "--gravity"},
         0,
         3,
         true},
    };
    for (const Case& k : cases) {
        ASSERT_EQ(grow("5", k.args).status, kExitOk);
        const std::vector<Cell> table = live_table();
        const auto types = copy_grid(world), clamps = copy_grid(world_clamp),
                   heights = copy_grid(world_gravity);
        const std::uint64_t rng = rng_state();

        kt::reset_world();
        init_infra();
        load_dna_from(kGenome.c_str(), nullptr);
        load_file_from(kColony.c_str(), kLoadShift);
        k_v = 1;
        k_g = k.gravity;
        rng_seed(5);
        RecordingSink sink;
        for (int frame = 1; frame <= 8; ++frame) {
            settle_signal(k.passes);
            kReturn = frame == k.divide_at;
            show_cells_with(sink);
        }
        EXPECT_GT(Cells_count, 42);  // the colony grew, so the comparison means something
        EXPECT_EQ(live_table(), table);
        EXPECT_TRUE(copy_grid(world) == types);
        EXPECT_TRUE(copy_grid(world_clamp) == clamps);
        EXPECT_TRUE(copy_grid(world_gravity) == heights);
        EXPECT_EQ(rng_state(), rng);
        EXPECT_EQ(sink.points.size(), std::size_t(Cells_count));
    }
}

// A stored expectation: if this changes, the simulation changed behaviour.
TEST_F(FileTest, GoldenRunOfTheFixedGenomeAndColony) {
    ASSERT_EQ(grow("7", {"--frames", "30", "--divide-all-at", "10", "--out", "golden.txt"}).status,
              kExitOk);
    const std::string out = kt::read_file("golden.txt");
    EXPECT_EQ(lines(out), 130);
    EXPECT_EQ(fnv1a(out), 0x2aa746b40ca627fbULL);
}

TEST_F(FileTest, StatsHoldEveryFrameAndAColumnForEveryTypeThatEverOccurs) {
    // The one type-1 cell lies where channels 2 and 3 meet and switches to type
    // 150 in frame 1: type 1 dies out but keeps its column, 150 counts as other.
    kt::write_file("g.vdna", "EN=2;EN=3;EX=150;\n");
    kt::write_file("c.txt", "2 10 10 10\n1 11 10 10\n3 12 10 10\n");
    ASSERT_EQ(batch({"--genome", "g.vdna", "--cells", "c.txt", "--frames", "3", "--quiet",
                     "--stats", "s.csv", "--out", "o.txt"})
                  .status,
              kExitOk);
    const auto rows = read_csv("s.csv");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"frame", "cells", "type_1", "type_2", "type_3",
                                                 "type_other", "elapsed_ms"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "3", "1", "1", "1", "0", "0.000"}));
    // The last row against the saved colony.
    std::map<std::string, int> saved;
    for (const Cell& c : read_cells("o.txt"))
        ++saved[c.type < 100 ? "type_" + std::to_string(c.type) : "type_other"];
    EXPECT_EQ(saved["type_1"], 0);
    const auto& last = rows.back();
    EXPECT_EQ(last[0], "3");
    EXPECT_EQ(std::stoi(last[1]), int(read_cells("o.txt").size()));
    for (std::size_t c = 2; c + 1 < last.size(); ++c)
        EXPECT_EQ(std::stoi(last[c]), saved[rows[0][c]]) << rows[0][c];
}

TEST_F(FileTest, SnapshotsComeEveryKFramesAndTheVtkParsesBackToTheColony) {
    ASSERT_EQ(grow("3", {"--frames", "9", "--snapshot-every", "4", "--snapshot-dir", "deep/snaps"})
                  .status,
              kExitOk);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("deep/snaps"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"cells-000004.txt", "cells-000004.vtk",
                                               "cells-000008.txt", "cells-000008.vtk"}));

    // The whole file, word by word, as the colony of the same frame says it must be.
    const std::vector<Cell> cells = read_cells("deep/snaps/cells-000008.txt");
    ASSERT_GT(cells.size(), 42u);
    const std::string n = std::to_string(cells.size());
    std::vector<std::string> want = {"#",       "vtk",    "DataFile", "Version", "3.0",
                                     "Kelvaro", "colony", "ASCII",    "DATASET", "POLYDATA",
                                     "POINTS",  n,        "int"};
    for (const Cell& c : cells)
        for (int v : {c.x, c.y, c.z}) want.push_back(std::to_string(v));
    for (const char* w : {"VERTICES", n.c_str()}) want.push_back(w);
    want.push_back(std::to_string(2 * cells.size()));
    for (std::size_t i = 0; i < cells.size(); ++i)
        for (std::string w : {std::string("1"), std::to_string(i)}) want.push_back(w);
    for (const char* w :
         {"POINT_DATA", n.c_str(), "SCALARS", "type", "int", "1", "LOOKUP_TABLE", "default"})
        want.push_back(w);
    for (const Cell& c : cells) want.push_back(std::to_string(c.type));
    EXPECT_EQ(words(kt::read_file("deep/snaps/cells-000008.vtk")), want);
}

TEST_F(FileTest, BadCommandLinesAndMissingInputsExitTwoWithOneLine) {
    kt::write_file("c.txt", "1 1 1 1\n");
    kt::write_file("bin", std::string("1 1 1 1\n\0\x7f", 10));
    struct Case {
        std::vector<std::string> args;
        const char* names;
    } cases[] = {
        {{"--genome", "absent.vdna"}, "absent.vdna"},
        {{"--cells", "."}, "'.'"},  // a folder is not a colony
        {{"--genome", "."}, "not a regular file"},
        {{"--cells", "bin"}, "binary data"},
        {{"--reload-every", "0", "--cells", "c.txt"}, "--reload-every"},
        {{"--reload-every", "2"}, "nothing to reload"},
        {{"--frames", "12x"}, "--frames"},
        {{"--divide-all-at", "3,,4", "--frames", "9"}, "--divide-all-at"},
        {{"--frames=5", "--divide-all-at", "6"}, "frame 6"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"--frames"}, "--frames"},
        {{"--snapshot-every", "5"}, "--snapshot-dir"},
        {{"--threaded", "--signal-passes", "2"}, "--threaded"},
        {{"c.txt"}, "c.txt"},  // a bare file name, as if --cells were forgotten
    };
    for (const Case& k : cases) {
        const Outcome r = batch(k.args);
        EXPECT_EQ(r.status, kExitUsage) << k.names;
        EXPECT_EQ(r.err.rfind("kelvaro-batch: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(k.names), std::string::npos) << r.err;
        EXPECT_EQ(lines(r.err), 1) << r.err;
    }
}

TEST_F(FileTest, SkippedRecordsAreCountedOnOneLine) {
    kt::write_file("c.txt", "1 5 5 5\n1 170 5 5\n1 5 -45 5\n150 5 5 6\n1 5 5 7\nend\n");
    const Outcome r = batch({"--cells", "c.txt", "--frames", "0", "--quiet"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err,
              "kelvaro-batch: c.txt: 2 cells loaded; skipped: outside=2 bad_type=1 "
              "table_full=0 stopped_at_text=1\n");
    kt::write_file("c.txt", "1 5 5 5\n");
    EXPECT_EQ(batch({"--cells", "c.txt", "--frames", "0", "--quiet"}).err, "");
}

TEST_F(FileTest, TheShiftAppliesOnLoadOnlyAndNoCellsMeansTheSeedCell) {
    ASSERT_EQ(batch({"--frames", "0", "--quiet", "--out", "seed.txt"}).status, kExitOk);
    EXPECT_EQ(kt::read_file("seed.txt"), "1 20 20 50\n");
    kt::write_file("c.txt", "2 5 6 7\n3 150 161 200\n");
    batch({"--cells", "c.txt", "--frames", "0", "--quiet", "--out", "o.txt"});
    EXPECT_EQ(kt::read_file("o.txt"), "2 45 46 7\n");  // y 161 + 40 leaves the lattice
    batch({"--cells", "c.txt", "--frames", "0", "--quiet", "--out", "o.txt", "--shift", "0"});
    EXPECT_EQ(kt::read_file("o.txt"), "2 5 6 7\n3 150 161 200\n");
}

TEST_F(FileTest, ProgressAndSummaryFollowQuietAndProgress) {
    // Standard error here is not a terminal: the summary only, unless asked.
    Outcome r = batch({"--frames", "3"});
    EXPECT_EQ(r.err.rfind("kelvaro-batch: 3 frames, 1 cells, ", 0), 0u) << r.err;
    EXPECT_EQ(lines(r.err), 1);
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    // Rewritten in place, the last frame always shown, the line ended at the end.
    r = batch({"--frames", "3", "--progress", "--quiet"});
    EXPECT_EQ(r.err.rfind("\rframe 1/3  cells 1  ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("\rframe 3/3  cells 1  "), std::string::npos) << r.err;
    EXPECT_EQ(lines(r.err), 1);
    EXPECT_EQ(r.err.back(), '\n');
    EXPECT_EQ(batch({"--frames", "3", "--quiet"}).err, "");
}

TEST_F(FileTest, ThreadedRunsStopTheWorkerBeforeWriting) {
    ASSERT_EQ(grow("1", {"--threaded", "--frames", "5", "--out", "o.txt"}).status, kExitOk);
    EXPECT_FALSE(signal_worker_running());
    EXPECT_EQ(read_cells("o.txt"), live_table());
}

TEST_F(FileTest, EmptyInputsRunWithAWarningAndUnreadableOnesExitTwo) {
    kt::write_file("g.vdna", "");
    kt::write_file("c.txt", "");
    Outcome r = batch(
        {"--genome", "g.vdna", "--cells", "c.txt", "--frames", "2", "--quiet", "--out", "o.txt"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.err,
              "kelvaro-batch: g.vdna: no genes; the run goes on without a genome\n"
              "kelvaro-batch: c.txt: no cells; the run starts from an empty colony\n");
    EXPECT_EQ(kt::read_file("o.txt"), "");

    // Files the user may not read, in a child that drops root's privileges.
    kt::set_mode(".", 0755);
    kt::set_mode("g.vdna", 0);
    kt::set_mode("c.txt", 0);
    for (const char* option : {"--genome", "--cells"}) {
        const char* path = option == std::string("--genome") ? "g.vdna" : "c.txt";
        r = kt::batch_in_child({.unprivileged = true}, {option, path, "--frames", "1"});
        if (r.status == kt::kNoFaultHere) GTEST_SKIP() << "cannot drop privileges to user 65534";
        EXPECT_EQ(r.status, kExitUsage) << option;
        EXPECT_EQ(r.err, std::string("kelvaro-batch: cannot read ") +
                             (path[0] == 'g' ? "genome" : "cells") + " '" + path +
                             "': Permission denied\n");
    }
}

TEST_F(FileTest, OutputsThatCannotBeWrittenKeepThePreviousFiles) {
    std::filesystem::create_directory("ro");
    kt::write_file("ro/o.txt", "old colony\n");
    kt::write_file("o.txt", "old colony\n");
    kt::write_file("s.csv", "old stats\n");
    kt::set_mode(".", 0755);
    kt::set_mode("ro", 0555);
    // A folder the user may not write is found before the first frame.
    Outcome r = kt::batch_in_child({.unprivileged = true},
                                   {"--frames", "1", "--quiet", "--out", "ro/o.txt"});
    if (r.status == kt::kNoFaultHere) GTEST_SKIP() << "cannot drop privileges to user 65534";
    EXPECT_EQ(r.status, kExitOutput);
    EXPECT_EQ(r.err, "kelvaro-batch: cannot write 'ro/o.txt': Permission denied\n");
    // A full disk shows only when the outputs are written: both are reported.
    r = kt::batch_in_child({.file_size = 256},
                           {"--genome", kGenome, "--cells", kColony, "--division", "--frames", "20",
                            "--quiet", "--out", "o.txt", "--stats", "s.csv"});
    EXPECT_EQ(r.status, kExitOutput);
    EXPECT_EQ(r.err,
              "kelvaro-batch: cannot write 'o.txt': File too large\n"
              "kelvaro-batch: cannot write 's.csv': File too large\n");
    EXPECT_EQ(kt::read_file("ro/o.txt"), "old colony\n");
    EXPECT_EQ(kt::read_file("o.txt"), "old colony\n");
    EXPECT_EQ(kt::read_file("s.csv"), "old stats\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 3);  // no temporary
    // A folder under the output's name is found only at the rename, after the
    // run: the folder stays empty, and the other output is written.
    std::filesystem::create_directory("taken");
    r = batch({"--frames", "2", "--quiet", "--out", "taken", "--stats", "s.csv"});
    EXPECT_EQ(r.status, kExitOutput);
    EXPECT_EQ(lines(r.err), 1) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty("taken"));
    EXPECT_EQ(read_csv("s.csv").size(), 4u);
}

// --reload-every K does what the reload key does at the start of frames K, 2K...
TEST_F(FileTest, ReloadEveryKIsTheReloadKeyAtFramesKAnd2K) {
    ASSERT_EQ(
        grow("9", {"--gravity", "--frames", "9", "--divide-all-at", "6", "--reload-every", "4"})
            .status,
        kExitOk);
    const std::vector<Cell> table = live_table();
    const auto types = copy_grid(world), heights = copy_grid(world_gravity);
    const std::uint64_t rng = rng_state();

    // The window program reloads its fixed file names.
    kt::write_file(kGenomeFile, kt::read_file(kGenome));
    kt::write_file(kCellFile, kt::read_file(kColony));
    kt::reset_world();
    init_infra();
    load_dna_from(kGenome.c_str(), nullptr);
    load_file_from(kColony.c_str(), kLoadShift);
    k_v = k_g = 1;
    rng_seed(9);
    int before_reload = 0;
    for (int frame = 1; frame <= 9; ++frame) {
        settle_signal(1);
        kReturn = frame == 6;
        kSpace = frame % 4 == 0;
        if (frame == 8) before_reload = Cells_count;
        frame_pass();
    }
    EXPECT_GT(before_reload, 42 + 20);  // the colony grew, and the reload took it back
    EXPECT_EQ(live_table(), table);
    EXPECT_TRUE(copy_grid(world) == types);
    EXPECT_TRUE(copy_grid(world_gravity) == heights);
    EXPECT_EQ(rng_state(), rng);
}

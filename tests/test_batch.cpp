// kelvaro-batch: reproducible runs, the same frames as the window program, the
// outputs a person opens afterwards, and the messages and exit statuses.
#include "support.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "batch.h"

using kt::FileTest;

namespace {

const std::string kData = KELVARO_BATCH_DATA;
const std::string kGenome = kData + "/genome.vdna";
const std::string kColony = kData + "/colony.txt";

struct Outcome {
    int status;
    std::string err;
};

// Runs the program in-process with standard error captured.
Outcome batch(std::vector<std::string> args) {
    args.insert(args.begin(), "kelvaro-batch");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    char *err_text = nullptr, *out_text = nullptr;
    std::size_t err_len = 0, out_len = 0;
    std::FILE* err = open_memstream(&err_text, &err_len);
    std::FILE* out = open_memstream(&out_text, &out_len);
    const int status = batch_main(int(args.size()), argv.data(), out, err);
    std::fclose(err);
    std::fclose(out);
    Outcome r{status, std::string(err_text, err_len)};
    std::free(err_text);
    std::free(out_text);
    return r;
}

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
    struct Case {
        std::vector<std::string> args;
        const char* names;
    } cases[] = {
        {{"--genome", "absent.vdna"}, "absent.vdna"},
        {{"--cells", "absent.txt"}, "absent.txt"},
        {{"--cells", "."}, "'.'"},  // a folder is not a colony
        {{"--frames", "12x"}, "--frames"},
        {{"--frames", "-1"}, "--frames"},
        {{"--divide-all-at", "3,,4", "--frames", "9"}, "--divide-all-at"},
        {{"--divide-all-at", "0"}, "--divide-all-at"},
        {{"--frames=5", "--divide-all-at", "6"}, "frame 6"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"--frames"}, "--frames"},
        {{"--snapshot-every", "5"}, "--snapshot-dir"},
        {{"--snapshot-dir", "d"}, "--snapshot-every"},
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
    EXPECT_FALSE(std::filesystem::exists("d"));
}

TEST_F(FileTest, AnOutputThatCannotBeWrittenExitsOneAndLeavesNoFile) {
    // A missing folder is found before the run.
    Outcome r = batch({"--frames", "2", "--quiet", "--out", "nowhere/o.txt"});
    EXPECT_EQ(r.status, kExitOutput);
    EXPECT_NE(r.err.find("nowhere/o.txt"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("nowhere"));
    // A folder under the output's name is found only at the rename, after the
    // run: the folder stays, no temporary file is left, the other output is written.
    std::filesystem::create_directory("taken");
    r = batch({"--frames", "2", "--quiet", "--out", "taken", "--stats", "s.csv"});
    EXPECT_EQ(r.status, kExitOutput);
    EXPECT_EQ(lines(r.err), 1) << r.err;
    EXPECT_TRUE(std::filesystem::is_empty("taken"));
    EXPECT_EQ(read_csv("s.csv").size(), 4u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2);
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

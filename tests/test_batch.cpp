// kelvaro-batch: reproducible runs, the same frames as the window program, the
// outputs a person opens afterwards, and the messages and exit statuses.
#include "support.h"

#include <sstream>

#include "app/checkpoint.h"
#include "batch_run.h"

using kt::batch;
using kt::Outcome;
using kt::operator+;
using Batch = kt::FileTest;

namespace {

// A quiet run of the fixed genome and colony, whose division genes fire.
void grow(const std::string& seed, const std::string& more) {
    kt::run_ok(kt::Args{"--genome", KELVARO_BATCH_DATA "/genome.vdna", "--cells",
                        KELVARO_BATCH_DATA "/colony.txt", "--seed", seed} +
               kt::words("--division --quiet " + more));
}

// The whole state (table, grids, generator, genome) as checkpoint bytes.
std::string state() {
    EXPECT_TRUE(save_checkpoint("state.ckpt", 0, CheckpointView{}));
    return kt::read_file("state.ckpt");
}

}  // namespace

// One command line checked three ways: run twice it gives the same files
// (elapsed_ms aside) and another seed another colony, its final colony matches
// a stored hash, and its snapshots come every K frames.
TEST_F(Batch, RunsRepeatMatchTheGoldenHashAndSnapshotEveryKFrames) {
    for (const std::string t : {"a", "b", "c"})
        grow(t == "c" ? "8" : "7", "--frames 30 --divide-all-at 10 --out " + t + ".txt --stats " +
                                       t + ".csv --snapshot-every 12 --snapshot-dir " + t +
                                       "/snaps");
    // If the hash changes, the simulation changed behaviour.
    const std::string out = kt::read_file("a.txt");
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (unsigned char c : out) hash = (hash ^ c) * 1099511628211ULL;
    EXPECT_EQ(hash, 0x2aa746b40ca627fbULL);
    EXPECT_EQ(kt::read_file("b.txt"), out);
    EXPECT_NE(kt::read_file("c.txt"), out);
    EXPECT_EQ(kt::csv_rows("a.csv"), kt::csv_rows("b.csv"));
    EXPECT_EQ(kt::entries("a/snaps"), 4);  // frames 12 and 24, as text and VTK
    // The VTK file's points and types are the colony of the same frame.
    std::istringstream txt(kt::read_file("a/snaps/cells-000024.txt"));
    std::string points, types;
    int n = 0;
    for (std::string t, x, y, z; txt >> t >> x >> y >> z; ++n) {
        points += x + ' ' + y + ' ' + z + '\n';
        types += t + '\n';
    }
    const std::string vtk = kt::read_file("a/snaps/cells-000024.vtk");
    EXPECT_TRUE(vtk.starts_with("# vtk DataFile Version"));
    EXPECT_NE(vtk.find("POINTS " + std::to_string(n) + " int\n" + points), vtk.npos);
    EXPECT_NE(vtk.find("LOOKUP_TABLE default\n" + types), vtk.npos);
}

// The batch loop must be the window program's frame pass, not a copy of it:
// the same draws in the same order leave the same table, grids and generator.
// Without settling passes a loop that ignored the count would settle a field
// that births left as they were; --reload-every K is the reload key at K, 2K.
TEST_F(Batch, FramesMatchTheWindowProgramsFramePass) {
    kt::write_file(kGenomeFile, kt::read_file(KELVARO_BATCH_DATA "/genome.vdna"));  // for reloads
    kt::write_file(kCellFile, kt::read_file(KELVARO_BATCH_DATA "/colony.txt"));
    grow("5", "--frames 9 --gravity --divide-all-at 6 --reload-every 4 --signal-passes 0");
    const std::string run = state();
    kt::reset_world();
    init_view_flags();
    load_genome_from(kGenomeFile, nullptr);
    load_cell_list_from(kCellFile, kLoadShift);
    k_v = k_g = 1;
    rng_seed(5);
    for (int frame = 1; frame <= 9; ++frame) {
        history_frame = frame;  // the history is part of the state
        kReturn = frame == 6;
        kSpace = frame % 4 == 0;
        frame_pass();
        EXPECT_TRUE(frame != 7 || Cells_count > 42 + 20);  // the colony grew: a telling test
    }
    EXPECT_TRUE(state() == run);
}

TEST_F(Batch, StatsHoldEveryFrameAndAColumnForEveryTypeThatEverOccurs) {
    // The one type-1 cell lies where channels 2 and 3 meet and switches to type
    // 150 in frame 1: type 1 dies out but keeps its column, 150 counts as other.
    kt::write_file("g.vdna", "EN=2;EN=3;EX=150;\n");
    kt::write_file("c.txt", "2 10 10 10\n1 11 10 10\n3 12 10 10\n");
    kt::run_ok(kt::words("--genome g.vdna --cells c.txt --frames 3 --stats s.csv --quiet"));
    EXPECT_EQ(
        kt::csv_rows("s.csv"),
        (std::vector<std::string>{"frame,cells,type_1,type_2,type_3,type_other", "0,3,1,1,1,0",
                                  "1,3,0,1,1,1", "2,3,0,1,1,1", "3,3,0,1,1,1"}));
}

TEST_F(Batch, LoadsApplyTheShiftCountSkippedRecordsAndWarnAboutEmptyInputs) {
    const auto load = [](const kt::Args& more) {
        return batch(more + kt::Args{"--frames", "0", "--quiet", "--out", "o.txt"}).err;
    };
    EXPECT_EQ(load({}), "");
    EXPECT_EQ(kt::read_file("o.txt"), "1 20 20 50\n");  // the seed cell
    kt::write_file("c.txt", "1 5 5 5\n1 170 5 5\n1 5 -45 5\n150 5 5 6\n1 5 6 7\nend\n");
    EXPECT_TRUE(kt::one_line_naming(load({"--cells", "c.txt"}),
                                    "c.txt: 3 cells loaded; skipped: outside=2 table_full=0 "));
    // Loaded again unshifted, the saved colony comes back where it was.
    std::filesystem::rename("o.txt", "c.txt");
    EXPECT_EQ(load({"--cells", "c.txt", "--shift", "0"}), "");
    EXPECT_EQ(kt::read_file("o.txt"), "1 45 45 5\n150 45 45 6\n1 45 46 7\n");
}

// Standard error here is not a terminal: the summary only, unless told otherwise.
TEST_F(Batch, SummaryFollowsQuietAndThreadedRunsStopTheWorker) {
    EXPECT_TRUE(kt::one_line_naming(batch({"--frames", "3"}).err, ": 3 frames, 1 cells, "));
    EXPECT_EQ(batch({"--frames", "3", "--quiet", "--threaded"}).err, "");
    EXPECT_FALSE(signal_worker_running());
}

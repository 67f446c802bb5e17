// kelvaro-batch with checkpoints: a run split by a checkpoint writes what the
// whole run writes, the switches come from the checkpoint unless the command
// line changes them, bad checkpoints write nothing, and a run stopped by
// SIGTERM keeps its work and resumes to the unstopped run's colony.
#include "support.h"

#include <signal.h>
#include <sys/wait.h>

#include "batch_run.h"

using kt::Args;
using kt::batch;
using kt::Outcome;
using kt::operator+;
using kt::run_ok;

namespace {

class CheckpointBatch : public kt::FileTest {};

// Division, gravity (pushed cells walk) and the test colony's division genes.
const Args kGrow = {"--genome",   KELVARO_BATCH_DATA "/genome.vdna",
                    "--cells",    KELVARO_BATCH_DATA "/colony.txt",
                    "--division", "--gravity",
                    "--seed",     "9",
                    "--quiet"};

bool same_files(const std::string& a, const std::string& b) {
    return kt::read_file(a) == kt::read_file(b) && !kt::read_file(a).empty();
}

// The real program in a child, sent `signals` SIGTERMs, the first once a frame
// is reported; returns its exit status and standard error.
Outcome stopped_run(const Args& args, int signals) {
    std::string command = "echo $$; exec " KELVARO_BATCH_BINARY;
    for (const std::string& a : args) command += " " + a;
    std::FILE* child = popen((command + " 2>&1 >/dev/null").c_str(), "r");
    int pid = 0;
    if (!child || std::fscanf(child, "%d", &pid) != 1) return {-1, "cannot start"};
    std::string err;
    for (int c, sent = 0; (c = std::fgetc(child)) != EOF;) {
        err += char(c);
        // The second once the progress line ends: the run has left its frames.
        if (sent < signals && (sent == 0 ? err.ends_with("\rframe ") : c == '\n')) {
            kill(pid, SIGTERM);
            ++sent;
        }
    }
    const int status = pclose(child);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

}  // namespace

TEST_F(CheckpointBatch, ARunSplitByACheckpointWritesWhatTheWholeRunWrites) {
    run_ok(kGrow + kt::words("--frames 20 --divide-all-at 4,15 --out w.txt --stats w.csv "
                             "--snapshot-every 5 --snapshot-dir w --checkpoint-every 10 "
                             "--checkpoint-dir wc --lineage wl.csv --events we.csv"));
    run_ok(kGrow + kt::words("--frames 10 --divide-all-at 4 --snapshot-every 5 --snapshot-dir s "
                             "--checkpoint a.ckpt --events ae.csv"));
    run_ok(
        kt::words("--resume a.ckpt --frames 10 --divide-all-at 15 --out b.txt --stats b.csv "
                  "--snapshot-every 5 --snapshot-dir s --checkpoint b.ckpt --lineage bl.csv "
                  "--events be.csv --quiet"));
    EXPECT_TRUE(same_files("w.txt", "b.txt"));
    EXPECT_TRUE(same_files("wl.csv", "bl.csv"));
    // The two events files joined (the second's header dropped) are the whole run's.
    const std::string second = kt::read_file("be.csv");
    EXPECT_EQ(kt::read_file("ae.csv") + second.substr(second.find('\n') + 1),
              kt::read_file("we.csv"));
    EXPECT_NE(second.find("\n15,divide,"), std::string::npos);  // both halves hold events
    EXPECT_GT(kt::read_file("w.txt").size(), 42u * 8 * 2);      // the colony grew
    EXPECT_TRUE(same_files("wc/checkpoint-000010.kck", "a.ckpt"));
    EXPECT_TRUE(same_files("wc/checkpoint-000020.kck", "b.ckpt"));
    EXPECT_EQ(kt::entries("s"), kt::entries("w"));
    for (const auto& e : std::filesystem::directory_iterator("w"))
        EXPECT_TRUE(same_files(e.path(), "s" / e.path().filename())) << e.path();
    // The resumed table is the whole table's from the resumed frame on.
    std::vector<std::string> whole = kt::csv_rows("w.csv");
    whole.erase(whole.begin() + 1, whole.begin() + 11);  // frames 0 to 9 after the header
    EXPECT_EQ(kt::csv_rows("b.csv"), whole);
}

TEST_F(CheckpointBatch, SwitchesComeFromTheCheckpointUnlessTheCommandLineSetsThem) {
    run_ok({"--frames", "2", "--division", "--checkpoint", "a.ckpt", "--quiet"});
    const std::tuple<Args, int, int> cases[] = {{{"--gravity"}, 1, 1}, {{"--no-division"}, 0, 0}};
    for (const auto& [more, division, gravity] : cases) {
        run_ok(Args{"--resume", "a.ckpt", "--frames", "1", "--quiet"} + more);
        EXPECT_EQ(std::pair(int(k_v), int(k_g)), std::pair(division, gravity)) << more[0];
    }
}

TEST_F(CheckpointBatch, BadCommandLinesAndCheckpointsExitTwoWithOneLineAndWriteNothing) {
    run_ok({"--frames", "2", "--checkpoint", "a.ckpt", "--quiet"});
    kt::write_file("bad.ckpt", "KELVCKPT");
    const std::pair<Args, const char*> cases[] = {
        {{"--resume", "bad.ckpt"}, "cannot resume from 'bad.ckpt': truncated"},
        {{"--resume", "a.ckpt", "--seed", "3"}, "cannot be combined with --seed"},
        {{"--resume", "a.ckpt", "--divide-all-at", "2"}, "frame 2 lies outside"},
        {{"--division", "--no-division"}, "exclude each other"},
        {{"--checkpoint-every", "5"}, "needs --checkpoint-dir"},
        {{"--frames", "12x"}, "--frames: '12x'"},
        {{"--frames=5", "--divide-all-at", "6"}, "frame 6"},
        {{"--reload-every", "2"}, "nothing to reload"},
        {{"--threaded", "--signal-passes", "2"}, "--threaded"},
        {{"--html-every", "5"}, "--html-every needs --html"},
        {{"--html", "p.html", "--html-every", "0"}, "--html-every: '0'"},
    };
    for (const auto& [args, names] : cases) {
        const Outcome r = batch(args + Args{"--out", "o.txt", "--checkpoint", "c.ckpt"});
        EXPECT_EQ(r.status, kExitUsage) << names;
        EXPECT_TRUE(kt::one_line_naming(r.err, names)) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("o.txt") || std::filesystem::exists("c.ckpt") ||
                 std::filesystem::exists("p.html"));
}

TEST_F(CheckpointBatch, SigtermFinishesTheFrameWritesTheOutputsAndTheRunResumes) {
    const auto outputs = [](const std::string& dir) {
        return kt::words("--frames 100000 --progress --stats " + dir + "t.csv --out " + dir +
                         "t.txt --checkpoint " + dir + "t.ckpt --lineage " + dir +
                         "t.lin --events " + dir + "t.evt");
    };
    Outcome r = stopped_run(kGrow + outputs(""), 1);
    ASSERT_EQ(r.status, kExitSignalBase + SIGTERM) << r.err;
    const std::size_t at = r.err.find("stopped by signal 15 after frame ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const int frame = std::stoi(r.err.substr(at + 33));
    const std::string csv = kt::read_file("t.csv");  // a header and the rows from 0 to `frame`
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), frame + 2);
    // A lineage row per cell of the colony, and the events up to that frame, whole.
    const std::string cells = kt::read_file("t.txt"), lineage = kt::read_file("t.lin");
    EXPECT_EQ(std::count(lineage.begin(), lineage.end(), '\n'),
              std::count(cells.begin(), cells.end(), '\n') + 1);
    const std::string events = kt::read_file("t.evt");
    EXPECT_TRUE(events.ends_with("\n") && events.starts_with("frame,event,"));
    run_ok({"--resume", "t.ckpt", "--frames", "5", "--out", "r.txt", "--quiet"});
    run_ok(kGrow + Args{"--frames", std::to_string(frame + 5), "--out", "u.txt"});
    EXPECT_TRUE(same_files("r.txt", "u.txt"));

    // A second signal while the outputs are written stops at once and leaves
    // no temporary file.
    std::filesystem::create_directory("hard");
    r = stopped_run(kGrow + outputs("hard/"), 2);
    EXPECT_EQ(r.status, kExitSignalBase + SIGTERM);
    EXPECT_EQ(r.err.find("outputs written"), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator("hard"))
        EXPECT_EQ(e.path().stem(), "t") << e.path();
}

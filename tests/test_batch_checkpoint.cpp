// kelvaro-batch with checkpoints: a run split by a checkpoint writes what the
// whole run writes, the switches come from the checkpoint unless the command
// line changes them, bad checkpoints write nothing, and a run stopped by
// SIGTERM keeps its work and resumes to the unstopped run's colony.
#include "support.h"

#include <signal.h>
#include <sys/wait.h>

#include <map>
#include <sstream>

#include "batch_run.h"

using kt::Args;
using kt::batch;
using kt::Outcome;
using kt::operator+;

namespace {

class CheckpointBatch : public kt::FileTest {};

const std::string kGenome = KELVARO_BATCH_DATA "/genome.vdna";
const std::string kColony = KELVARO_BATCH_DATA "/colony.txt";

// Division, gravity (pushed cells walk) and the test colony's division genes.
const Args kGrow = {"--genome",  kGenome,  "--cells", kColony,  "--division",
                    "--gravity", "--seed", "9",       "--quiet"};

void run_ok(const Args& args) {
    const Outcome r = batch(args);
    ASSERT_EQ(r.status, kExitOk) << r.err;
}

// The stats by frame and column, without elapsed_ms; a type without a column reads 0.
using Stats = std::map<int, std::map<std::string, std::string>>;
Stats stats_of(const std::string& path) {
    std::istringstream in(kt::read_file(path));
    std::string header, line, cell;
    std::getline(in, header);
    Stats s;
    while (std::getline(in, line)) {
        std::istringstream h(header), row(line);
        std::map<std::string, std::string> cols;
        for (std::string name; std::getline(h, name, ',') && std::getline(row, cell, ',');)
            if (name == "frame" || (name != "elapsed_ms" && cell != "0")) cols[name] = cell;
        s[std::stoi(cols["frame"])] = cols;
    }
    return s;
}

bool same_files(const std::string& a, const std::string& b) {
    return kt::read_file(a) == kt::read_file(b) && !kt::read_file(a).empty();
}

bool has_row(const std::string& csv, int frame) {
    const std::string row = '\n' + std::to_string(frame) += ',';
    return kt::read_file(csv).find(row) != std::string::npos;
}

}  // namespace

TEST_F(CheckpointBatch, ARunSplitByACheckpointWritesWhatTheWholeRunWrites) {
    run_ok(kGrow + Args{"--frames", "20", "--divide-all-at", "4,15", "--out", "w.txt", "--stats",
                        "w.csv", "--snapshot-every", "5", "--snapshot-dir", "w",
                        "--checkpoint-every", "10", "--checkpoint-dir", "wc"});
    run_ok(kGrow + Args{"--frames", "10", "--divide-all-at", "4", "--stats", "a.csv",
                        "--snapshot-every", "5", "--snapshot-dir", "s", "--checkpoint", "a.ckpt"});
    run_ok({"--resume", "a.ckpt", "--frames", "10", "--divide-all-at", "15", "--out", "b.txt",
            "--stats", "b.csv", "--snapshot-every", "5", "--snapshot-dir", "s", "--checkpoint",
            "b.ckpt", "--quiet"});
    EXPECT_TRUE(same_files("w.txt", "b.txt"));
    EXPECT_GT(kt::read_file("w.txt").size(), 42u * 8 * 2);  // the colony grew
    EXPECT_TRUE(same_files("wc/checkpoint-000010.kck", "a.ckpt"));
    EXPECT_TRUE(same_files("wc/checkpoint-000020.kck", "b.ckpt"));
    for (const char* snap : {"05", "10", "15", "20"})
        for (const char* ext : {".txt", ".vtk"}) {
            const std::string name = std::string("/cells-0000") + snap + ext;
            EXPECT_TRUE(same_files("w" + name, "s" + name)) << name;
        }
    // The resumed table starts at the resumed frame; together they are the whole table.
    EXPECT_TRUE(has_row("b.csv", 10) && !has_row("b.csv", 9));
    Stats split = stats_of("a.csv");
    const Stats b = stats_of("b.csv");
    EXPECT_EQ(split.at(10), b.at(10));
    split.insert(b.begin(), b.end());
    EXPECT_EQ(split, stats_of("w.csv"));
}

TEST_F(CheckpointBatch, SwitchesComeFromTheCheckpointUnlessTheCommandLineSetsThem) {
    run_ok({"--frames", "2", "--division", "--checkpoint", "a.ckpt", "--quiet"});
    const struct {
        Args more;
        int division, gravity;
    } cases[] = {{{}, 1, 0}, {{"--no-division", "--gravity"}, 0, 1}, {{"--gravity"}, 1, 1}};
    for (const auto& c : cases) {
        run_ok(Args{"--resume", "a.ckpt", "--frames", "1", "--quiet"} + c.more);
        EXPECT_EQ(std::pair(int(k_v), int(k_g)), std::pair(c.division, c.gravity));
    }
    // A checkpoint of the window program resumes too; its view is ignored.
    CheckpointView view;
    view.present = true;
    ASSERT_TRUE(save_checkpoint("window.ckpt", 7, view));
    run_ok({"--resume", "window.ckpt", "--frames", "1", "--stats", "s.csv", "--quiet"});
    EXPECT_TRUE(has_row("s.csv", 8));
}

TEST_F(CheckpointBatch, BadCheckpointsAndCombinationsExitTwoWithOneLineAndWriteNothing) {
    run_ok({"--frames", "2", "--checkpoint", "a.ckpt", "--quiet"});
    std::string bad = kt::read_file("a.ckpt");
    bad[bad.size() / 2] ^= 1;
    kt::write_file("bad.ckpt", bad);
    const struct {
        Args args;
        const char* names;
    } cases[] = {
        {{"--resume", "absent.ckpt"}, "cannot resume from 'absent.ckpt'"},
        {{"--resume", "bad.ckpt"}, "'bad.ckpt': bad checksum"},
        {{"--resume", "a.ckpt", "--genome", kGenome}, "cannot be combined with --genome"},
        {{"--resume", "a.ckpt", "--seed", "3"}, "cannot be combined with --seed"},
        {{"--resume", "a.ckpt", "--divide-all-at", "2"}, "frame 2 lies outside"},
        {{"--division", "--no-division"}, "exclude each other"},
        {{"--checkpoint-every", "5"}, "needs --checkpoint-dir"},
    };
    for (const auto& c : cases) {
        const Outcome r = batch(c.args + Args{"--out", "o.txt", "--checkpoint", "c.ckpt"});
        EXPECT_EQ(r.status, kExitUsage) << c.names;
        EXPECT_TRUE(kt::one_line_naming(r.err, c.names)) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("o.txt") || std::filesystem::exists("c.ckpt"));
}

namespace {

// The real program in a child, stopped by `signals` SIGTERMs once its first
// frame is done; returns its exit status and standard error.
Outcome stopped_run(const Args& args, int signals) {
    Args all = Args{KELVARO_BATCH_BINARY} + args;
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return {-1, "pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string err;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) {
        const bool first_frame = err.find("\rframe ") == std::string::npos;
        err.append(buf, std::size_t(n));
        if (first_frame && err.find("\rframe ") != std::string::npos)
            for (int s = 0; s < signals; ++s) kill(pid, SIGTERM);
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
}

}  // namespace

TEST_F(CheckpointBatch, SigtermFinishesTheFrameWritesTheOutputsAndTheRunResumes) {
    const Args outputs = {"--frames", "100000", "--progress",   "--stats", "t.csv",
                          "--out",    "t.txt",  "--checkpoint", "t.ckpt"};
    Outcome r = stopped_run(kGrow + outputs, 1);
    ASSERT_EQ(r.status, kExitSignalBase + SIGTERM) << r.err;
    const std::size_t at = r.err.find("stopped by signal 15 after frame ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const int frame = std::stoi(r.err.substr(at + 33));
    EXPECT_EQ(stats_of("t.csv").rbegin()->first, frame);
    EXPECT_EQ(stats_of("t.csv").size(), std::size_t(frame) + 1);

    run_ok({"--resume", "t.ckpt", "--frames", "5", "--out", "r.txt", "--quiet"});
    run_ok(kGrow + Args{"--frames", std::to_string(frame + 5), "--out", "u.txt"});
    EXPECT_TRUE(same_files("r.txt", "u.txt"));

    // A second signal stops at once: no temporary file is left, nothing half written.
    std::filesystem::create_directory("hard");
    std::filesystem::current_path("hard");
    r = stopped_run(kGrow + outputs, 2);
    std::filesystem::current_path("..");
    EXPECT_EQ(r.status, kExitSignalBase + SIGTERM);
    for (const auto& e : std::filesystem::directory_iterator("hard")) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "t.csv" || name == "t.txt" || name == "t.ckpt") << name;
    }
}

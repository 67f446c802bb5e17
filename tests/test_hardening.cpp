// Hardening: every loader against inputs that are not what it expects, every
// writer against the faults a disk can throw, and frames at the table's capacity.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <random>

#include "app/checkpoint.h"
#include "batch_run.h"
#include "support.h"
#include "view/page_file.h"
#include "view/png_file.h"

using Hardening = kt::FileTest;

namespace {

// The child could not take on its limits; the test cannot be made here.
constexpr int kNoFaultHere = 77;

// Runs fn() (returning an exit code) in a forked child, as the unprivileged
// user 65534 when asked and root (so that file modes bite) and, for a
// file_size of 0 or more, failing writes past that many bytes as a full disk
// does; returns its exit code, or -1 when it died of a signal.
int in_child(bool unprivileged, long long file_size, const std::function<int()>& fn) {
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{rlim_t(file_size), rlim_t(file_size)};
        std::signal(SIGXFSZ, SIG_IGN);  // the writer sees the error instead
        if (file_size >= 0 && setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(kNoFaultHere);
        if (unprivileged && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(kNoFaultHere);
        _exit(fn());
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What loader 0 (genome), 1 (cells), 2 or 3 (kelvaro-batch --genome, --cells)
// made of `path`: {opened, genes or cells now}, or {status, the message is one
// line that holds `says`}.
std::pair<int, int> load_with(int loader, const char* path, const char* says) {
    kt::place(1, 50, 50, 50);  // a colony that a cell load must clear
    if (loader == 0) return {load_genome_from(path, nullptr).opened, DNA_Count};
    if (loader == 1)
        return {load_cell_list_from(path, kLoadShift).opened, Cells_count + world[50][50][50]};
    const kt::Outcome r =
        kt::batch({loader == 2 ? "--genome" : "--cells", path, "--frames", "0", "--quiet"});
    return {r.status, kt::one_line_naming(r.err, says)};
}

}  // namespace

TEST_F(Hardening, UnusableInputsTimesLoaders) {
    std::filesystem::create_directory("folder");
    kt::write_file("empty", "");
    kt::write_file("binary", std::string("\0 1 1 1 1\n", 10));  // a record after the NUL
    kt::write_file("locked", "EX=3;\n1 1 1 1\n");
    chmod(".", 0755);
    chmod("locked", 0);
    // What the genome and the cell loader find, and kelvaro-batch's status and
    // message for either option.
    // Binary data is refused by the genome loader (the genome in force stays)
    // and by kelvaro-batch; the window's cell loader reads what text it finds.
    const struct {
        const char* input;
        int genome_opened, cells_opened, status;
        const char* says;
    } cases[] = {{"missing", 0, 0, 2, "'missing': No such file"},
                 {"folder", 0, 0, 2, "'folder': not a regular file"},
                 {"empty", 1, 1, 0, "empty: no "},
                 {"binary", 0, 1, 2, "'binary': binary data"},
                 {"locked", 0, 0, 2, "'locked': Permission denied"}};
    for (const auto& k : cases)
        for (int loader = 0; loader < 4; ++loader) {
            const std::pair<int, int> want[] = {
                {k.genome_opened, 0}, {k.cells_opened, 0}, {k.status, 1}};
            const int code = in_child(true, -1, [&] {
                kt::reset_world();
                return load_with(loader, k.input, k.says) == want[std::min(loader, 2)] ? 0 : 1;
            });
            if (code == kNoFaultHere) GTEST_SKIP() << "cannot drop privileges to user 65534";
            EXPECT_EQ(code, 0) << k.input << ", loader " << loader;
        }
}

TEST_F(Hardening, WriteFaultsTimesWritersKeepThePreviousFile) {
    kt::write_file(kGenomeFile, kt::sample_genome(kMaxGenes));  // a dump of about 3.5 KB
    load_genome_from(kGenomeFile, nullptr);
    kt::ball(2000, 3);
    save_cell_list_to("big.txt");
    std::vector<std::uint8_t> noise(3 * 100 * 100);
    std::generate(noise.begin(), noise.end(), std::mt19937(1));
    const auto batch = [](const char* option) {
        const kt::Outcome r =
            kt::batch({"--cells", "big.txt", "--frames", "40", "--quiet", option, "w/out"});
        return r.status == kExitOutput && kt::one_line_naming(r.err, "cannot write 'w/out': ");
    };
    const std::function<bool()> writers[] = {
        [] { return !save_cell_list_to("w/out"); },
        [] { return !save_genome_dump_to("w/out"); },
        [] { return !save_checkpoint("w/out", 3, CheckpointView{}); },
        [&] { return !PngWriter(PngLevel::Default).write("w/out", 100, 100, noise.data()); },
        [&] { return batch("--out"); },
        [&] { return batch("--stats"); },
        [] { return !write_colony_page("w/out", PageInfo{}, 3); },
        [&] { return batch("--html"); },
    };
    // A folder the user may not write, a disk that fills up, a folder under the name.
    chmod(".", 0755);
    for (int f = 0; f < 3; ++f)
        for (int w = 0; w < int(std::size(writers)); ++w) {
            std::filesystem::remove_all("w");
            std::filesystem::create_directories(f == 2 ? "w/out" : "w");
            if (f != 2) kt::write_file("w/out", "old\n");
            chmod("w", f == 0 ? 0555 : 0755);
            const int code =
                in_child(f == 0, f == 1 ? 512 : -1, [&] { return writers[w]() ? 0 : 1; });
            chmod("w", 0755);
            if (code == kNoFaultHere) GTEST_SKIP() << "cannot drop privileges or limit files";
            EXPECT_EQ(code, 0) << "fault " << f << ", writer " << w;
            EXPECT_EQ(kt::entries("w"), 1) << "fault " << f << ", writer " << w;  // no temporary
            EXPECT_TRUE(f == 2 ? kt::entries("w/out") == 0 : kt::read_file("w/out") == "old\n");
        }
}

// The worst frame: a file of more records than the table holds, then 200 genes
// that keep every cell undifferentiated and try to divide it one draw in ten,
// with gravity on and a divide-all, while the table stays full.
TEST_F(Hardening, AFullTableLoadsAndRunsWithoutABirthOrAStraySite) {
    std::string genome, cells;
    for (int k = 0; k < kMaxGenes; ++k) genome += "EN=1;EN=1;EX=1;MPF=1;\n";
    for (int x = 2; x <= 200; x += 2)  // every other x plane: each cell has room to divide
        for (int y = 1; y <= 150; ++y)
            for (int z = 1; z <= 14; ++z)
                cells += "1 " + std::to_string(x) + " " + std::to_string(y) + " " +
                         std::to_string(z) + "\n";
    kt::write_file(kGenomeFile, genome);
    kt::write_file(kCellFile, cells);
    ASSERT_EQ(load_genome_from(kGenomeFile, nullptr).genes, kMaxGenes);
    const CellLoadReport r = load_cell_list_from(kCellFile, 0);
    EXPECT_EQ(std::pair(r.loaded, r.table_full), std::pair(kMaxCells, true));
    k_v = k_g = kReturn = 1;
    frame_pass();
    EXPECT_EQ(Cells_count, kMaxCells);
    std::vector<char> taken(kSites);  // every record on a site of its own, which says its type
    for (int i = 0; i < Cells_count; ++i) {
        const TCells& c = Cells[i];
        ASSERT_TRUE(interior(c.x, c.y, c.z) && world[c.x][c.y][c.z] == 1) << i;
        ASSERT_EQ(taken[(std::size_t(c.x) * kAxis + c.y) * kAxis + c.z]++, 0) << i;
    }
}

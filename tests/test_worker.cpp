// The signal worker against a live colony. Built and run under ThreadSanitizer
// too: the main thread churns the colony while the worker updates the field.
#include "support.h"

#include <chrono>

using kt::FileTest;
using kt::WorldTest;

namespace {

double soak_seconds(double fallback) {
    const char* s = std::getenv("KELVARO_SOAK_SECONDS");
    return s ? std::atof(s) : fallback;
}

bool wait_for_passes(std::uint64_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::uint64_t start = signal_worker_passes();
    while (signal_worker_passes() < start + n)
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

}  // namespace

TEST_F(WorldTest, WorkerSettlesTheFieldOfASeededWorld) {
    Cells_Init();
    signal_worker_start();
    ASSERT_TRUE(wait_for_passes(3));
    EXPECT_EQ(ld(world_signal[20][20][50][1]), 3);
    signal_worker_stop();
    EXPECT_FALSE(signal_worker_running());
}

TEST_F(WorldTest, ReadersNeverSeeAHalfDoneLevel) {
    // Muted cells next to a strong emitter: while the worker runs, a muted level
    // must read 0 and the emitter's own level its strength at every instant,
    // never the relayed value on its way to the final one.
    DNA[0].Exon[0] = 4;
    DNA[0].Silencer[0] = 17;
    DNA_Count = 1;
    genome_changed();
    const int emitter = kt::place(17, 60, 60, 60);
    std::vector<int> muted;
    for (int x = 50; x < 70; ++x)
        for (int y = 55; y < 66; ++y)
            if (!(x == 60 && y == 60)) muted.push_back(kt::place(4, x, y, 60));
    kt::place(17, 60, 60, 61);  // a second emitter next to the first
    signal_worker_start();
    ASSERT_TRUE(wait_for_passes(2));
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(soak_seconds(0.5));
    long reads = 0, bad = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int m : muted) bad += ld(world_signal[Cells[m].x][Cells[m].y][Cells[m].z][17]) != 0;
        bad += ld(world_signal[60][60][60][17]) != 140;
        reads += muted.size() + 1;
    }
    signal_worker_stop();
    EXPECT_EQ(bad, 0) << "of " << reads << " reads";
    (void)emitter;
}

TEST_F(FileTest, WorkerRunsAgainstFramesWithMovesGravityAndReloads) {
    // Whole frame passes while the worker runs, ThreadSanitizer watching:
    // gravity and division on, type switches, pushed cells walking,
    // divide-all, saves, and genome plus colony reloads.
    kt::write_file(kGenomeFile,
                   "EN=1;EN=1;EX=5;SI=2\nEN=5;EN=1;EX=6;MPF=1\nEN=1;EN=6;EX=7;GLUEDS=0\n");
    kt::ball(3000, 1, 60, 60, 30);
    save_cell_list();  // the reloads bring this colony back, 40 sites further on x and y
    load_genome();
    k_v = 1;
    k_g = 1;
    signal_worker_start();
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(soak_seconds(2.0));
    int frames = 0, reloads = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (frames % 9 == 3) kReturn = 1;
        if (frames % 25 == 24) {
            kSpace = 1;
            ++reloads;
        }
        if (frames % 40 == 0) k_p = 1;
        frame_pass();
        ++frames;
    }
    signal_worker_stop();
    EXPECT_GT(reloads, 0);
    for (int i = 0; i < Cells_count; ++i) {
        ASSERT_TRUE(interior(Cells[i].x, Cells[i].y, Cells[i].z));
        ASSERT_EQ(world[Cells[i].x][Cells[i].y][Cells[i].z], Cells[i].type);
    }
}

TEST_F(WorldTest, ParkingHoldsTheWorkerAtACellBoundary) {
    kt::ball(5000, 2);
    signal_worker_start();
    ASSERT_TRUE(wait_for_passes(1));
    for (int round = 0; round < 50; ++round) {
        WorkerPause pause;
        EXPECT_TRUE(signal_worker_quiet());
        const std::uint64_t before = signal_worker_passes();
        // While parked the field may be edited freely, and no pass completes.
        settle_signal(1);
        EXPECT_EQ(signal_worker_passes(), before);
    }
    EXPECT_FALSE(signal_worker_quiet());
    signal_worker_stop();
    EXPECT_TRUE(signal_worker_quiet());
}

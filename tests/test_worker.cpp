// The signal worker against a live colony. Built and run under ThreadSanitizer
// too: the main thread churns the colony while the worker updates the field.
#include <chrono>
#include <span>

#include "support.h"

using Worker = kt::FileTest;

namespace {

// Now plus KELVARO_SOAK_SECONDS, or plus `fallback` seconds.
auto soak_end(double fallback) {
    const char* s = std::getenv("KELVARO_SOAK_SECONDS");
    return std::chrono::steady_clock::now() +
           std::chrono::duration<double>(s ? std::atof(s) : fallback);
}

// Starts the worker and waits for its first n passes. The count is taken
// before the start: a worker that settles the field and rests before this
// thread looks again has still done its passes.
bool start_and_wait_for_passes(std::uint64_t n) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const std::uint64_t start = signal_worker_passes();
    signal_worker_start();
    while (signal_worker_passes() < start + n)
        if (std::chrono::steady_clock::now() > deadline) return false;
    return true;
}

// Runs frames until the worker has done no pass for 300 ms (true), or for at
// most 20 s (false); counts the frames run.
bool frames_until_rest(int& frames) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto since = std::chrono::steady_clock::now();
    std::uint64_t last = signal_worker_passes();
    while (std::chrono::steady_clock::now() < deadline) {
        frame_pass();
        ++frames;
        const auto now = std::chrono::steady_clock::now();
        if (signal_worker_passes() != last) last = signal_worker_passes(), since = now;
        if (now - since > std::chrono::milliseconds(300)) return true;
    }
    return false;
}

}  // namespace

// A settled colony lets the worker rest while frames go on; a division wakes
// it, and it rests again only at the fixed point that endless passes reach.
TEST_F(Worker, RestsOnASettledFieldAndWakesForADivision) {
    kt::ball(3000, 2);
    signal_worker_start();
    int frames = 0;
    ASSERT_TRUE(frames_until_rest(frames));
    const std::uint64_t resting = signal_worker_passes();
    for (int f = 0; f < 50; ++f) frame_pass();
    EXPECT_LE(signal_worker_passes(), resting + 1);
    const int before = Cells_count;
    divide_cell(0);
    ASSERT_EQ(Cells_count, before + 1);
    frames = 0;
    ASSERT_TRUE(frames_until_rest(frames));
    EXPECT_GT(signal_worker_passes(), resting);
    signal_worker_stop();
    EXPECT_EQ(settle_signal(kSettlingPasses), 0);  // no pass would change a level
}

TEST_F(Worker, ReadersNeverSeeAHalfDoneLevel) {
    // Muted cells next to two strong emitters: while the worker runs, a muted
    // level must read 0 and an emitter's own level its strength at every
    // instant, never the relayed value on its way to the final one.
    kt::gene(0, {}, 4, 17);
    kt::place(17, 60, 60, 60);
    std::vector<int> muted;
    for (int x = 50; x < 70; ++x)
        for (int y = 55; y < 66; ++y)
            if (x != 60 || y != 60) muted.push_back(kt::place(4, x, y, 60));
    kt::place(17, 60, 60, 61);
    ASSERT_TRUE(start_and_wait_for_passes(2));
    EXPECT_EQ(ld(world_signal[60][60][60][4]), 59);  // the worker relayed the field
    const auto end = soak_end(0.5);
    long bad = 0;
    while (std::chrono::steady_clock::now() < end) {
        for (int m : muted) bad += ld(world_signal[Cells[m].x][Cells[m].y][Cells[m].z][17]) != 0;
        bad += ld(world_signal[60][60][60][17]) != 140;
    }
    signal_worker_stop();
    EXPECT_EQ(bad, 0);
}

TEST_F(Worker, RunsAgainstTheBusyColonysFrames) {
    kt::busy_colony();
    signal_worker_start();
    const auto end = soak_end(2.0);
    int frames = 0;
    while (std::chrono::steady_clock::now() < end || frames < 60) kt::busy_frame(++frames);
    signal_worker_stop();
    for (const auto& [x, y, z, type, clamps] : std::span(Cells, Cells_count))
        ASSERT_TRUE(interior(x, y, z) && world[x][y][z] == type);
}

TEST_F(Worker, ParkingHoldsTheWorkerAtACellBoundary) {
    kt::ball(5000, 2);
    ASSERT_TRUE(start_and_wait_for_passes(1));
    for (int round = 0; round < 50; ++round) {
        WorkerPause pause;
        EXPECT_TRUE(signal_worker_quiet());
        const std::uint64_t before = signal_worker_passes();
        settle_signal(1);  // while parked the field may be edited freely, and no pass completes
        EXPECT_EQ(signal_worker_passes(), before);
    }
    EXPECT_FALSE(signal_worker_quiet());
    signal_worker_stop();
    EXPECT_TRUE(signal_worker_quiet());
}

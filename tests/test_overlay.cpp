// The statistics behind the overlay. The PNGs of F12 and of the frame recorder
// are checked pixel for pixel against the screen end to end (e2e.py F12,
// e2e_inside.py F11 without ffmpeg) and by the batch render test.
#include "support.h"
#include "ui/overlay_stats.h"

using Overlay = kt::WorldTest;

TEST_F(Overlay, CensusCountsTypesAndRanksTheMostNumerous) {
    for (int t : {3, 3, 3, 3, 3, 1, 1, 2, 2, 2, 2, 2, 150, -7})
        kt::place(t, 10 + Cells_count, 9, 9);
    TypeCensus c;
    const auto ranked = [&c](int n) {
        c.take();
        int top[10];
        return std::vector<int>(top, top + c.top(n, top));
    };
    // Only the types present; a tie goes to the lower type, the other bucket last.
    EXPECT_EQ(ranked(10), (std::vector{2, 3, 1, TypeCensus::kOther}));
    EXPECT_EQ(ranked(3), (std::vector{2, 3, 1}));
    // Types beyond the tables share a bucket.
    EXPECT_EQ(std::tuple(c.live, c.count[1], c.count[2], c.count[3], c.count[TypeCensus::kOther]),
              std::tuple(14, 2, 5, 5, 2));
    publish_cells_count(0);  // an empty colony has no types
    EXPECT_EQ(ranked(3), std::vector<int>{});
}

TEST_F(Overlay, RateMeterMeasuresOverASlidingWindow) {
    RateMeter r(1.0);
    EXPECT_EQ(r.rate(), 0);
    // 60 frames a second for 3 seconds, then 10 a second, then none.
    double t = 0, frames = 0;
    for (int k = 0; k < 180; ++k) r.add(t += 1.0 / 60, ++frames);
    EXPECT_NEAR(r.rate(), 60, 1);
    for (int k = 0; k < 20; ++k) r.add(t += 0.1, ++frames);
    EXPECT_NEAR(r.rate(), 10, 0.6);  // the old, fast samples have left the window
    for (int k = 0; k < 20; ++k) r.add(t += 0.1, frames);
    EXPECT_EQ(r.rate(), 0);
}

TEST_F(Overlay, HistoryKeepsTheLastFramesNewestFirst) {
    constexpr int kFrames = PopulationHistory::kFrames;
    PopulationHistory h;
    TypeCensus c;
    for (int k = 0; k < kFrames + 50; ++k) kt::place(5 + k % 2, 1 + k % 200, 1 + k / 200, 1);
    for (int f = 1; f <= kFrames + 51; ++f) {  // one more cell each frame, then only 10
        publish_cells_count(f <= kFrames + 50 ? f : 10);
        c.take();
        h.record(c);
    }
    EXPECT_EQ(std::tuple(h.size(), h.live(0), h.live(1), h.live(kFrames - 1), h.peak_live()),
              std::tuple(kFrames, 10, kFrames + 50, 52, kFrames + 50));
    EXPECT_EQ(std::tuple(h.count(0, 5), h.count(0, 6), h.count(1, 5)),
              std::tuple(5, 5, (kFrames + 50) / 2));
}

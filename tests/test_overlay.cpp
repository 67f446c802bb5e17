// The statistics behind the overlay, and the PNG writer of F12.
#include "support.h"
#include "view/overlay.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using kt::FileTest;
using kt::WorldTest;

TEST_F(WorldTest, CensusCountsTypesAndRanksTheMostNumerous) {
    for (int k = 0; k < 5; ++k) kt::place(3, 10 + k, 10, 10);
    for (int k = 0; k < 2; ++k) kt::place(1, 10 + k, 20, 10);
    for (int k = 0; k < 5; ++k) kt::place(2, 10 + k, 30, 10);
    kt::place(150, 40, 40, 40);
    kt::place(-7, 42, 40, 40);
    TypeCensus c;
    c.take();
    EXPECT_EQ(c.live, 14);
    EXPECT_EQ(c.count[3], 5);
    EXPECT_EQ(c.count[TypeCensus::kOther], 2);  // types beyond the tables share a bucket
    int top[3];
    ASSERT_EQ(c.top(3, top), 3);
    EXPECT_EQ(top[0], 2);  // a tie goes to the lower type
    EXPECT_EQ(top[1], 3);
    EXPECT_EQ(top[2], 1);  // 2 cells of type 1 tie with the other bucket
    int all[10];
    EXPECT_EQ(c.top(10, all), 4);  // only types present
    // An empty colony has no types.
    publish_cells_count(0);
    c.take();
    EXPECT_EQ(c.top(3, top), 0);
}

TEST(RateMeter, MeasuresOverASlidingWindow) {
    RateMeter r(1.0);
    EXPECT_EQ(r.rate(), 0);
    // 60 frames a second for 3 seconds, then 10 a second.
    double t = 0, frames = 0;
    for (int k = 0; k < 180; ++k) r.add(t += 1.0 / 60, ++frames);
    EXPECT_NEAR(r.rate(), 60, 1);
    for (int k = 0; k < 20; ++k) r.add(t += 0.1, ++frames);
    EXPECT_NEAR(r.rate(), 10, 0.6);  // the old, fast samples have left the window
    // A total that stops growing gives a rate of 0 once the window has passed.
    for (int k = 0; k < 20; ++k) r.add(t += 0.1, frames);
    EXPECT_EQ(r.rate(), 0);
}

TEST_F(WorldTest, HistoryKeepsTheLastFramesNewestFirst) {
    PopulationHistory h;
    TypeCensus c;
    for (int f = 1; f <= PopulationHistory::kFrames + 50; ++f) {
        kt::place(f % 2 ? 5 : 6, 1 + f % 200, 1 + f / 200, 1);
        c.take();
        h.record(c);
    }
    EXPECT_EQ(h.size(), PopulationHistory::kFrames);
    EXPECT_EQ(h.live(0), PopulationHistory::kFrames + 50);
    EXPECT_EQ(h.live(PopulationHistory::kFrames - 1), 51);
    EXPECT_EQ(h.count(0, 5) + h.count(0, 6), h.live(0));
    EXPECT_EQ(h.peak_live(), PopulationHistory::kFrames + 50);
}

TEST_F(FileTest, PngHoldsThePixelsTopRowFirst) {
    // 3 x 2 pixels given bottom-up, as GL reads them.
    const std::uint8_t bottom_up[] = {
        10,  20, 30, 40, 50,  60, 70, 80, 90,   // bottom row
        255, 0,  0,  0,  255, 0,  0,  0,  255,  // top row
    };
    ASSERT_TRUE(write_png("shot.png", 3, 2, bottom_up));
    int w = 0, h = 0, n = 0;
    std::uint8_t* p = stbi_load("shot.png", &w, &h, &n, 3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    const std::uint8_t top_down[] = {255, 0,  0,  0,  255, 0,  0,  0,  255,
                                     10,  20, 30, 40, 50,  60, 70, 80, 90};
    EXPECT_TRUE(std::equal(std::begin(top_down), std::end(top_down), p));
    stbi_image_free(p);
    // A path that cannot be written: false, and nothing left behind.
    EXPECT_FALSE(write_png("no/such/folder/shot.png", 3, 2, bottom_up));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

// The statistics behind the overlay, and the PNG writers of F12 and of the
// frame recorder.
#include "support.h"
#include "view/frame_recorder.h"
#include "view/overlay_stats.h"
#include "view/png_file.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using Overlay = kt::FileTest;
using Recording = kt::FileTest;

namespace {

// The PNG at `path` holds `w` x `h` pixels, those of `bottom_up` with the rows flipped.
void expect_png(const char* path, int w, int h, const std::uint8_t* bottom_up) {
    int pw = 0, ph = 0, n = 0;
    stbi_uc* img = stbi_load(path, &pw, &ph, &n, 3);
    ASSERT_NE(img, nullptr) << path;
    EXPECT_EQ(std::pair(pw, ph), std::pair(w, h));
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        wrong +=
            !std::equal(img + y * w * 3, img + (y + 1) * w * 3, bottom_up + (h - 1 - y) * w * 3);
    EXPECT_EQ(wrong, 0) << path;
    stbi_image_free(img);
}

}  // namespace

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

TEST_F(Overlay, PngHoldsThePixelsTopRowFirst) {
    const std::uint8_t bottom_up[] = {10,  20, 30, 40, 50,  60, 70, 80, 90,
                                      255, 0,  0,  0,  255, 0,  0,  0,  255};
    ASSERT_TRUE(write_png("shot.png", 3, 2, bottom_up));
    expect_png("shot.png", 3, 2, bottom_up);
}

TEST_F(Recording, PngsWithoutFfmpegHoldEveryFrame) {
    FrameRecorder r;
    ASSERT_TRUE(r.start(42, 301, 7, false));
    EXPECT_FALSE(r.start(43, 301, 7, false));  // one at a time
    std::uint8_t second[301 * 7 * 3];
    for (int f = 0; f < 2; ++f) {
        for (int k = 0; k < 301 * 7 * 3; ++k) r.pixels()[k] = second[k] = std::uint8_t(k * 7 + f);
        ASSERT_TRUE(r.add_frame());
    }
    EXPECT_TRUE(r.stop());
    EXPECT_STREQ(r.target(), "kelvaro-000042");
    expect_png("kelvaro-000042/000001.png", 301, 7, second);
    EXPECT_FALSE(std::filesystem::exists("kelvaro-000042/000002.png"));
}

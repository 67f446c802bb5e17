// Looking inside the colony: the heat map's colours, the slice, framing and
// picking, pause and step, against small hand-built colonies.
#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <vector>

#include "fake_platform.h"
#include "support.h"
#include "view/cell_box.h"
#include "view/framing.h"
#include "view/picking.h"
#include "view/run_control.h"

namespace {

using Points = kt::PointLog;

Points drawn_now() {
    Points p;
    draw_cells(p);
    return p;
}

// The window's frame through the fake platform: the poll, then the drawing.
class InsideView : public kt::WorldTest {
   protected:
    void SetUp() override {
        kt::WorldTest::SetUp();
        init_view_flags();
        heat_frame = HeatFrame{};
        fake::reset();
    }
    void TearDown() override {
        end_pause();  // lets the worker go before it stops
        kt::WorldTest::TearDown();
    }
    static Points frame(std::initializer_list<Key> presses = {}) {
        for (Key k : presses) fake::press(k);
        poll_controls();
        Points p;
        draw_view_frame_with(p);
        return p;
    }
};

using HeatMap = InsideView;
using Picking = InsideView;
using Pause = InsideView;
using InsideKeys = InsideView;

}  // namespace

TEST(HeatMapRamp, RunsFromDarkVioletToYellowWithRisingLightnessAndScalesTheRange) {
    EXPECT_EQ(std::tuple(heat_ramp(-5), heat_ramp(kHeatSteps - 1), heat_ramp(9999)),
              std::tuple(Rgb{68, 1, 84}, Rgb{253, 231, 37}, Rgb{253, 231, 37}));
    const auto luma = [](Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    for (int s = 0; s + 8 < kHeatSteps; ++s)  // over any eight steps
        EXPECT_GT(luma(heat_ramp(s + 8)), luma(heat_ramp(s)) + 2) << "step " << s;
    const std::tuple<HeatRange, int, int> cases[] = {
        {{0, 10}, -3, 0},      {{0, 10}, 10, 255},
        {{0, 10}, 5, 128},     {{0, 10}, 99, 255},
        {{-10, 10}, 0, 128},   {{5, 5}, 900, 128},
        {HeatRange{}, 3, 128}, {{0, 2000000000}, 1000000000, 128},  // no overflow over a huge range
    };
    for (const auto& [range, level, step] : cases)
        EXPECT_EQ(heat_step(heat_scale(range), level), step) << range.lo << ".." << range.hi;
}

TEST_F(HeatMap, ColoursDrawnCellsByLevelOverTheirRangeOnly) {
    // Levels 10, 20, 30 on channel 7; a hidden type-1 cell with level 90 and a
    // cell outside the slab with level 0 must not stretch the scale.
    const int levels[] = {10, 20, 30, 90, 0}, types[] = {3, 6, 19, 1, 5};
    for (int k = 0; k < 5; ++k) {
        kt::place(types[k], 10 + k, 10, 10 + (k == 4));
        world_signal[10 + k][10][10 + (k == 4)][7] = levels[k];
        world_signal[10 + k][10][10 + (k == 4)][4] = -levels[k];
    }
    k_l = 0;
    slab = {SliceAxis::Z, 10, 1};
    heat_channel = 7;
    for (int frame = 0; frame < 2; ++frame) {  // the scan, then the gathered range
        const Points p = drawn_now();
        ASSERT_EQ(p.drawn.size(), 3u);  // in table order, the hidden ones left out
        EXPECT_EQ(p.drawn[2].second, (kt::Site{12, 10, 10}));
        // A type without colour takes its level's.
        EXPECT_EQ(std::tuple(p.rgb(0), p.rgb(1), p.rgb(2)),
                  std::tuple(heat_ramp(0), heat_ramp(128), heat_ramp(255)));
        EXPECT_EQ(std::pair(heat_frame.shown.lo, heat_frame.shown.hi), std::pair(10, 30));
    }
    heat_channel = 4;  // a new channel: a fresh range, not the old one's
    EXPECT_EQ(drawn_now().rgb(0), heat_ramp(255));
}

TEST(SliceSlab, InSlabAcrossEachAxisCyclesMovesAndResizesWithinTheLattice) {
    const std::tuple<Slab, kt::Site, bool> cases[] = {
        {{SliceAxis::Off, 50, 1}, {1, 200, 7}, true},
        {{SliceAxis::X, 50, 1}, {50, 1, 1}, true},
        {{SliceAxis::X, 50, 1}, {49, 50, 50}, false},
        {{SliceAxis::Y, 50, 3}, {1, 52, 1}, true},
        {{SliceAxis::Y, 50, 3}, {1, 53, 1}, false},
        {{SliceAxis::Z, 198, 200}, {1, 1, 200}, true},
        {{SliceAxis::Z, 198, 200}, {1, 1, 197}, false},
    };
    for (const auto& [slab, at, in] : cases)
        EXPECT_EQ(in_slab(slab, at[0], at[1], at[2]), in) << int(slab.axis) << " " << slab.first;
    const CellBox box = {{10, 40, 3}, {30, 61, 3}};
    Slab s{SliceAxis::Off, 1, 4};
    std::vector<std::pair<SliceAxis, int>> seen;
    for (int k = 0; k < 4; ++k) {
        next_slice_axis(s, &box);
        seen.emplace_back(s.axis, s.first);
    }
    // Middles 20, 50 (lower of 50 and 51), 3; four layers start one below.
    EXPECT_EQ(seen,
              (std::vector<std::pair<SliceAxis, int>>{
                  {SliceAxis::X, 19}, {SliceAxis::Y, 49}, {SliceAxis::Z, 2}, {SliceAxis::Off, 1}}));
    next_slice_axis(s, nullptr);  // no colony: the lattice's middle
    EXPECT_EQ(s.first, 99);
    // Moved by, resized by, then the first layer and the thickness, both kept in the lattice.
    const std::array<int, 4> steps[] = {
        {-10, -9, 89, 1}, {-200, 10, 1, 11}, {500, 500, 200, 200}, {-1, -1, 199, 199}};
    for (auto [by, grow, first, thickness] : steps) {
        move_slab(s, by);
        resize_slab(s, grow);
        EXPECT_EQ(std::pair(s.first, s.thickness), std::pair(first, thickness)) << by;
    }
}

TEST(FramingCamera, EveryCornerOfTheBoxIsInViewAndTheBoxFillsIt) {
    const std::pair<CellBox, float> cases[] = {
        {{{100, 100, 1}, {100, 100, 1}}, 1.6f},  // one cell
        {{{1, 1, 1}, {200, 200, 200}}, 1.6f},    // the whole lattice
        {{{10, 80, 1}, {40, 90, 5}}, 1.6f},      // a flat slab
        {{{50, 50, 1}, {51, 51, 150}}, 0.5f},    // a tall column in a narrow window
    };
    for (const auto& [box, aspect] : cases) {
        SCOPED_TRACE(box.hi[2]);
        const Tcamera cam = framing_camera(box, aspect);
        EXPECT_EQ(std::pair(cam.Xrot, cam.Zrot), std::pair(kFramingPitch, kFramingHeading));
        const CameraAxes ax = camera_axes(cam);
        double widest = 0;  // the largest share of the view a corner reaches
        for (int k = 0; k < 8; ++k) {
            const Vec3 v = {(k & 1 ? box.hi[0] + 0.5 : box.lo[0] - 0.5) - cam.x,
                            (k & 2 ? box.hi[1] + 0.5 : box.lo[1] - 0.5) - cam.y,
                            (k & 4 ? box.hi[2] + 0.5 : box.lo[2] - 0.5) - cam.z};
            const double depth = dot(v, ax.forward);
            ASSERT_GT(depth, kFrustumNear);
            widest = std::max({widest, std::abs(dot(v, ax.right) / (depth * 0.5 * aspect)),
                               std::abs(dot(v, ax.up) / (depth * 0.5))});
        }
        EXPECT_LE(widest, kFramingFill + 1e-4);
        // No closer camera would do (one site is kept a unit from the camera).
        EXPECT_TRUE(box.hi[0] == box.lo[0] || std::abs(widest - kFramingFill) < 1e-4) << widest;
    }
}

TEST_F(Picking, TheNearestDrawnCellUnderTheCursor) {
    // A row of cells along +x in front of a level camera looking along +x.
    const Tcamera cam = {0, 50, 50, 90, 270}, behind = {20, 50, 50, 90, 270};
    for (int x = 10; x <= 14; ++x) kt::place(x == 12 ? 1 : 3, x, 50, 50);
    kt::place(3, 10, 52, 50);  // left of the centre, as seen from the camera
    // A site 2 lattice units aside at depth 10: 2 / (10 / 600) = 120 pixels; the
    // point's radius reaches 3 pixels, not 5; then empty sky, and a camera past the row.
    const std::tuple<Tcamera, double, double, int> cases[] = {
        {cam, 400, 300, 0},  {cam, 280, 300, 5},  {cam, 280, 303, 5},
        {cam, 280, 305, -1}, {cam, 400, 100, -1}, {behind, 400, 300, -1},
    };
    for (const auto& [c, x, y, cell] : cases)
        EXPECT_EQ(pick_cell(c, 800, 600, x, y), cell) << c.x << " " << x << " " << y;
    // Hidden cells are never picked: the ray goes on to the next drawn one.
    move_file = 1;
    show_len = 1;
    EXPECT_EQ(pick_cell(cam, 800, 600, 400, 300), 2);
    move_file = 0;
    slab = {SliceAxis::X, 13, 2};
    EXPECT_EQ(pick_cell(cam, 800, 600, 400, 300), 3);
}

TEST_F(Pause, StepsFollowTheRunningPathAndHoldBetween) {
    // A lifted cell under gravity, run for six frames, then the same from the
    // start with F2 and six F3 steps: the same sites, and no move between steps.
    const auto path = [](bool pausing) {
        kt::reset_world();
        k_g = 1;
        const int lifted = kt::place(2, 20, 8, 30);
        std::vector<kt::Site> sites;
        if (pausing) frame({Key::F2});
        for (int f = 0; f < 6; ++f) {
            frame(pausing ? std::initializer_list<Key>{Key::F3} : std::initializer_list<Key>{});
            sites.push_back(kt::site(lifted));
            for (int held = 0; held < 2 && pausing; ++held) {
                EXPECT_EQ(frame().drawn.size(), 1u);  // still drawn
                EXPECT_EQ(kt::site(lifted), sites.back());
            }
        }
        return sites;
    };
    const std::vector<kt::Site> running = path(false);
    EXPECT_LT(running.back()[2], 30);
    EXPECT_EQ(path(true), running);
    // A save while paused is served: e2e_inside.py reads the height that way.
}

TEST_F(Pause, ParksTheSignalWorkerAndStepsTheFieldOnePass) {
    kt::place(1, 52, 50, 50);  // relayed to only on a second pass: it comes first
    kt::place(3, 50, 50, 50);
    kt::place(1, 51, 50, 50);
    Signal_strength[3] = 9;
    signal_worker_start();
    frame({Key::F2});
    EXPECT_TRUE(signal_worker_quiet());
    world_signal[51][50][50][3] = world_signal[52][50][50][3] = 0;  // a running worker relays
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    frame();
    EXPECT_EQ(kt::level(2, 3), 0);
    frame({Key::F3});
    EXPECT_EQ(std::pair(kt::level(2, 3), kt::level(0, 3)), std::pair(8, 0));  // one pass
    frame({Key::F2});
    EXPECT_FALSE(signal_worker_quiet());
}

// F4 and F6 cycling, Home's framing and a click's panel are checked end to end
// (e2e_inside.py); here the backward wrap, the slab's moves and sizes by key.
TEST_F(InsideKeys, HeatChannelWrapsBackwardAndTheSlabKeysMoveAndResize) {
    kt::place(3, 10, 20, 30);
    kt::place(3, 30, 40, 50);
    // Key, shift, then heat channel, slice axis, first layer, thickness.
    const std::tuple<Key, bool, std::array<int, 4>> cases[] = {
        {Key::F4, true, {19, 0, 1, 1}},
        {Key::F4, false, {-1, 0, 1, 1}},
        {Key::F6, false, {-1, 1, 20, 1}},
        {Key::PageUp, true, {-1, 1, 30, 1}},
        {Key::PageDown, false, {-1, 1, 29, 1}},
        {Key::BracketRight, false, {-1, 1, 29, 2}},
        {Key::BracketLeft, false, {-1, 1, 29, 1}},
    };
    for (const auto& [key, shift, want] : cases) {
        fake::press(key, shift);
        poll_controls();
        EXPECT_EQ((std::array{heat_channel, int(slab.axis), slab.first, slab.thickness}), want)
            << int(key) << " " << shift;
    }
}

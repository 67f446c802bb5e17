// Looking inside the colony: the heat map's colours, the slice, framing and
// picking, against small hand-built colonies.
#include <chrono>
#include <cmath>
#include <thread>
#include <tuple>
#include <vector>

#include "fake_platform.h"
#include "support.h"
#include "view/cell_box.h"
#include "view/frame_recorder.h"
#include "view/framing.h"
#include "view/picking.h"
#include "view/run_control.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

// The colour and site of every point drawn; the colour current at the vertex.
struct Points {
    struct Point {
        Rgb rgb;
        kt::Site site;
    };
    std::vector<Point> drawn;
    Rgb current = {0, 0, 0};
    void begin() {}
    void end() {}
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) { current = {r, g, b}; }
    void color_d(double, double, double) { current = {1, 2, 3}; }  // marks the signal overlay
    void vertex(double x, double y, double z) {
        drawn.push_back({current, {int(x), int(y), int(z)}});
    }
};

Points drawn_now() {
    Points p;
    draw_cells(p);
    return p;
}

class InsideView : public kt::WorldTest {
   protected:
    void SetUp() override {
        kt::WorldTest::SetUp();
        init_view_flags();
        heat_frame = HeatFrame{};
    }
};

using HeatMap = InsideView;
using Slice = InsideView;
using Picking = InsideView;

// The window's frame through the fake platform: the poll, then the drawing.
class Pause : public InsideView {
   protected:
    void SetUp() override {
        InsideView::SetUp();
        fake::reset();
    }
    void TearDown() override {
        end_pause();  // lets the worker go before it stops
        InsideView::TearDown();
    }
    kt::ScratchFolder dir_;  // for the save that P asks for
    static Points frame(std::initializer_list<Key> presses = {}) {
        for (Key k : presses) fake::press(k);
        poll_controls();
        Points p;
        draw_view_frame_with(p);
        return p;
    }
};

using InsideKeys = Pause;
using Recording = kt::FileTest;

}  // namespace

TEST(HeatMapRamp, RunsFromDarkVioletToYellowWithRisingLightness) {
    EXPECT_EQ(heat_ramp(0), (Rgb{68, 1, 84}));
    EXPECT_EQ(heat_ramp(kHeatSteps - 1), (Rgb{253, 231, 37}));
    EXPECT_EQ(heat_ramp(-5), heat_ramp(0));  // steps outside the map are clamped
    EXPECT_EQ(heat_ramp(9999), heat_ramp(kHeatSteps - 1));
    // Lightness rises along the whole map (over any eight steps).
    const auto luma = [](Rgb c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    for (int s = 0; s + 8 < kHeatSteps; ++s)
        EXPECT_GT(luma(heat_ramp(s + 8)), luma(heat_ramp(s)) + 2) << "step " << s;
}

TEST(HeatMapRamp, ScaleSpreadsTheRangeOverTheMap) {
    struct Case {
        HeatRange range;
        int level, step;
    };
    const Case cases[] = {
        {{0, 10}, 0, 0},       {{0, 10}, 10, 255},
        {{0, 10}, 5, 128},     {{0, 10}, -3, 0},
        {{0, 10}, 99, 255},    {{-10, 10}, 0, 128},
        {{5, 5}, 5, 128},      {{5, 5}, 900, 128},
        {HeatRange{}, 3, 128}, {{0, 2000000000}, 1000000000, 128},  // no overflow over a huge range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(heat_step(heat_scale(c.range), c.level), c.step);
    }
}

TEST_F(HeatMap, ColoursDrawnCellsByLevelOverTheirRangeOnly) {
    // Levels 10, 20, 30 on channel 7; a hidden type-1 cell with level 90 and a
    // cell outside the slab with level 0 must not stretch the scale.
    const int levels[] = {10, 20, 30, 90, 0};
    const int types[] = {3, 6, 19, 1, 5};
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
        EXPECT_EQ(p.drawn[2].site, (kt::Site{12, 10, 10}));
        EXPECT_EQ(p.drawn[0].rgb, heat_ramp(0));
        EXPECT_EQ(p.drawn[1].rgb, heat_ramp(128));
        EXPECT_EQ(p.drawn[2].rgb, heat_ramp(255));  // a type without colour takes its level's
        EXPECT_EQ(std::pair(heat_frame.shown.lo, heat_frame.shown.hi), std::pair(10, 30));
    }
    heat_channel = 4;  // a new channel: a fresh range, not the old one's
    EXPECT_EQ(drawn_now().drawn[0].rgb, heat_ramp(255));
    // Off again: the type colours and the signal overlay come back as they were.
    heat_channel = -1;
    show_len = 10;
    world_signal[10][10][10][2] = 10;
    const Points p = drawn_now();
    EXPECT_EQ(p.drawn[0].rgb, (Rgb{1, 2, 3}));
    EXPECT_EQ(p.drawn[1].rgb, (Rgb{255, 120, 0}));
    EXPECT_EQ(p.drawn[2].rgb, (Rgb{255, 120, 0}));  // type 19 keeps the colour before it
}

TEST(SliceSlab, InSlabAcrossEachAxis) {
    struct Case {
        Slab slab;
        kt::Site site;
        bool in;
    };
    const Case cases[] = {
        {{SliceAxis::Off, 50, 1}, {1, 200, 7}, true},
        {{SliceAxis::X, 50, 1}, {50, 1, 1}, true},
        {{SliceAxis::X, 50, 1}, {49, 50, 50}, false},
        {{SliceAxis::Y, 50, 3}, {1, 52, 1}, true},
        {{SliceAxis::Y, 50, 3}, {1, 53, 1}, false},
        {{SliceAxis::Z, 198, 200}, {1, 1, 200}, true},
        {{SliceAxis::Z, 198, 200}, {1, 1, 197}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(in_slab(c.slab, c.site[0], c.site[1], c.site[2]), c.in);
    }
}

TEST(SliceSlab, CyclesAxesFromTheMiddleMovesAndResizesWithinTheLattice) {
    const CellBox box = {{10, 40, 3}, {30, 61, 3}};
    Slab s;
    s.thickness = 4;
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
    const std::pair<int, int> moves[] = {{-10, 89}, {-200, 1}, {500, 200}, {-1, 199}};
    for (auto [by, first] : moves) {
        move_slab(s, by);
        EXPECT_EQ(s.first, first);
    }
    const std::pair<int, int> sizes[] = {{-9, 1}, {10, 11}, {500, 200}, {-1, 199}};
    for (auto [by, thickness] : sizes) {
        resize_slab(s, by);
        EXPECT_EQ(s.thickness, thickness);
    }
}

TEST_F(Slice, CutsThroughTheMiddleOfTheColonyAndKeepsColoursCurrent) {
    // A 5-cube of type 3 around a core of type 6, and type 19 (no colour) beside it.
    for (int x = 1; x <= 5; ++x)
        for (int y = 1; y <= 5; ++y)
            for (int z = 1; z <= 5; ++z) kt::place(x == 3 && y == 3 && z == 3 ? 6 : 3, x, y, z);
    kt::place(19, 6, 4, 3);
    CellBox box;
    ASSERT_TRUE(live_cell_box(box));
    next_slice_axis(slab, &box);  // across x, at the middle of 1..6: layer 3
    const Points p = drawn_now();
    EXPECT_EQ(std::pair(slab.first, p.drawn.size()), std::pair(3, std::size_t(25)));
    EXPECT_EQ(p.drawn[12].rgb, (Rgb{255, 120, 0}));  // the core
    // Across y, the colourless cell still takes the colour of the hidden cell before it.
    Cells[Cells_count - 2].type = world[5][5][5] = 6;
    slab = {SliceAxis::Y, 4, 1};  // (5, 5, 5) lies outside
    EXPECT_EQ(drawn_now().drawn.back().rgb, (Rgb{255, 120, 0}));
}

TEST(FramingCamera, EveryCornerOfTheBoxIsInViewAndTheBoxFillsIt) {
    struct Case {
        CellBox box;
        float aspect;
    };
    const Case cases[] = {
        {{{100, 100, 1}, {100, 100, 1}}, 1.6f},  // one cell
        {{{1, 1, 1}, {200, 200, 200}}, 1.6f},    // the whole lattice
        {{{10, 80, 1}, {40, 90, 5}}, 1.6f},      // a flat slab
        {{{50, 50, 1}, {51, 51, 150}}, 0.5f},    // a tall column in a narrow window
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        const Tcamera cam = framing_camera(c.box, c.aspect);
        EXPECT_EQ(std::pair(cam.Xrot, cam.Zrot), std::pair(kFramingPitch, kFramingHeading));
        const CameraAxes ax = camera_axes(cam);
        EXPECT_GT(ax.forward.x, 0.5);   // looking along +x
        EXPECT_LT(ax.forward.z, -0.5);  // and down, from above
        double widest = 0;              // the largest share of the view a corner reaches
        for (int k = 0; k < 8; ++k) {
            const Vec3 v = {(k & 1 ? c.box.hi[0] + 0.5 : c.box.lo[0] - 0.5) - cam.x,
                            (k & 2 ? c.box.hi[1] + 0.5 : c.box.lo[1] - 0.5) - cam.y,
                            (k & 4 ? c.box.hi[2] + 0.5 : c.box.lo[2] - 0.5) - cam.z};
            const double depth = dot(v, ax.forward);
            ASSERT_GT(depth, kFrustumNear);
            const double sx = dot(v, ax.right) / (depth * 0.5 * c.aspect);
            const double sy = dot(v, ax.up) / (depth * 0.5);
            widest = std::max({widest, std::abs(sx), std::abs(sy)});
        }
        EXPECT_LE(widest, kFramingFill + 1e-4);
        // No closer camera would do (one site is kept a unit from the camera).
        if (c.box.hi[0] > c.box.lo[0]) {
            EXPECT_NEAR(widest, kFramingFill, 1e-4);
        }
    }
}

TEST_F(Picking, TheNearestDrawnCellUnderTheCursor) {
    // A row of cells along +x in front of a level camera looking along +x.
    const Tcamera cam = {0, 50, 50, 90, 270};
    for (int x = 10; x <= 14; ++x) kt::place(x == 12 ? 1 : 3, x, 50, 50);
    kt::place(3, 10, 52, 50);  // left of the centre, as seen from the camera
    const int w = 800, h = 600;
    EXPECT_EQ(pick_cell(cam, w, h, 400, 300), 0);  // the row's nearest cell
    // A site 2 lattice units aside at depth 10: 2 / (10 / 600) = 120 pixels.
    EXPECT_EQ(pick_cell(cam, w, h, 280, 300), 5);
    EXPECT_EQ(pick_cell(cam, w, h, 280, 303), 5);   // within the point's radius
    EXPECT_EQ(pick_cell(cam, w, h, 280, 305), -1);  // beside it: nothing
    EXPECT_EQ(pick_cell(cam, w, h, 400, 100), -1);  // empty sky
    // Hidden cells are never picked: the ray goes on to the next drawn one.
    move_file = 1;
    show_len = 1;
    EXPECT_EQ(pick_cell(cam, w, h, 400, 300), 2);
    move_file = 0;
    slab = {SliceAxis::X, 13, 2};
    EXPECT_EQ(pick_cell(cam, w, h, 400, 300), 3);
    const Tcamera behind = {20, 50, 50, 90, 270};  // cells behind the camera are not seen
    EXPECT_EQ(pick_cell(behind, w, h, 400, 300), -1);
    const Vec3 d = pick_ray(cam, w, h, 400, 300);
    EXPECT_NEAR(d.x, 1, 1e-9);
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
    fake::hold(Key::P);  // a request is served while paused
    frame();
    fake::hold(Key::P, false);
    const kt::Site& at = running.back();
    EXPECT_EQ(kt::read_file(kCellFile), "2 " + std::to_string(at[0]) + " " + std::to_string(at[1]) +
                                            " " + std::to_string(at[2]) + "\n");
    frame({Key::F2});  // running again
    fake::press(Key::F3);
    poll_controls();
    EXPECT_EQ(step_wanted, 0);  // F3 without a pause asks for nothing
}

TEST_F(Pause, ParksTheSignalWorkerAndStepsTheFieldOnePass) {
    kt::place(3, 50, 50, 50);
    kt::place(1, 51, 50, 50);
    Signal_strength[3] = 9;
    signal_worker_start();
    frame({Key::F2});
    EXPECT_TRUE(signal_worker_quiet());
    world_signal[51][50][50][3] = 0;  // a running worker would relay 8 here at once
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    frame();
    EXPECT_EQ(kt::level(1, 3), 0);
    frame({Key::F3});
    EXPECT_EQ(kt::level(1, 3), 8);  // the step's one pass relays the emission
    frame({Key::F2});
    EXPECT_FALSE(signal_worker_quiet());
}

TEST_F(InsideKeys, HeatSliceAndFramingKeys) {
    struct Case {
        Key key;
        bool shift;
        int heat, axis, first, thickness;
    };
    kt::place(3, 10, 20, 30);
    kt::place(3, 30, 40, 50);
    const Case cases[] = {
        {Key::F4, false, 0, 0, 1, 1},
        {Key::F4, true, -1, 0, 1, 1},
        {Key::F4, true, 19, 0, 1, 1},
        {Key::F4, false, -1, 0, 1, 1},
        {Key::F6, false, -1, 1, 20, 1},
        {Key::F6, false, -1, 2, 30, 1},
        {Key::PageUp, true, -1, 2, 40, 1},
        {Key::PageDown, false, -1, 2, 39, 1},
        {Key::BracketRight, false, -1, 2, 39, 2},
        {Key::BracketLeft, false, -1, 2, 39, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        fake::press(c.key, c.shift);
        poll_controls();
        EXPECT_EQ(std::tuple(heat_channel, int(slab.axis), slab.first, slab.thickness),
                  std::tuple(c.heat, c.axis, c.first, c.thickness));
    }
    view_width = 1000, view_height = 500;
    frame({Key::Home});
    const Tcamera want = framing_camera({{10, 20, 30}, {30, 40, 50}}, 2.0f);
    EXPECT_EQ(std::tuple(camera.x, camera.y, camera.z), std::tuple(want.x, want.y, want.z));
}

TEST_F(InsideKeys, AClickWithAFreeCursorInspectsEscapeCloses) {
    camera = {0, 50, 50, 90, 270};
    view_width = 800, view_height = 600;
    kt::place(3, 10, 50, 50);
    fake::state().clicks = {{400, 300}};
    frame();
    EXPECT_EQ(inspected_cell, -1);  // under mouse look a click does nothing
    showmouse = 1;
    const std::pair<double, int> clicks[] = {{300, 0}, {100, -1}, {300, 0}};
    for (auto [y, cell] : clicks) {
        fake::state().clicks = {{400, y}};
        frame();
        EXPECT_EQ(inspected_cell, cell);
    }
    frame({Key::Escape});
    EXPECT_EQ(inspected_cell, -1);
}

TEST_F(Recording, PngsWithoutFfmpegHoldEveryFrame) {
    FrameRecorder r;
    ASSERT_TRUE(r.start(42, 301, 7, false));
    EXPECT_FALSE(r.start(43, 301, 7, false));  // one at a time
    for (int f = 0; f < 2; ++f) {
        for (int k = 0; k < 301 * 7 * 3; ++k) r.pixels()[k] = std::uint8_t(k * 7 + f);
        ASSERT_TRUE(r.add_frame());
    }
    EXPECT_TRUE(r.stop());
    EXPECT_STREQ(r.target(), "kelvaro-000042");
    int w, h, n;
    stbi_uc* img = stbi_load("kelvaro-000042/000001.png", &w, &h, &n, 3);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(std::tuple(w, h), std::tuple(301, 7));
    int wrong = 0;  // the top row of the picture is the last row read
    for (int y = 0; y < 7; ++y)
        for (int k = 0; k < 301 * 3; ++k)
            wrong += img[y * 301 * 3 + k] != std::uint8_t(((6 - y) * 301 * 3 + k) * 7 + 1);
    EXPECT_EQ(wrong, 0);
    stbi_image_free(img);
    EXPECT_FALSE(std::filesystem::exists("kelvaro-000042/000002.png"));
}

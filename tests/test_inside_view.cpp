// Looking inside the colony: the heat map's colours, the slice, framing and
// picking, against small hand-built colonies.
#include <cmath>
#include <tuple>
#include <vector>

#include "support.h"
#include "view/cell_box.h"
#include "view/framing.h"
#include "view/picking.h"

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

std::vector<kt::Site> sites(const Points& p) {
    std::vector<kt::Site> s;
    for (const auto& pt : p.drawn) s.push_back(pt.site);
    return s;
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
    }
    k_l = 0;
    slab = {SliceAxis::Z, 10, 1};
    heat_channel = 7;
    for (int frame = 0; frame < 2; ++frame) {  // the scan, then the gathered range
        const Points p = drawn_now();
        ASSERT_EQ(sites(p), (std::vector<kt::Site>{{10, 10, 10}, {11, 10, 10}, {12, 10, 10}}));
        EXPECT_EQ(p.drawn[0].rgb, heat_ramp(0));
        EXPECT_EQ(p.drawn[1].rgb, heat_ramp(128));
        EXPECT_EQ(p.drawn[2].rgb, heat_ramp(255));  // a type without colour takes its level's
        EXPECT_EQ(std::pair(heat_frame.shown.lo, heat_frame.shown.hi), std::pair(10, 30));
    }
    // Off again: the type colours and the signal overlay come back as they were.
    heat_channel = -1;
    show_len = 10;
    world_signal[10][10][10][2] = 10;
    const Points p = drawn_now();
    EXPECT_EQ(p.drawn[0].rgb, (Rgb{1, 2, 3}));
    EXPECT_EQ(p.drawn[1].rgb, (Rgb{255, 120, 0}));
    EXPECT_EQ(p.drawn[2].rgb, (Rgb{255, 120, 0}));  // type 19 keeps the colour before it
}

TEST_F(HeatMap, ANewChannelScansAFreshRangeAndIsolateModeStillFilters) {
    for (int k = 0; k < 3; ++k) {
        kt::place(4 + k, 20 + k, 10, 10);
        world_signal[20 + k][10][10][3] = 100 * k;
        world_signal[20 + k][10][10][4] = 7 - k;
    }
    heat_channel = 3;
    drawn_now();
    heat_channel = 4;
    const Points p = drawn_now();  // the old channel's range must not colour the new one
    EXPECT_EQ(p.drawn[0].rgb, heat_ramp(255));
    EXPECT_EQ(p.drawn[2].rgb, heat_ramp(0));
    move_file = 1;
    show_len = 5;
    EXPECT_EQ(sites(drawn_now()), (std::vector<kt::Site>{{21, 10, 10}}));
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
        {{SliceAxis::X, 50, 1}, {51, 50, 50}, false},
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

TEST_F(Slice, ShowsTheHiddenCoreOfABlockAndKeepsColoursCurrent) {
    // A 5-cube of type 3 around a core of type 6; type 19 (no colour) in the corner.
    for (int x = 1; x <= 5; ++x)
        for (int y = 1; y <= 5; ++y)
            for (int z = 1; z <= 5; ++z) kt::place(x == 3 && y == 3 && z == 3 ? 6 : 3, x, y, z);
    const int corner = kt::place(19, 6, 3, 3);
    CellBox box;
    ASSERT_TRUE(live_cell_box(box));
    EXPECT_EQ(std::pair(box.lo[0], box.hi[0]), std::pair(1, 6));
    slab.thickness = 1;
    next_slice_axis(slab, &box);
    ASSERT_EQ(slab.first, 3);
    const Points p = drawn_now();
    EXPECT_EQ(p.drawn.size(), 25u);
    int orange = 0;
    for (const auto& pt : p.drawn) orange += pt.rgb == Rgb{255, 120, 0};
    EXPECT_EQ(orange, 1);
    // The corner cell drawn in a slab across y still inherits the colour of the cell before it.
    Cells[corner - 1].type = world[5][5][5] = 6;
    slab = {SliceAxis::Y, 3, 1};
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

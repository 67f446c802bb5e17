// Cell drawing: colours, filters and the signal overlay, recorded from a sink.
#include <cstdio>

#include "support.h"
#include "view/point_batch.h"

using CellDrawing = kt::WorldTest;

namespace {

// Logs what is drawn: "b" begin, "e" end, then kind and three numbers: "u"
// colour bytes, "d" colour doubles, "v" vertex.
struct Recorder {
    std::string log;
    void add(char kind, double a, double b, double c) {
        char s[80];
        log += std::string(s, std::snprintf(s, sizeof s, "%c%g,%g,%g ", kind, a, b, c));
    }
    void begin() { log += "b "; }
    void end() { log += "e"; }
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) { add('u', r, g, b); }
    void color_d(double r, double g, double b) { add('d', r, g, b); }
    void vertex(double x, double y, double z) { add('v', x, y, z); }
};

std::string frame() {
    Recorder r;
    draw_frame_pass_with(r);
    return r.log;
}

}  // namespace

TEST_F(CellDrawing, AHiddenCellStillSetsItsColourAndTheVertexIsAtTheSite) {
    init_view_flags();
    kt::place(6, 10, 11, 12);
    kt::place(11, 20, 21, 22);
    kt::place(1, 10, 10, 10);
    kt::place(19, 12, 10, 10);
    kt::place(3, 80, 80, 80);
    // Type colours, L and isolate mode are checked on the screen end to end (e2e.py
    // Colony test_01, test_02). A hidden type-1 cell still sets its yellow, which
    // an uncoloured type then inherits.
    k_l = 0;
    EXPECT_EQ(frame(),
              "b u255,120,0 v10,11,12 u0,255,100 v20,21,22 u255,255,0 v12,10,10 "
              "u0,0,255 v80,80,80 e");
    // Types hidden one by one keep their place in the colour rule as L's do.
    k_l = 1, hidden_type[11] = 1, hidden_type[3] = 1;
    EXPECT_EQ(frame(),
              "b u255,120,0 v10,11,12 u0,255,100 u255,255,0 v10,10,10 v12,10,10 u0,0,255 e");
}

TEST_F(CellDrawing, SignalOverlayMarksLevelsEqualToShowLen) {
    init_view_flags();
    const int c = kt::place(7, 30, 30, 30);
    // show_len, the levels on channels 2 to 5, what is drawn: the later channel wins.
    const std::pair<std::array<int, 5>, std::string> cases[] = {
        {{1, 1, 1, 1, 9}, "u255,255,255 d0,0,0 d255,0,0 d200,0,0 v30,30,30 "},
        {{1, 1, 1, 1, 1}, "u255,255,255 d0,0,0 d255,0,0 d200,0,0 d0,255,0 v30,30,30 "},
        {{1, 3, 9, 9, 9}, "u255,255,255 v30,30,30 "},
        {{0, 3, 3, 3, 0}, "u255,255,255 d0,255,0 v30,30,30 "},  // channel-5 zero cells
    };
    for (const auto& [v, drawn] : cases) {
        show_len = v[0];
        for (int ch = 2; ch <= 5; ++ch) world_signal[30][30][30][ch] = v[ch - 1];
        Recorder r;
        draw_cell(c, r);
        EXPECT_EQ(r.log, drawn);
    }
}

namespace {

// The points of a batch as a PointLog holds them; each opaque and on a site.
std::vector<std::pair<Rgb, kt::Site>> batch_points(const PointBatch& b) {
    std::vector<std::pair<Rgb, kt::Site>> out;
    for (int i = 0; i < b.count; ++i) {
        const float* p = &b.xyz[3 * i];
        const std::uint8_t* c = &b.rgba[4 * i];
        out.push_back({{c[0], c[1], c[2]}, {int(p[0]), int(p[1]), int(p[2])}});
        EXPECT_TRUE(c[3] == 255 && p[0] == int(p[0]) && p[1] == int(p[1]) && p[2] == int(p[2]));
    }
    return out;
}

}  // namespace

// The point arrays paint what immediate mode paints, view mode by view mode:
// same points, same order, same colour, with the colour current before the
// frame reaching an uncoloured first cell.
TEST_F(CellDrawing, PointBatchPaintsWhatImmediateModePaints) {
    const std::pair<const char*, void (*)()> modes[] = {
        {"plain", [] {}},
        {"type 1 hidden", [] { k_l = 0; }},
        {"slice",
         [] {
             slab = {SliceAxis::X, 11, 2};
         }},
        {"isolate 19", [] { move_file = 1, show_len = 19; }},
        {"overlay", [] { show_len = 4; }},
        {"marks off, types hidden", [] { show_len = 4, signal_marks = 0, hidden_type[2] = 1; }},
        {"heat map", [] { heat_channel = 3; }},
        {"heat map, slice, type 1 hidden",
         [] {
             heat_channel = 6, slab = {SliceAxis::Z, 10, 3}, k_l = 0;
         }},
    };
    for (const auto& [name, set] : modes) {
        kt::reset_world();
        init_view_flags();
        heat_frame = HeatFrame{};
        // Uncoloured types (0, 19, 250, -3) after coloured and hidden ones.
        const int colony[][4] = {{0, 10, 10, 10},  {1, 11, 10, 10}, {19, 12, 10, 11},
                                 {6, 10, 12, 12},  {250, 13, 9, 9}, {1, 10, 10, 12},
                                 {-3, 14, 10, 10}, {3, 12, 12, 10}};
        for (const auto& c : colony) kt::place(c[0], c[1], c[2], c[3]);
        for (int i = 0; i < Cells_count; ++i)
            for (int ch = 2; ch <= 6; ++ch)
                world_signal[Cells[i].x][Cells[i].y][Cells[i].z][ch] = (i + ch) % 5;
        set();
        kt::PointLog immediate{{}, {200, 0, 0}};
        PointBatchSink arrays{point_batch, {200, 0, 0}};
        for (int round = 0; round < 2; ++round) {  // the second frame has a heat range
            immediate.drawn.clear();
            draw_cells(immediate);
            draw_cells(arrays);
        }
        EXPECT_EQ(batch_points(point_batch), immediate.drawn) << name;
        EXPECT_EQ(arrays.current, immediate.current) << name;
    }
}

// Cell drawing: colours, filters and the signal overlay, recorded from a sink.
#include <cstdio>

#include "support.h"

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

// The frame pass: requests, the per-cell step and what it draws.
#include <cstdio>

#include "support.h"

using kt::FileTest;
using kt::WorldTest;

namespace {

// Logs what the pass draws: "b" begin, "e" end, then kind and three numbers:
// "u" colour bytes, "d" colour doubles, "v" vertex.
struct Recorder {
    std::string log;
    void add(char kind, double a, double b, double c) {
        char s[80];
        std::snprintf(s, sizeof s, "%c%g,%g,%g ", kind, a, b, c);
        log += s;
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

TEST_F(FileTest, AnEmptyColonyStillServesRequestsAndDrawsAnEmptyBatch) {
    k_p = kReturn = kSpace = 1;
    EXPECT_EQ(frame(), "b e");
    EXPECT_EQ(k_p + kReturn + kSpace, 0);
    EXPECT_EQ(kt::read_file(kCellFile), "");  // saved, then reloaded
    EXPECT_TRUE(std::filesystem::exists(kGenomeDump));
}

TEST_F(WorldTest, TypeColoursAndTheVertexAtTheSite) {
    init_view_flags();
    kt::place(6, 10, 11, 12);
    kt::place(11, 20, 21, 22);
    EXPECT_EQ(frame(), "b u255,120,0 v10,11,12 u0,255,100 v20,21,22 e");
    // A hidden type-1 cell leaves its yellow current for an uncoloured type.
    kt::reset_world();
    init_view_flags();
    k_l = 0;
    kt::place(1, 10, 10, 10);
    kt::place(19, 12, 10, 10);
    EXPECT_EQ(frame(), "b u255,255,0 v12,10,10 e");
}

TEST_F(WorldTest, FiltersHideButNeverStopTheSimulation) {
    init_view_flags();
    move_file = 4;  // isolate mode, showing type show_len = 1, and type 1 hidden
    k_l = 0;
    const int pushed = kt::place(1, 50, 50, 50);
    world_clamp[50][50][50] = 2;
    kt::place(3, 80, 80, 80);
    for (int frames = 0; Cells[pushed].z == 50 && frames < 100; ++frames) {
        EXPECT_EQ(frame(), "b u255,255,0 e");
        world_clamp[Cells[pushed].x][Cells[pushed].y][Cells[pushed].z] = 2;
    }
    EXPECT_LT(Cells[pushed].z, 50);  // the hidden pushed cell walked (down first)
    show_len = 3;                    // isolate mode shows only the type equal to show_len
    EXPECT_EQ(frame(), "b u0,0,255 v80,80,80 e");
}

TEST_F(WorldTest, SignalOverlayMarksLevelsEqualToShowLen) {
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

TEST_F(FileTest, RequestsAreServedSaveThenDivideThenReload) {
    kt::write_file(kGenomeFile, "EX=4\n");
    kt::write_file(kCellFile, "2 1 1 1\n");
    kt::place(3, 30, 30, 30);
    k_p = kReturn = kSpace = 1;
    frame();
    EXPECT_EQ(k_p + kReturn + kSpace, 0);
    // The save saw the colony before the division, the reload replaced everything.
    EXPECT_EQ(kt::read_file(kCellFile), "3 30 30 30\n");
    EXPECT_EQ(std::tuple(DNA_Count, Cells_count, kt::site(0)),
              std::tuple(1, 1, kt::Site{70, 70, 30}));
}

TEST_F(WorldTest, CellsBornDuringThePassTakeTheirTurnInIt) {
    init_view_flags();
    k_v = k_g = 1;
    DNA[0].Enhancer[0] = DNA[0].Enhancer[1] = 2;
    DNA[0].Enhancer_count = 2;
    DNA[0].MPF = DNA_Count = 1;
    genome_changed();
    kt::place(2, 100, 100, 100);
    kt::passes(1);
    Cells[1].clamps = -1;  // not yet a cell: the daughter's step must fill it in
    std::string drawn;
    for (int frames = 0; Cells_count == 1 && frames < 200; ++frames) drawn = frame();
    ASSERT_EQ(Cells_count, 2);
    // The daughter was visited and drawn in the same pass: gravity gave it a height and,
    // with nothing below, pushed it; its step read that back.
    EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 'v'), 2);
    const auto [x, y, z] = kt::site(1);
    EXPECT_GT(world_gravity[x][y][z], 0);
    EXPECT_EQ(std::pair(Cells[1].clamps, world_clamp[x][y][z]), std::pair(2, 2));
}

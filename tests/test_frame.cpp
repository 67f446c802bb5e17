// The frame pass: requests, the per-cell step and what it draws.
#include "support.h"

using kt::FileTest;
using kt::WorldTest;

namespace {

struct Op {
    char kind;  // 'u' colour bytes, 'd' colour doubles, 'v' vertex, 'b' begin, 'e' end
    double a, b, c;
};

struct Recorder {
    std::vector<Op> ops;
    void begin() { ops.push_back({'b', 0, 0, 0}); }
    void end() { ops.push_back({'e', 0, 0, 0}); }
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        ops.push_back({'u', double(r), double(g), double(b)});
    }
    void color_d(double r, double g, double b) { ops.push_back({'d', r, g, b}); }
    void vertex(double x, double y, double z) { ops.push_back({'v', x, y, z}); }
    int vertices() const {
        int n = 0;
        for (const Op& o : ops) n += o.kind == 'v';
        return n;
    }
    // The colour current at the n-th vertex.
    Op colour_at_vertex(int n) const {
        Op current{'-', -1, -1, -1};
        for (const Op& o : ops) {
            if (o.kind == 'u' || o.kind == 'd') current = o;
            if (o.kind == 'v' && n-- == 0) return current;
        }
        return current;
    }
};

Recorder frame() {
    Recorder r;
    show_cells_with(r);
    return r;
}

}  // namespace

TEST_F(WorldTest, AnEmptyColonyStillDrawsAnEmptyBatch) {
    const Recorder r = frame();
    ASSERT_EQ(r.ops.size(), 2u);
    EXPECT_EQ(r.ops[0].kind, 'b');
    EXPECT_EQ(r.ops[1].kind, 'e');
}

TEST_F(WorldTest, EachTypeIsDrawnInItsColourAtItsSite) {
    init_infra();
    kt::place(6, 10, 11, 12);
    kt::place(11, 20, 21, 22);
    const Recorder r = frame();
    ASSERT_EQ(r.vertices(), 2);
    const Op orange = r.colour_at_vertex(0);
    EXPECT_EQ(orange.kind, 'u');
    EXPECT_EQ(orange.b, 120);
    EXPECT_EQ(r.colour_at_vertex(1).b, 255);  // green: 0, 255, 100
    const Op& v = r.ops[2];
    EXPECT_EQ(v.kind, 'v');
    EXPECT_EQ(v.a, 10);
    EXPECT_EQ(v.c, 12);
}

TEST_F(WorldTest, UncolouredTypesInheritTheCurrentColour) {
    init_infra();
    k_l = 0;  // type-1 cells hidden, but their yellow stays current
    kt::place(1, 10, 10, 10);
    kt::place(19, 12, 10, 10);
    const Recorder r = frame();
    ASSERT_EQ(r.vertices(), 1);
    const Op c = r.colour_at_vertex(0);
    EXPECT_EQ(c.a, 255);
    EXPECT_EQ(c.b, 255);
    EXPECT_EQ(c.c, 0);
}

TEST_F(WorldTest, FiltersHideButNeverStopTheSimulation) {
    init_infra();
    move_file = 4;
    k_l = 0;
    show_len = 1;
    const int pushed = kt::place(1, 50, 50, 50);
    world_clamp[50][50][50] = 2;
    kt::place(3, 80, 80, 80);
    int frames = 0;
    while (Cells[pushed].z == 50 && frames < 100) {
        EXPECT_EQ(frame().vertices(), 0);
        ++frames;
        world_clamp[Cells[pushed].x][Cells[pushed].y][Cells[pushed].z] = 2;
    }
    EXPECT_LT(Cells[pushed].z, 50);  // the hidden pushed cell walked (down first)
    // Isolate mode shows only the type equal to show_len.
    show_len = 3;
    EXPECT_EQ(frame().vertices(), 1);
}

TEST_F(WorldTest, SignalOverlayMarksLevelsEqualToShowLen) {
    init_infra();
    const int c = kt::place(7, 30, 30, 30);
    auto set = [&](int c2, int c3, int c4, int c5) {
        world_signal[30][30][30][2] = c2;
        world_signal[30][30][30][3] = c3;
        world_signal[30][30][30][4] = c4;
        world_signal[30][30][30][5] = c5;
    };
    Recorder r;
    set(1, 1, 1, 9);
    draw_cell(c, r);
    EXPECT_EQ(r.colour_at_vertex(0).a, 200);  // channel 4 over 3 over 2
    r.ops.clear();
    set(1, 1, 1, 1);
    draw_cell(c, r);
    EXPECT_EQ(r.colour_at_vertex(0).b, 255);  // channel 5 wins: green
    // show_len 0 marks every cell whose channel-5 level is 0.
    show_len = 0;
    r.ops.clear();
    set(3, 3, 3, 0);
    draw_cell(c, r);
    EXPECT_EQ(r.colour_at_vertex(0).kind, 'd');
    EXPECT_EQ(r.colour_at_vertex(0).b, 255);
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
    EXPECT_EQ(DNA_Count, 1);
    ASSERT_EQ(Cells_count, 1);
    EXPECT_EQ(Cells[0].x, 70);
    EXPECT_TRUE(std::filesystem::exists(kGenomeDump));
}

TEST_F(WorldTest, CellsBornDuringThePassTakeTheirTurnInIt) {
    init_infra();
    k_v = 1;
    k_g = 1;
    DNA[0].Enhancer[0] = 2;
    DNA[0].Enhancer[1] = 2;
    DNA[0].Enhancer_count = 2;
    DNA[0].MPF = 1;
    DNA_Count = 1;
    genome_changed();
    kt::place(2, 100, 100, 100);
    kt::passes(1);
    int frames = 0;
    while (Cells_count == 1 && frames++ < 200) frame();
    ASSERT_EQ(Cells_count, 2);
    // The daughter was visited in the same pass: gravity gave it a height.
    EXPECT_GT(world_gravity[Cells[1].x][Cells[1].y][Cells[1].z], 0);
    EXPECT_EQ(Cells[1].clamps, world_clamp[Cells[1].x][Cells[1].y][Cells[1].z]);
}

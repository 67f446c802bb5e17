// Gene expression: type switching, division genes and the random draws.
#include "support.h"

using kt::WorldTest;

namespace {

// Gene k: enhancers, exon, MPF.
void gene(int k, std::initializer_list<int> en, int exon, int mpf = 0) {
    TDNA& g = DNA[k];
    int n = 0;
    for (int e : en) g.Enhancer[n++] = e;
    g.Enhancer_count = n;
    g.Exon[0] = exon;
    g.MPF = mpf;
    DNA_Count = std::max(DNA_Count, k + 1);
    genome_changed();
}

void levels(int i, std::initializer_list<std::pair<int, int>> channel_level) {
    for (auto [c, l] : channel_level) world_signal[Cells[i].x][Cells[i].y][Cells[i].z][c] = l;
}

// The draws a call of express_genes(i) takes.
std::uint32_t draws_of(int i) {
    const std::uint64_t start = rng_state();
    express_genes(i);
    const std::uint64_t after = rng_state();
    rng_set_state(start);
    for (std::uint32_t n = 0; n < 1000; ++n, rng_next())
        if (rng_state() == after) return n;
    return ~0u;
}

}  // namespace

TEST_F(WorldTest, SwitchNeedsTwoPresentSignalsWithinOneLevel) {
    struct Case {
        int l2, l3, want;
    } cases[] = {{5, 6, 4}, {5, 4, 4}, {1, 1, 4}, {5, 7, 1}, {0, 1, 1}, {1, 0, 1}, {-1, -1, 1}};
    for (const Case& k : cases) {
        kt::reset_world();
        gene(0, {2, 3}, 4);
        const int c = kt::place(1, 10, 10, 10);
        levels(c, {{2, k.l2}, {3, k.l3}});
        EXPECT_EQ(express_genes(c), k.want) << k.l2 << "," << k.l3;
        EXPECT_EQ(world[10][10][10], k.want);
    }
    // An empty genome only refreshes the record from the grid.
    kt::reset_world();
    const int c = kt::place(1, 10, 10, 10);
    world[10][10][10] = 6;
    EXPECT_EQ(express_genes(c), 6);
    EXPECT_EQ(Cells[c].type, 6);
}

TEST_F(WorldTest, OnlyTypeOneSwitchesAndTheFirstGeneWins) {
    gene(0, {2, 3}, 4);
    gene(1, {2, 3}, 7);
    gene(2, {25, -3}, 9);  // enhancers outside the channels read 0: never switches
    gene(3, {2, 3}, 0);    // no EX: never switches
    const int a = kt::place(1, 10, 10, 10);
    const int b = kt::place(5, 12, 10, 10);
    levels(a, {{2, 3}, {3, 3}});
    levels(b, {{2, 3}, {3, 3}});
    EXPECT_EQ(express_genes(a), 4);
    EXPECT_EQ(express_genes(b), 5);
    DNA_Count = 0;
    gene(0, {25, -3}, 9);
    gene(1, {2, 3}, 0);
    const int c = kt::place(1, 14, 10, 10);
    levels(c, {{2, 3}, {3, 3}, {5, 3}});
    world_signal[14][10][11][5] = 3;  // where channel 25 would alias
    EXPECT_EQ(express_genes(c), 1);
}

TEST_F(WorldTest, DivisionGenesDivideInAboutOneFrameOfTenOnlyWhileDivisionIsOn) {
    gene(0, {2, 3}, 4, /*mpf=*/1);
    const int s = kt::place(1, 10, 10, 10);
    levels(s, {{2, 2}, {3, 3}});
    for (int f = 0; f < 30; ++f) express_genes(s);  // division off: a plain switch
    EXPECT_EQ(Cells_count, 1);
    EXPECT_EQ(Cells[s].type, 4);

    kt::reset_world();
    k_v = 1;
    gene(0, {2, 3}, 0, /*mpf=*/1);
    const int c = kt::place(7, 100, 100, 100);
    levels(c, {{2, 2}, {3, 3}});
    int divisions = 0;
    for (int f = 0; f < 2000; ++f) {
        express_genes(c);
        divisions += Cells_count - 1;
        // Keep the cell free to divide: empty its neighbourhood again.
        for (int i = 1; i < Cells_count; ++i) world[Cells[i].x][Cells[i].y][Cells[i].z] = 0;
        publish_cells_count(1);
    }
    EXPECT_GT(divisions, 140);
    EXPECT_LT(divisions, 260);
    levels(c, {{2, 1}, {3, 1}});  // the first enhancer must reach level 2
    for (int f = 0; f < 200; ++f) express_genes(c);
    EXPECT_EQ(Cells_count, 1);
}

TEST_F(WorldTest, ThreeChannelDivisionComparesWithTheFirstOnly) {
    struct Case {
        int l1, l2, l3;
        bool divides;
    } cases[] = {{4, 3, 5, true}, {4, 3, 6, false}, {1, 1, 1, false}, {2, 1, 3, true}};
    for (const Case& k : cases) {
        kt::reset_world();
        const int c = kt::place(7, 100, 100, 100);
        levels(c, {{2, k.l1}, {3, k.l2}, {6, k.l3}});
        divide_where_three_meet(c, 2, 3, 6);
        EXPECT_EQ(Cells_count == 2, k.divides) << k.l1 << k.l2 << k.l3;
    }
    // One EN field: the three-channel test runs with channels EN[0], 0 and 0.
    kt::reset_world();
    k_v = 1;
    gene(0, {2}, 0, 1);
    const int c = kt::place(7, 100, 100, 100);
    levels(c, {{2, 5}});
    for (int f = 0; f < 300; ++f) express_genes(c);
    EXPECT_EQ(Cells_count, 1);
    levels(c, {{0, 4}});
    for (int f = 0; f < 300; ++f) express_genes(c);
    EXPECT_GT(Cells_count, 1);
}

TEST_F(WorldTest, OneDrawPerGenePerCallWhateverTheGenesDo) {
    for (int k = 0; k < 12; ++k) gene(k, {2, 3}, 4 + k);
    const int a = kt::place(1, 10, 10, 10);
    const int b = kt::place(9, 30, 10, 10);
    levels(a, {{2, 3}, {3, 3}});
    for (int cell : {a, b, a}) EXPECT_EQ(draws_of(cell), 12u);
    EXPECT_EQ(Cells[a].type, 4);
    // With division on, a failed division attempt adds nothing to the count.
    k_v = 1;
    gene(12, {2, 11}, 0, 1);
    EXPECT_EQ(draws_of(b), 13u);
    // Jumping the generator is the same as drawing.
    rng_seed(7);
    for (int k = 0; k < 437; ++k) rng_next();
    const std::uint64_t stepped = rng_state();
    rng_seed(7);
    rng_skip(437);
    EXPECT_EQ(rng_state(), stepped);
}

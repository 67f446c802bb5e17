// Division: the four search orders, their bounds and the divide-all command.
#include "support.h"

using kt::site;
using kt::Site;
using kt::WorldTest;

namespace {

Site daughter() {
    return site(Cells_count - 1);
}

}  // namespace

TEST_F(WorldTest, EachVariantTakesItsFirstFreeNeighbour) {
    // With every neighbour free, the first of each order wins: z-1, x-1, y-1, y+1.
    const Site first[4] = {{50, 50, 49}, {49, 50, 50}, {50, 49, 50}, {50, 51, 50}};
    for (int v = 0; v < 4; ++v) {
        kt::reset_world();
        divide_in_order(kt::place(3, 50, 50, 50), v);
        ASSERT_EQ(Cells_count, 2) << v;
        EXPECT_EQ(daughter(), first[v]) << v;
        EXPECT_EQ(Cells[1].type, 1);
    }
    // Variant 2 with x-1, y-1 and y+1 taken goes on to x+1 (before z+1 and z-1).
    kt::reset_world();
    const int c = kt::place(3, 50, 50, 50);
    kt::surround(9, 50, 50, 50, {{51, 50, 50}, {50, 50, 51}, {50, 50, 49}});
    divide_in_order(c, 1);
    EXPECT_EQ(daughter(), (Site{51, 50, 50}));
}

TEST_F(WorldTest, DaughtersAreNeverBornOnLayerOne) {
    // At coordinate 2 the way down an axis is closed, on every axis; the cell
    // is marked pushed and its neighbours' clamp states are left alone.
    const Site at[3] = {{50, 50, 2}, {2, 50, 50}, {50, 2, 50}};
    const Site below[3] = {{50, 50, 1}, {1, 50, 50}, {50, 1, 50}};
    for (int k = 0; k < 3; ++k) {
        kt::reset_world();
        const auto [x, y, z] = at[k];
        const int c = kt::place(3, x, y, z);
        kt::surround(9, x, y, z, {below[k]});
        const int before = Cells_count;
        divide_in_order(c, 0);
        EXPECT_EQ(Cells_count, before) << k;
        EXPECT_EQ(Cells[c].clamps, 2);
        EXPECT_EQ(world_clamp[x][y][z], 2);
        EXPECT_EQ(world_clamp[below[k][0]][below[k][1]][below[k][2]], 0);
    }
}

TEST_F(WorldTest, UpperBoundsAt200) {
    // y = 200 closes both y directions.
    const int c = kt::place(3, 50, 200, 50);
    kt::surround(9, 50, 200, 50, {{50, 199, 50}});
    divide_in_order(c, 2);
    EXPECT_EQ(Cells[c].clamps, 2);
    // A corner cell divides only towards x-1 or z-1.
    kt::reset_world();
    const int k = kt::place(3, 200, 200, 200);
    for (int v = 0; v < 40; ++v) {
        divide_cell(k);
        world[199][200][200] = world[200][200][199] = 0;  // free them for the next try
    }
    for (int i = 1; i < Cells_count; ++i)
        EXPECT_TRUE(site(i) == (Site{199, 200, 200}) || site(i) == (Site{200, 200, 199}));
    // Coordinate 200 itself is reachable.
    kt::reset_world();
    const int e = kt::place(3, 199, 50, 50);
    kt::surround(9, 199, 50, 50, {{200, 50, 50}});
    divide_in_order(e, 3);
    EXPECT_EQ(daughter(), (Site{200, 50, 50}));
}

TEST_F(WorldTest, DivideAllDividesEachCellOnceWithOneDrawEach) {
    for (int k = 0; k < 10; ++k) kt::place(3, 20 + 3 * k, 40, 40);
    const std::uint64_t start = rng_state();
    divide_every_cell();
    const std::uint64_t after = rng_state();
    ASSERT_EQ(Cells_count, 20);  // daughters are not divided again in the same call
    for (int i = 10; i < 20; ++i) {
        const Site d = site(i), p = site(i - 10);
        EXPECT_EQ(std::abs(d[0] - p[0]) + std::abs(d[1] - p[1]) + std::abs(d[2] - p[2]), 1) << i;
    }
    rng_set_state(start);
    rng_skip(10);
    EXPECT_EQ(rng_state(), after);
}

TEST_F(WorldTest, AFullTableAddsNothingAndMarksNothing) {
    const int c = kt::place(3, 20, 40, 40);
    publish_cells_count(kMaxCells);
    divide_in_order(c, 0);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_EQ(world[20][40][39], 0);
    EXPECT_EQ(Cells[c].clamps, 0);  // it had a free neighbour: not pushed
}

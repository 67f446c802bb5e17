// Clamps, adhesion, moves, the random walk and column gravity.
#include "support.h"

using kt::site;
using kt::Site;
using kt::star_clamped;
using kt::WorldTest;

namespace {

// Seeds the generator so that the next walk turn draws r (mod 10).
void next_walk_draw_is(unsigned r) {
    std::uint64_t s = 1;
    for (rng_seed(s); rng_next() % 10 != r; rng_seed(++s)) {
    }
    rng_seed(s);
}

}  // namespace

TEST_F(WorldTest, SetClampWritesTheSiteAndItsSixNeighbours) {
    set_clamp_cell(kt::place(3, 1, 1, 1), 2);
    EXPECT_TRUE(star_clamped(1, 1, 1, 2));  // reaching the border layer 0
    EXPECT_EQ(world_clamp[2][2][1], 0);
}

TEST_F(WorldTest, AdhesionComparesStrictlyWithTheThreshold) {
    const int a = kt::place(3, 10, 10, 10);  // type 3: threshold 1
    EXPECT_TRUE(cell_may_leave(a));          // no same-type neighbour: free
    kt::place(3, 10, 11, 10);
    EXPECT_FALSE(cell_may_leave(a));  // one, equal to the threshold: held
    Glueds[3] = 2;
    EXPECT_TRUE(cell_may_leave(a));
    // Thresholds of 0 or less hold every cell; so do types beyond the table.
    const int lone = kt::place(3, 50, 50, 50);
    for (int threshold : {0, -4}) {
        Glueds[3] = threshold;
        EXPECT_FALSE(cell_may_leave(lone));
    }
    EXPECT_FALSE(cell_may_leave(kt::place(150, 60, 60, 60)));
    // Type 1 (threshold 6) always moves: at most five neighbours can share it.
    const int b = kt::place(1, 30, 30, 30);
    kt::surround(1, 30, 30, 30, {{30, 30, 29}});
    EXPECT_TRUE(cell_may_leave(b));
}

TEST_F(WorldTest, AMoveCarriesTypeAndHeightAndLocksBothNeighbourhoods) {
    const int c = kt::place(2, 40, 40, 40);
    world_gravity[40][40][40] = 4;
    world_gravity[41][40][41] = 6;  // a column stands above the target
    world_clamp[40][40][40] = 2;
    move_cell(c, 41, 40, 40);
    EXPECT_EQ(site(c), (Site{41, 40, 40}));
    EXPECT_EQ(world[40][40][40], 0);
    EXPECT_EQ(world_gravity[40][40][40], 0);
    EXPECT_EQ(world[41][40][40], 2);
    EXPECT_EQ(world_gravity[41][40][40], 7);
    EXPECT_EQ(Cells[c].clamps, 1);
    EXPECT_TRUE(star_clamped(40, 40, 40, 1));
    EXPECT_TRUE(star_clamped(41, 40, 40, 1));
    // Stepping down, a cell lands with height 1: the site above is the one it left.
    move_cell(c, 41, 40, 39);
    EXPECT_EQ(world_gravity[41][40][39], 1);
}

TEST_F(WorldTest, AHeldMoveLocksTheOldStarAndTheTarget) {
    const int c = kt::place(3, 40, 40, 40);
    kt::place(3, 39, 40, 40);  // one same-type neighbour holds a type-3 cell
    world_clamp[40][40][40] = 2;
    move_cell(c, 41, 40, 40);
    EXPECT_EQ(site(c), (Site{40, 40, 40}));
    EXPECT_EQ(world[41][40][40], 0);
    EXPECT_EQ(Cells[c].clamps, 1);
    EXPECT_TRUE(star_clamped(40, 40, 40, 1));
    EXPECT_EQ(world_clamp[42][40][40], 0);  // beyond the target nothing is locked
}

TEST_F(WorldTest, AStepOffTheLatticeTurnsTheCellIntoTypeEight) {
    const int c = kt::place(2, 1, 30, 30);
    move_cell(c, 0, 30, 30);
    EXPECT_EQ(site(c), (Site{1, 30, 30}));
    EXPECT_EQ(world[1][30][30], 8);
    EXPECT_EQ(Cells[c].type, 8);
    EXPECT_TRUE(star_clamped(1, 30, 30, 1));  // the target (0, 30, 30) included
}

TEST_F(WorldTest, EveryWalkVariantFallsFirstAndRisesLast) {
    const Site first_sideways[4] = {{50, 51, 50}, {51, 50, 50}, {50, 49, 50}, {49, 50, 50}};
    for (int v = 0; v < 4; ++v) {
        kt::reset_world();
        const int c = kt::place(2, 50, 50, 50);
        walk_in_order(c, v);
        EXPECT_EQ(site(c), (Site{50, 50, 49})) << v;
        kt::reset_world();
        const int d = kt::place(2, 50, 50, 50);
        kt::place(9, 50, 50, 49);
        walk_in_order(d, v);
        EXPECT_EQ(site(d), first_sideways[v]) << v;
    }
    kt::reset_world();
    const int e = kt::place(2, 50, 50, 50);
    kt::surround(9, 50, 50, 50, {{50, 50, 51}});  // z+1 only when the five others are taken
    walk_in_order(e, 2);
    EXPECT_EQ(site(e), (Site{50, 50, 51}));
}

TEST_F(WorldTest, TheWalkStaysOnTheLatticeAndReachesLayerOne) {
    for (Site start : {Site{100, 100, 1}, Site{200, 200, 200}}) {
        kt::reset_world();
        const int c = kt::place(2, start[0], start[1], start[2]);
        for (int k = 0; k < 200; ++k) {
            walk_in_order(c, k % 2 ? 1 : 3);
            ASSERT_TRUE(interior(Cells[c].x, Cells[c].y, Cells[c].z));
        }
    }
    // The walk's lower bound is 1 (division's is 2).
    kt::reset_world();
    const int c = kt::place(2, 2, 2, 2);
    walk_in_order(c, 3);
    walk_in_order(c, 3);
    EXPECT_EQ(site(c), (Site{1, 2, 1}));
}

TEST_F(WorldTest, ABoxedInCellPassesThePushOn) {
    const int c = kt::place(2, 50, 50, 50);
    kt::surround(9, 50, 50, 50);
    next_walk_draw_is(0);  // a turn outside 1..4 writes nothing
    random_walk_turn(c);
    EXPECT_EQ(world_clamp[50][50][50], 0);
    next_walk_draw_is(2);
    random_walk_turn(c);
    EXPECT_TRUE(star_clamped(50, 50, 50, 2));
    EXPECT_EQ(site(c), (Site{50, 50, 50}));
}

TEST_F(WorldTest, AHeldCellTriesNoOtherNeighbourAndTurnsCostOneDraw) {
    const int c = kt::place(3, 50, 50, 50);
    kt::place(3, 50, 51, 50);  // holds it (threshold 1)
    walk_in_order(c, 0);       // tries below, is held, stops
    EXPECT_EQ(site(c), (Site{50, 50, 50}));
    EXPECT_EQ(world_clamp[50][50][49], 1);
    for (int k = 0; k < 20; ++k) {
        const std::uint64_t start = rng_state();
        random_walk_turn(c);
        const std::uint64_t after = rng_state();
        rng_set_state(start);
        rng_skip(1);
        EXPECT_EQ(rng_state(), after);
    }
}

TEST_F(WorldTest, GravityPushesFloatingCellsAndLocksIdleFloorCells) {
    apply_column_gravity(kt::place(2, 20, 20, 50));  // nothing below: pushed, height 1
    EXPECT_EQ(world_gravity[20][20][50], 1);
    EXPECT_EQ(world_clamp[20][20][50], 2);
    world_clamp[31][30][1] = 7;
    apply_column_gravity(kt::place(2, 30, 30, 1));  // an unloaded floor cell: locked, nothing else
    EXPECT_EQ(world_clamp[30][30][1], 1);
    EXPECT_EQ(world_clamp[31][30][1], 7);
    apply_column_gravity(kt::place(2, 60, 60, 200));  // the border holds no column
    EXPECT_EQ(world_gravity[60][60][200], 1);
}

TEST_F(WorldTest, GravityOnAStack) {
    const int low = kt::place(2, 30, 30, 1);
    apply_column_gravity(kt::place(2, 30, 30, 2));
    EXPECT_EQ(world_clamp[30][30][1], 2);  // the cell below is pushed...
    EXPECT_EQ(world_clamp[30][30][2], 0);  // ...the resting one left alone
    apply_column_gravity(low);
    EXPECT_EQ(world_gravity[30][30][1], 2);
    for (auto [x, y] : {std::pair{30, 30}, {31, 30}, {29, 30}, {30, 31}, {30, 29}})
        EXPECT_EQ(world_clamp[x][y][1], 2) << x << "," << y;
    EXPECT_EQ(world_clamp[31][31][1], 0);
}

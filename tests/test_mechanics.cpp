// Clamps, adhesion, moves, the random walk and column gravity.
#include "support.h"

using kt::WorldTest;

namespace {

int clamp_at(int x, int y, int z) {
    return world_clamp[x][y][z];
}

// The site and its six face neighbours all read `v`.
void expect_star(int x, int y, int z, int v) {
    EXPECT_EQ(clamp_at(x, y, z), v);
    EXPECT_EQ(clamp_at(x + 1, y, z), v);
    EXPECT_EQ(clamp_at(x - 1, y, z), v);
    EXPECT_EQ(clamp_at(x, y + 1, z), v);
    EXPECT_EQ(clamp_at(x, y - 1, z), v);
    EXPECT_EQ(clamp_at(x, y, z + 1), v);
    EXPECT_EQ(clamp_at(x, y, z - 1), v);
}

// Finds a seed state whose next draw % 10 equals r, so a walk turn takes variant r.
void next_walk_draw_is(unsigned r) {
    for (std::uint64_t s = 1;; ++s) {
        rng_seed(s);
        if (rng_next() % 10 == r) {
            rng_seed(s);
            return;
        }
    }
}

}  // namespace

TEST_F(WorldTest, SetClampWritesTheSiteAndItsSixNeighbours) {
    const int c = kt::place(3, 1, 1, 1);
    set_clamp_cell(c, 2);
    expect_star(1, 1, 1, 2);  // reaches the border layer 0
    EXPECT_EQ(clamp_at(2, 2, 1), 0);
}

TEST_F(WorldTest, AdhesionComparesStrictlyWithTheThreshold) {
    // Type 3 (threshold 1): one same-type neighbour holds it, none frees it.
    const int a = kt::place(3, 10, 10, 10);
    EXPECT_TRUE(Cell_Glued(a));
    kt::place(3, 10, 11, 10);
    EXPECT_FALSE(Cell_Glued(a));
    // Threshold 2 with one neighbour: free; with two: held.
    Glueds[3] = 2;
    EXPECT_TRUE(Cell_Glued(a));
    kt::place(3, 10, 10, 9);
    EXPECT_FALSE(Cell_Glued(a));
    // Threshold 0 or negative holds every cell; types beyond the table too.
    Glueds[3] = 0;
    const int lone = kt::place(3, 50, 50, 50);
    EXPECT_FALSE(Cell_Glued(lone));
    Glueds[3] = -4;
    EXPECT_FALSE(Cell_Glued(lone));
    const int alien = kt::place(150, 60, 60, 60);
    EXPECT_FALSE(Cell_Glued(alien));
    // Type 1 (threshold 6) always moves: at most five neighbours can share it.
    const int b = kt::place(1, 30, 30, 30);
    for (auto [x, y, z] :
         {std::array{31, 30, 30}, {29, 30, 30}, {30, 31, 30}, {30, 29, 30}, {30, 30, 31}})
        kt::place(1, x, y, z);
    EXPECT_TRUE(Cell_Glued(b));
}

TEST_F(WorldTest, AMoveCarriesTypeAndHeightAndLocksBothNeighbourhoods) {
    const int c = kt::place(2, 40, 40, 40);
    world_gravity[40][40][40] = 4;
    world_gravity[41][40][41] = 6;  // a column stands above the target
    world_clamp[40][40][40] = 2;
    Move_Cell(41, 40, 40, c);
    EXPECT_EQ(world[40][40][40], 0);
    EXPECT_EQ(world_gravity[40][40][40], 0);
    EXPECT_EQ(world[41][40][40], 2);
    EXPECT_EQ(world_gravity[41][40][40], 7);
    EXPECT_EQ(Cells[c].x, 41);
    EXPECT_EQ(Cells[c].clamps, 1);
    expect_star(40, 40, 40, 1);
    expect_star(41, 40, 40, 1);
}

TEST_F(WorldTest, ACellSteppingDownLandsWithHeightOne) {
    const int c = kt::place(2, 40, 40, 40);
    world_gravity[40][40][40] = 4;
    Move_Cell(40, 40, 39, c);
    EXPECT_EQ(world_gravity[40][40][39], 1);
    EXPECT_EQ(world_gravity[40][40][40], 0);
}

TEST_F(WorldTest, AHeldMoveLocksTheOldStarAndTheTarget) {
    const int c = kt::place(3, 40, 40, 40);
    kt::place(3, 39, 40, 40);  // one same-type neighbour holds a type-3 cell
    world_clamp[40][40][40] = 2;
    Move_Cell(41, 40, 40, c);
    EXPECT_EQ(world[40][40][40], 3);
    EXPECT_EQ(world[41][40][40], 0);
    EXPECT_EQ(Cells[c].clamps, 1);
    expect_star(40, 40, 40, 1);
    EXPECT_EQ(clamp_at(42, 40, 40), 0);  // beyond the target nothing is locked
}

TEST_F(WorldTest, AStepOffTheLatticeTurnsTheCellIntoTypeEight) {
    const int c = kt::place(2, 1, 30, 30);
    Move_Cell(0, 30, 30, c);
    EXPECT_EQ(world[1][30][30], 8);
    EXPECT_EQ(Cells[c].type, 8);
    EXPECT_EQ(Cells[c].x, 1);
    EXPECT_EQ(clamp_at(0, 30, 30), 1);
    expect_star(1, 30, 30, 1);
}

TEST_F(WorldTest, EveryVariantFallsFirstAndRisesLast) {
    void (*variant[4])(int) = {rand_move_cell1, rand_move_cell2, rand_move_cell3, rand_move_cell4};
    // First horizontal choice of each variant: y+1, x+1, y-1, x-1.
    const int dx[4] = {0, 1, 0, -1}, dy[4] = {1, 0, -1, 0};
    for (int v = 0; v < 4; ++v) {
        kt::reset_world();
        const int c = kt::place(2, 50, 50, 50);
        variant[v](c);
        EXPECT_EQ(Cells[c].z, 49) << v;  // below first
        kt::reset_world();
        const int d = kt::place(2, 50, 50, 50);
        kt::place(9, 50, 50, 49);
        variant[v](d);
        EXPECT_EQ(Cells[d].x, 50 + dx[v]) << v;
        EXPECT_EQ(Cells[d].y, 50 + dy[v]) << v;
        EXPECT_EQ(Cells[d].z, 50) << v;
    }
    // z+1 only when the five others are taken.
    kt::reset_world();
    const int e = kt::place(2, 50, 50, 50);
    for (auto [x, y, z] :
         {std::array{51, 50, 50}, {49, 50, 50}, {50, 51, 50}, {50, 49, 50}, {50, 50, 49}})
        kt::place(9, x, y, z);
    rand_move_cell3(e);
    EXPECT_EQ(Cells[e].z, 51);
}

TEST_F(WorldTest, TheWalkStaysOnTheLatticeAtItsEdges) {
    // On layer 1 nothing goes down, at 200 nothing goes up or out; a cell can
    // step onto layer 1 (the walk's lower bound is 1).
    const int floor = kt::place(2, 100, 100, 1);
    for (int k = 0; k < 50; ++k) {
        rand_move_cell1(floor);
        ASSERT_TRUE(interior(Cells[floor].x, Cells[floor].y, Cells[floor].z));
    }
    kt::reset_world();
    const int corner = kt::place(2, 200, 200, 200);
    for (int k = 0; k < 200; ++k) {
        (k % 2 ? rand_move_cell2 : rand_move_cell4)(corner);
        ASSERT_TRUE(interior(Cells[corner].x, Cells[corner].y, Cells[corner].z));
    }
    kt::reset_world();
    const int c = kt::place(2, 2, 2, 2);
    rand_move_cell4(c);  // below is free and allowed
    EXPECT_EQ(Cells[c].z, 1);
    rand_move_cell4(c);  // then x-1 onto layer 1
    EXPECT_EQ(Cells[c].x, 1);
}

TEST_F(WorldTest, ABoxedInCellPassesThePushOn) {
    const int c = kt::place(2, 50, 50, 50);
    for (auto [x, y, z] : {std::array{51, 50, 50},
                           {49, 50, 50},
                           {50, 51, 50},
                           {50, 49, 50},
                           {50, 50, 49},
                           {50, 50, 51}})
        kt::place(9, x, y, z);
    next_walk_draw_is(0);  // a turn outside 1..4 writes nothing
    go_mov_cells(c);
    EXPECT_EQ(clamp_at(50, 50, 50), 0);
    next_walk_draw_is(2);
    go_mov_cells(c);
    expect_star(50, 50, 50, 2);
    EXPECT_EQ(Cells[c].z, 50);
}

TEST_F(WorldTest, AHeldCellTriesNoOtherNeighbour) {
    const int c = kt::place(3, 50, 50, 50);
    kt::place(3, 50, 51, 50);  // holds it (threshold 1)
    rand_move_cell1(c);        // tries below, is held, stops
    EXPECT_EQ(Cells[c].z, 50);
    EXPECT_EQ(clamp_at(50, 50, 49), 1);
    EXPECT_EQ(clamp_at(50, 50, 50), 1);
}

TEST_F(WorldTest, OneWalkTurnIsOneDraw) {
    const int c = kt::place(2, 50, 50, 50);
    for (int k = 0; k < 20; ++k) {
        const std::uint64_t start = rng_state();
        go_mov_cells(c);
        const std::uint64_t after = rng_state();
        rng_set_state(start);
        rng_skip(1);
        EXPECT_EQ(rng_state(), after);
    }
}

TEST_F(WorldTest, GravityPushesAFloatingCellAndLocksAnIdleFloorCell) {
    const int c = kt::place(2, 20, 20, 50);
    add_gravity(c);
    EXPECT_EQ(world_gravity[20][20][50], 1);
    EXPECT_EQ(clamp_at(20, 20, 50), 2);

    const int f = kt::place(2, 30, 30, 1);
    world_clamp[31][30][1] = 7;
    add_gravity(f);
    EXPECT_EQ(world_gravity[30][30][1], 1);
    EXPECT_EQ(clamp_at(30, 30, 1), 1);
    EXPECT_EQ(clamp_at(31, 30, 1), 7);  // nothing else written
}

TEST_F(WorldTest, GravityOnAStack) {
    const int low = kt::place(2, 30, 30, 1);
    const int high = kt::place(2, 30, 30, 2);
    add_gravity(high);
    EXPECT_EQ(world_gravity[30][30][2], 1);
    EXPECT_EQ(clamp_at(30, 30, 1), 2);
    EXPECT_EQ(clamp_at(30, 30, 2), 0);  // a resting cell's own state is left alone
    add_gravity(low);
    EXPECT_EQ(world_gravity[30][30][1], 2);
    for (auto [x, y] : {std::pair{30, 30}, {31, 30}, {29, 30}, {30, 31}, {30, 29}})
        EXPECT_EQ(clamp_at(x, y, 1), 2) << x << "," << y;
    EXPECT_EQ(clamp_at(31, 31, 1), 0);
    // At the top of the lattice the height is 1: the border holds no column.
    const int top = kt::place(2, 60, 60, 200);
    add_gravity(top);
    EXPECT_EQ(world_gravity[60][60][200], 1);
}

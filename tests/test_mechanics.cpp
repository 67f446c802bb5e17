// Mechanics: clamps, adhesion, moves and the random walk of pushed cells.
#include "support.h"

using kt::site;
using kt::Site;
using kt::star_clamped;
using Mechanics = kt::WorldTest;

TEST_F(Mechanics, AdhesionComparesStrictlyWithTheThreshold) {
    // The cell's type, its threshold, same-type neighbours; whether it may leave.
    const std::tuple<int, int, int, bool> cases[] = {
        {3, 1, 0, true},   {3, 1, 1, false},   {3, 2, 1, true}, {3, 0, 0, false},
        {3, -4, 0, false}, {150, 0, 0, false}, {1, 6, 5, true}};
    for (const auto& [type, threshold, same, leaves] : cases) {
        kt::reset_world();
        if (type < kTypes) Glueds[type] = threshold;
        const int c = kt::place(type, 30, 30, 30);
        kt::surround(9, {30, 30, 30});  // another type on every face...
        for (int n = 1; n <= same; ++n) world[Cells[n].x][Cells[n].y][Cells[n].z] = type;
        EXPECT_EQ(cell_may_leave(c), leaves) << type << " " << threshold << " " << same;
    }
}

TEST_F(Mechanics, AMoveCarriesTypeAndHeightAndLocksBothStars) {
    set_clamp_cell(kt::place(3, 1, 1, 1), 2);
    EXPECT_TRUE(star_clamped({1, 1, 1}, 2));  // reaching the border layer 0
    EXPECT_EQ(world_clamp[2][2][1], 0);
    const int c = kt::place(2, 40, 40, 40);
    world_gravity[40][40][40] = 4;
    world_gravity[41][40][41] = 6;  // a column stands above the target
    move_cell(c, 41, 40, 40);
    EXPECT_EQ(std::tuple(site(c), world[40][40][40], world_gravity[40][40][40], world[41][40][40],
                         world_gravity[41][40][40], Cells[c].clamps),
              std::tuple(Site{41, 40, 40}, 0, 0, 2, 7, 1));
    EXPECT_TRUE(star_clamped({40, 40, 40}, 1) && star_clamped({41, 40, 40}, 1));
    move_cell(c, 41, 40, 39);  // stepping down it lands with height 1
    EXPECT_EQ(world_gravity[41][40][39], 1);
}

TEST_F(Mechanics, AHeldMoveLocksTheOldStarAndTheTargetOnly) {
    const int c = kt::place(3, 40, 40, 40);
    kt::place(3, 39, 40, 40);  // one same-type neighbour holds a type-3 cell
    world_clamp[40][40][40] = 2;
    move_cell(c, 41, 40, 40);
    EXPECT_EQ(std::tuple(site(c), world[41][40][40], Cells[c].clamps, world_clamp[42][40][40]),
              std::tuple(Site{40, 40, 40}, 0, 1, 0));
    EXPECT_TRUE(star_clamped({40, 40, 40}, 1));
    // A step off the lattice turns the cell into type 8 where it stands.
    const int e = kt::place(2, 1, 30, 30);
    move_cell(e, 0, 30, 30);
    EXPECT_EQ(std::tuple(site(e), world[1][30][30], Cells[e].type),
              std::tuple(Site{1, 30, 30}, 8, 8));
    EXPECT_TRUE(star_clamped({1, 30, 30}, 1));  // the target (0, 30, 30) included
}

TEST_F(Mechanics, EveryWalkOrderIsPinnedToItsLastFace) {
    const std::array<const char*, 6> orders[kWalkOrders] = {
        {"z-", "y+", "y-", "x+", "x-", "z+"},
        {"z-", "x+", "x-", "y+", "y-", "z+"},
        {"z-", "y-", "y+", "x+", "x-", "z+"},
        {"z-", "x-", "x+", "y+", "y-", "z+"},
    };
    for (int v = 0; v < kWalkOrders; ++v) {
        SCOPED_TRACE(v);
        kt::expect_search_order(orders[v], [v](int c) {
            walk_in_order(c, v);
            return site(c);
        });
    }
    // Boxed in: the push is passed on to the six neighbours.
    const int c = kt::place(2, 20, 20, 20);
    kt::surround(9, {20, 20, 20});
    walk_in_order(c, 0);
    EXPECT_TRUE(star_clamped({20, 20, 20}, 2));
    const int low = kt::place(2, 2, 2, 2);  // the walk's lower bound is 1 (division's is 2)
    walk_in_order(low, 3);
    walk_in_order(low, 3);
    EXPECT_EQ(site(low), (Site{1, 2, 1}));
}

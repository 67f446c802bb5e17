// Column gravity: heights, pushes of floating and loaded cells, idle floors.
#include "support.h"

using Gravity = kt::WorldTest;

TEST_F(Gravity, FloatingCellsAndStacksArePushedAndIdleFloorCellsLocked) {
    apply_column_gravity(kt::place(2, 20, 20, 50));  // nothing below: pushed, height 1
    EXPECT_EQ(std::pair(world_gravity[20][20][50], world_clamp[20][20][50]), std::pair(1, 2));
    world_clamp[31][30][1] = 7;
    apply_column_gravity(kt::place(2, 30, 30, 1));  // an unloaded floor cell: locked, nothing else
    EXPECT_EQ(std::pair(world_clamp[30][30][1], world_clamp[31][30][1]), std::pair(1, 7));
    apply_column_gravity(kt::place(2, 60, 60, 200));  // the border holds no column
    EXPECT_EQ(world_gravity[60][60][200], 1);
    // A stack pushes the cell below, and a loaded floor cell its neighbours.
    const int low = kt::place(2, 40, 40, 1);
    apply_column_gravity(kt::place(2, 40, 40, 2));
    EXPECT_EQ(std::pair(world_clamp[40][40][1], world_clamp[40][40][2]), std::pair(2, 0));
    apply_column_gravity(low);
    EXPECT_EQ(world_gravity[40][40][1], 2);
    for (auto [x, y] : {std::pair{40, 40}, {41, 40}, {39, 40}, {40, 41}, {40, 39}})
        EXPECT_EQ(world_clamp[x][y][1], 2) << x << "," << y;
    EXPECT_EQ(world_clamp[41][41][1], 0);
}

// Column gravity: keeps column heights and pushes cells towards the floor; the
// random walk, which tries the site below first, does the falling.
#include "sim/gravity.h"
#include "sim/world.h"

void apply_column_gravity(int i) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    const std::int32_t height = world_gravity[x][y][z + 1] + 1;
    world_gravity[x][y][z] = height;
    if (z == 1) {
        if (height > 1) {
            // A loaded floor cell pushes itself and its four floor neighbours aside.
            world_clamp[x][y][1] = 2;
            world_clamp[x + 1][y][1] = 2;
            world_clamp[x - 1][y][1] = 2;
            world_clamp[x][y + 1][1] = 2;
            world_clamp[x][y - 1][1] = 2;
        } else {
            world_clamp[x][y][1] = 1;  // an unloaded floor cell stays put
        }
    } else if (world[x][y][z - 1] == 0) {
        world_clamp[x][y][z] = 2;  // nothing below: fall
    } else {
        world_clamp[x][y][z - 1] = 2;  // push the cell below aside
    }
}

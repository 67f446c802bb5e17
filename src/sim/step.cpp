// The per-cell step of a frame.
#include "sim/step.h"
#include "sim/mechanics.h"

void cell_step(int i) {
    TCells& c = Cells[i];
    c.type = world[c.x][c.y][c.z];
    c.clamps = world_clamp[c.x][c.y][c.z];
    if (c.clamps > 1) random_walk_turn(i);
}

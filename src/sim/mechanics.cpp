// Clamp field, adhesion, moves and the random walk of pushed cells.
#include "sim/mechanics.h"
#include "sim/faces.h"
#include "sim/history.h"
#include "sim/random.h"
#include "sim/world.h"

#include <cassert>

namespace {

// Every walk tries the site below first and the site above last; in between
// one horizontal direction, its opposite, then the other axis, + before -.
constexpr Face kWalkOrder[kWalkOrders][6] = {
    {kZm, kYp, kYm, kXp, kXm, kZp},
    {kZm, kXp, kXm, kYp, kYm, kZp},
    {kZm, kYm, kYp, kXp, kXm, kZp},
    {kZm, kXm, kXp, kYp, kYm, kZp},
};

// A cell can step onto layer 1 (division's lowest coordinate is 2).
constexpr FaceBounds kStepBounds = {1, false};

inline bool in_grid(int x, int y, int z) {
    return x >= 0 && x < kAxis && y >= 0 && y < kAxis && z >= 0 && z < kAxis;
}

}  // namespace

void set_clamp_cell(int i, int clamp) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    assert(interior(x, y, z));  // so that all six neighbours lie in the grid
    world_clamp[x][y][z] = clamp;
    world_clamp[x + 1][y][z] = clamp;
    world_clamp[x - 1][y][z] = clamp;
    world_clamp[x][y + 1][z] = clamp;
    world_clamp[x][y - 1][z] = clamp;
    world_clamp[x][y][z + 1] = clamp;
    world_clamp[x][y][z - 1] = clamp;
}

bool cell_may_leave(int i) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    const std::int32_t own_type = world[x][y][z];
    const int same_type = (world[x - 1][y][z] == own_type) + (world[x + 1][y][z] == own_type) +
                          (world[x][y + 1][z] == own_type) + (world[x][y - 1][z] == own_type) +
                          (world[x][y][z + 1] == own_type) + (world[x][y][z - 1] == own_type);
    // Strict: a count equal to the threshold holds the cell; a threshold of 0 or
    // less holds it always.
    return same_type < glued_threshold(own_type);
}

void move_cell(int i, int x, int y, int z) {
    TCells& c = Cells[i];
    const int ox = c.x, oy = c.y, oz = c.z;
    // The old neighbourhood and the target are locked before anything is decided.
    set_clamp_cell(i, 1);
    if (in_grid(x, y, z)) world_clamp[x][y][z] = 1;

    if (!(x > 0 && y > 0 && z > 0 && x <= 200 && y <= 200 && z <= 200)) {
        // A step off the lattice: the cell becomes type 8 where it stands.
        c.clamps = 1;
        world_clamp[ox][oy][oz] = 1;
        const std::int32_t was = world[ox][oy][oz];
        c.type = 8;
        st(world[ox][oy][oz], 8);
        note_world_edit();
        if (was != 8) history_type_changed(i, -1, was, 8);  // no gene made it
        return;
    }
    if (cell_may_leave(i)) {
        st(world[ox][oy][oz], 0);
        st(world[x][y][z], c.type);
        // Zeroed before the new height is computed: a cell stepping down lands
        // with height 1, as the site above it is the one it left.
        world_gravity[ox][oy][oz] = 0;
        st(c.x, x);
        st(c.y, y);
        st(c.z, z);
        world_gravity[x][y][z] = world_gravity[x][y][z + 1] + 1;
        set_clamp_cell(i, 1);
        c.clamps = 1;
        put_to_world(&c);
    } else {
        c.clamps = 1;
        set_clamp_cell(i, 1);
    }
}

void walk_in_order(int i, int order) {
    int nx, ny, nz;
    if (first_empty_face(kWalkOrder[order], Cells[i].x, Cells[i].y, Cells[i].z, kStepBounds, nx, ny,
                         nz))
        move_cell(i, nx, ny, nz);  // whatever it decides, the attempt ends here
    else
        set_clamp_cell(i, 2);  // boxed in: pass the push on to the neighbours
}

void random_walk_turn(int i) {
    // Four turns in ten try a step; the others leave the cell pushed.
    const std::uint32_t draw = rng_next() % 10;
    if (draw >= 1 && draw <= kWalkOrders) walk_in_order(i, int(draw) - 1);
}

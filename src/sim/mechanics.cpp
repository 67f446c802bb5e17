// Clamp field, adhesion, moves and the random walk of pushed cells.
#include "Cell.h"
#include "faces.h"

#include <cassert>

namespace {

// Every walk tries the site below first and the site above last; in between
// one horizontal direction, its opposite, then the other axis, + before -.
constexpr Face kWalkOrder[4][6] = {
    {kZm, kYp, kYm, kXp, kXm, kZp},
    {kZm, kXp, kXm, kYp, kYm, kZp},
    {kZm, kYm, kYp, kXp, kXm, kZp},
    {kZm, kXm, kXp, kYp, kYm, kZp},
};

// A cell can step onto layer 1 (division's lowest coordinate is 2).
constexpr FaceBounds kStepBounds = {1, false};

void walk_in_order(int i, const Face (&order)[6]) {
    int nx, ny, nz;
    if (first_empty_face(order, Cells[i].x, Cells[i].y, Cells[i].z, kStepBounds, nx, ny, nz))
        Move_Cell(nx, ny, nz, i);  // whatever it decides, the attempt ends here
    else
        set_clamp_cell(i, 2);  // boxed in: pass the push on to the neighbours
}

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

bool Cell_Glued(int i) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    const std::int32_t t_s = world[x][y][z];
    const int Glued = (world[x - 1][y][z] == t_s) + (world[x + 1][y][z] == t_s) +
                      (world[x][y + 1][z] == t_s) + (world[x][y - 1][z] == t_s) +
                      (world[x][y][z + 1] == t_s) + (world[x][y][z - 1] == t_s);
    // Strict: a count equal to the threshold holds the cell; a threshold of 0 or
    // less holds it always.
    return Glued < glued_threshold(t_s);
}

void Move_Cell(int x, int y, int z, int i) {
    TCells& c = Cells[i];
    const int ox = c.x, oy = c.y, oz = c.z;
    // The old neighbourhood and the target are locked before anything is decided.
    set_clamp_cell(i, 1);
    if (in_grid(x, y, z)) world_clamp[x][y][z] = 1;

    if (!(x > 0 && y > 0 && z > 0 && x <= 200 && y <= 200 && z <= 200)) {
        // A step off the lattice: the cell becomes type 8 where it stands.
        c.clamps = 1;
        world_clamp[ox][oy][oz] = 1;
        c.type = 8;
        st(world[ox][oy][oz], 8);
        return;
    }
    if (Cell_Glued(i)) {
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
        Put_to_World(&c);
    } else {
        c.clamps = 1;
        set_clamp_cell(i, 1);
    }
}

void rand_move_cell1(int i) {
    walk_in_order(i, kWalkOrder[0]);
}
void rand_move_cell2(int i) {
    walk_in_order(i, kWalkOrder[1]);
}
void rand_move_cell3(int i) {
    walk_in_order(i, kWalkOrder[2]);
}
void rand_move_cell4(int i) {
    walk_in_order(i, kWalkOrder[3]);
}

void go_mov_cells(int i) {
    // Four turns in ten try a step; the others leave the cell pushed.
    switch (rng_next() % 10) {
        case 1: rand_move_cell1(i); break;
        case 2: rand_move_cell2(i); break;
        case 3: rand_move_cell3(i); break;
        case 4: rand_move_cell4(i); break;
        default: break;
    }
}

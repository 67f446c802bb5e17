// Division: a daughter of type 1 goes into the first free face neighbour in one
// of four search orders; a cell with no free neighbour is marked pushed.
#include "sim/division.h"
#include "sim/faces.h"
#include "sim/history.h"
#include "sim/random.h"
#include "sim/signal.h"
#include "sim/world.h"

#include <cassert>

namespace {

// The four orders are the one cycle z-1, x-1, y-1, y+1, x+1, z+1 entered at
// its first, second, third and fourth element.
constexpr Face kOrder[kDivisionOrders][6] = {
    {kZm, kXm, kYm, kYp, kXp, kZp},
    {kXm, kYm, kYp, kXp, kZp, kZm},
    {kYm, kYp, kXp, kZp, kZm, kXm},
    {kYp, kXp, kZp, kZm, kXm, kYm},
};

// No daughter is ever born on layer 1 (the lowest coordinate is 2), and a
// cell at y = 200 does not divide towards y-1.
constexpr FaceBounds kDaughterBounds = {2, true};

}  // namespace

void add_cell(int x, int y, int z) {
    const int n = Cells_count;
    if (n >= kMaxCells) return;  // a full table drops the birth
    assert(interior(x, y, z));
    TCells& c = Cells[n];
    st(c.x, x);
    st(c.y, y);
    st(c.z, z);
    c.type = 1;
    put_to_world(&c);
    update_cell_signal(n);  // the newborn's levels exist before the worker can see it
    world_gravity[x][y][z] = world_gravity[x][y][z + 1] + 1;
    publish_cells_count(n + 1);
}

void divide_in_order(int i, int order, int gene) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    int nx, ny, nz;
    if (first_empty_face(kOrder[order], x, y, z, kDaughterBounds, nx, ny, nz)) {
        const int n = Cells_count;
        add_cell(nx, ny, nz);
        if (Cells_count > n) history_born(n, i, gene);  // a full table drops the birth
        return;
    }
    Cells[i].clamps = 2;
    world_clamp[x][y][z] = 2;
}

void divide_cell(int i, int gene) {
    divide_in_order(i, int(rng_next() % kDivisionOrders), gene);
}

void divide_every_cell() {
    // Daughters born during the call are not divided again: the colony at most doubles.
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) divide_cell(i);
}

// Division: a daughter of type 1 goes into the first free face neighbour in one
// of four search orders; a cell with no free neighbour is marked pushed.
#include "Cell.h"
#include "faces.h"

namespace {

// The four orders are the one cycle z-1, x-1, y-1, y+1, x+1, z+1 entered at
// its first, second, third and fourth element.
constexpr Face kOrder[4][6] = {
    {kZm, kXm, kYm, kYp, kXp, kZp},
    {kXm, kYm, kYp, kXp, kZp, kZm},
    {kYm, kYp, kXp, kZp, kZm, kXm},
    {kYp, kXp, kZp, kZm, kXm, kYm},
};

// No daughter is ever born on layer 1 (the lowest coordinate is 2), and a
// cell at y = 200 does not divide towards y-1.
constexpr FaceBounds kDaughterBounds = {2, true};

void divide_in_order(int i, const Face (&order)[6]) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    int nx, ny, nz;
    if (first_empty_face(order, x, y, z, kDaughterBounds, nx, ny, nz)) {
        add_cells(i, nx, ny, nz);
        return;
    }
    Cells[i].clamps = 2;
    world_clamp[x][y][z] = 2;
}

}  // namespace

void translation_finde1(int i) {
    divide_in_order(i, kOrder[0]);
}
void translation_finde2(int i) {
    divide_in_order(i, kOrder[1]);
}
void translation_finde3(int i) {
    divide_in_order(i, kOrder[2]);
}
void translation_finde4(int i) {
    divide_in_order(i, kOrder[3]);
}

void translation_finde(int i) {
    switch (rng_next() % 4) {
        case 0: translation_finde1(i); break;
        case 1: translation_finde2(i); break;
        case 2: translation_finde3(i); break;
        default: translation_finde4(i); break;
    }
}

void go_traslation() {
    // Daughters born during the call are not divided again: the colony at most doubles.
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) translation_finde(i);
}

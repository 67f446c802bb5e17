// Division: a daughter of type 1 goes into the first free face neighbour in one
// of four search orders; a cell with no free neighbour is marked pushed.
#include "Cell.h"

namespace {

enum Dir { kZm, kXm, kYm, kYp, kXp, kZp };

// The four orders are the one cycle z-1, x-1, y-1, y+1, x+1, z+1 entered at
// its first, second, third and fourth element.
constexpr Dir kOrder[4][6] = {
    {kZm, kXm, kYm, kYp, kXp, kZp},
    {kXm, kYm, kYp, kXp, kZp, kZm},
    {kYm, kYp, kXp, kZp, kZm, kXm},
    {kYp, kXp, kZp, kZm, kXm, kYm},
};

// Bound tests on the parent's coordinates. The lower bound is 2, so no daughter
// is ever born on layer 1; y-1 also needs y <= 199.
bool daughter_site(Dir d, int x, int y, int z, int& nx, int& ny, int& nz) {
    nx = x, ny = y, nz = z;
    switch (d) {
        case kZm: nz = z - 1; return z > 2;
        case kXm: nx = x - 1; return x > 2;
        case kYm: ny = y - 1; return y > 2 && y <= 199;
        case kYp: ny = y + 1; return y <= 199;
        case kXp: nx = x + 1; return x <= 199;
        case kZp: nz = z + 1; return z <= 199;
    }
    return false;
}

void divide_in_order(int i, const Dir (&order)[6]) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    for (Dir d : order) {
        int nx, ny, nz;
        // The bound test comes before the grid read.
        if (daughter_site(d, x, y, z, nx, ny, nz) && world[nx][ny][nz] == 0) {
            add_cells(i, nx, ny, nz);
            return;
        }
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

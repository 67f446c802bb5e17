// The search that division and the random walk share: the first of a cell's
// six face neighbours, in a fixed order, whose bound test on the cell's own
// coordinates holds and whose site is empty. The bound test comes before the
// grid is read.
#pragma once

#include "sim/world.h"

// The six face neighbours: z-1, x-1, y-1, y+1, x+1, z+1.
enum Face { kZm, kXm, kYm, kYp, kXp, kZp };

// The bound test of a search, on the cell's own coordinates.
struct FaceBounds {
    int lowest;          // the lowest coordinate a neighbour may have
    bool y_down_capped;  // y-1 also needs y <= 199
};

// Finds the first qualifying face of `order` from (x, y, z); true with its site
// in (nx, ny, nz), false when none qualifies.
inline bool first_empty_face(const Face (&order)[6], int x, int y, int z, const FaceBounds& b,
                             int& nx, int& ny, int& nz) {
    for (Face f : order) {
        nx = x, ny = y, nz = z;
        bool inside = false;
        switch (f) {
            case kZm: inside = --nz >= b.lowest; break;
            case kXm: inside = --nx >= b.lowest; break;
            case kYm: inside = --ny >= b.lowest && (!b.y_down_capped || y <= 199); break;
            case kYp: inside = ++ny <= kInteriorMax; break;
            case kXp: inside = ++nx <= kInteriorMax; break;
            case kZp: inside = ++nz <= kInteriorMax; break;
        }
        if (inside && world[nx][ny][nz] == 0) return true;
    }
    return false;
}

// The box around the live cells.
#include "view/cell_box.h"

#include <algorithm>

#include "sim/world.h"

bool live_cell_box(CellBox& box) {
    const int n = Cells_count;
    if (n <= 0) return false;
    CellBox b = {{Cells[0].x, Cells[0].y, Cells[0].z}, {Cells[0].x, Cells[0].y, Cells[0].z}};
    for (int i = 1; i < n; ++i) {
        const int v[3] = {Cells[i].x, Cells[i].y, Cells[i].z};
        for (int a = 0; a < 3; ++a) {
            b.lo[a] = std::min(b.lo[a], v[a]);
            b.hi[a] = std::max(b.hi[a], v[a]);
        }
    }
    box = b;
    return true;
}

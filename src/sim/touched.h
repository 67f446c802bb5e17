// The part of the lattice a run has touched: the columns in which a grid can
// hold anything but zero. Every write to a grid lands on a site a cell stands
// on or one step from it, so the box of the cells' sites since the last clear,
// widened by one, holds every non-zero value. Readers of whole grids (the
// checkpoint writer) scan that box and leave the untouched pages unread, and
// so unbacked. Main thread only.
#pragma once

#include "sim/sizes.h"

#pragma GCC visibility push(hidden)  // as in world.h

// A box of columns (x, y), inclusive; empty while lo > hi.
struct ColumnBox {
    int lo[2] = {kAxis, kAxis};  // the lowest x and y
    int hi[2] = {-1, -1};        // the highest x and y
    // Takes the column (x, y) into the box.
    void widen(int x, int y) {
        lo[0] = x < lo[0] ? x : lo[0], hi[0] = x > hi[0] ? x : hi[0];
        lo[1] = y < lo[1] ? y : lo[1], hi[1] = y > hi[1] ? y : hi[1];
    }
    // Holds no column.
    bool empty() const { return lo[0] > hi[0]; }
};

// The cells' columns since world, world_clamp and world_signal were cleared.
extern ColumnBox touched_columns;
// The cells' columns since world_gravity was cleared (clear_grids(true) only).
extern ColumnBox touched_gravity_columns;

// A cell stands on column (x, y): its grids may be written there and one step around.
inline void note_cell_column(int x, int y) {
    touched_columns.widen(x, y);
    touched_gravity_columns.widen(x, y);
}
// Both boxes, or only the first, back to empty: the grids were cleared.
void forget_touched_columns(bool with_gravity);

#pragma GCC visibility pop

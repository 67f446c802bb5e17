// The box around the live cells, which the slice and the framing start from.
#pragma once

// Lattice sites lo..hi on each axis (x, y, z), both ends included.
struct CellBox {
    int lo[3];  // the lowest coordinate per axis
    int hi[3];  // the highest coordinate per axis
};

// The box around the live cells; false (and `box` untouched) for an empty colony.
bool live_cell_box(CellBox& box);

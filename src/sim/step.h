// The step of a frame: one simulation step for every cell, in table order.
// Every program runs this very step; only what it does with each cell after
// its step (draw it, record it, nothing) differs.
#pragma once

#include "sim/gene_expression.h"
#include "sim/gravity.h"
#include "sim/switches.h"
#include "sim/world.h"

// The simulation part of a cell's step: its type and clamp state are read back
// from the grids, and a pushed cell takes a random-walk turn.
void cell_step(int i);

// Every cell in table order, with the count read afresh at each step, so that
// cells born during the pass get their turn in the same pass: gravity when it is
// on, gene expression, the cell's step, then visit(i) (drawing, or nothing).
template <class Visit>
void frame_cells(Visit&& visit) {
    constexpr int kAhead = 8;  // cells in growth order lie all over the lattice
    for (int i = 0; i < Cells_count; ++i) {
        if (i + kAhead < Cells_count) {
            const TCells& next = Cells[i + kAhead];
            prefetch_site(next.x, next.y, next.z);
        }
        if (k_g) apply_column_gravity(i);
        express_genes(i);
        cell_step(i);
        visit(i);
    }
}

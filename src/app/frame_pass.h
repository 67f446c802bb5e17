// The frame pass: one simulation step for every cell, once per frame, after
// the one-shot requests. The window program draws each cell as the pass leaves
// it; the headless program runs the same pass with nothing to draw.
#pragma once

#include "sim/simulation.h"

// One-shot requests: the controls set them, serve_requests() clears them once
// served in the same frame. Main thread only.
extern BOOLEAN k_p;      // save the cell list (P)
extern BOOLEAN kSpace;   // reload genome and cell list (Space)
extern BOOLEAN kReturn;  // divide every cell once (Return)

// Serves the requests in this order: save the colony (k_p), divide every cell
// once (kReturn), reload the genome and then the colony (kSpace).
void serve_requests();

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

// A whole frame without drawing: the requests, then every cell's step.
void frame_pass();

// Puts the simulation and the requests back to what a fresh process starts
// with. For runs and tests in a long-lived process.
void reset_to_program_start();

// Division: a daughter of type 1 goes into the first free face neighbour in one
// of four search orders; a cell with no free neighbour is marked pushed.
#pragma once

// The four search orders are the one cycle z-1, x-1, y-1, y+1, x+1, z+1 entered
// at its first, second, third and fourth element.
inline constexpr int kDivisionOrders = 4;

// Appends a type-1 cell at an empty interior site with its levels computed;
// a full table drops the birth.
void add_cell(int x, int y, int z);
// Divides cell i in search order `order` (0..3); `gene` is the division gene
// that asked (-1: none), for the history.
void divide_in_order(int i, int order, int gene = -1);
// Divides cell i in an order drawn from the sequence (one draw).
void divide_cell(int i, int gene = -1);
// Divides every live cell once; daughters born meanwhile are not divided again.
void divide_every_cell();

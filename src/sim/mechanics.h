// Cell mechanics: the clamp field, the adhesion rule, cell moves and the
// random walk of pushed cells.
#pragma once

// Sets the clamp state of cell i's site and its six face neighbours.
void set_clamp_cell(int i, int clamp);
// Cell i may leave its site: fewer of its face neighbours share its type than
// its type's adhesion threshold.
bool cell_may_leave(int i);
// Tries to move cell i to (x, y, z): locks the neighbourhood, turns a cell that
// would leave the lattice into type 8, moves it only when adhesion lets it go.
void move_cell(int i, int x, int y, int z);
// The random walk's search orders: below first, above last.
inline constexpr int kWalkOrders = 4;
// One step of cell i in walk order `order` (0..3), or a push passed on when boxed in.
void walk_in_order(int i, int order);
// A pushed cell's turn: four draws in ten try a step (one draw).
void random_walk_turn(int i);

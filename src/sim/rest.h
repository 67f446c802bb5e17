// A colony at rest: a state that every further frame leaves as it is, so that
// a run can stop there and account for the frames it does not run.
//
// Why the draws cannot matter at rest. A frame draws in three places: gene
// expression (one draw per gene per cell), division (one per attempt) and the
// random walk (one per turn of a pushed cell). At rest, with the signal field
// at its fixed point and gravity off:
//  * no gene can switch a cell or, while division genes act, divide one
//    (genes_may_act is false for every cell, on any draw: a division gene's
//    draw only chooses between its division and its switch, and neither acts),
//    so gene expression changes nothing and no division attempt is made;
//  * no cell stands on a pushed site, so no walk turn is taken, and since
//    nothing moves, divides or falls, no clamp is written;
//  * nothing changes a type, a site or the cell count, so the field, at its
//    fixed point, stays there: the next frame's passes change no level.
// The next frame therefore meets the same state, and so does every frame
// after it. The only thing that moves is the random sequence, by exactly one
// draw per gene per cell per frame: express_genes draws (or jumps over) one
// per gene, and nothing else draws.
#pragma once

#include <cstdint>

// True when the colony is at rest, given a signal field at its fixed point
// that no other thread touches: gravity off, every cell's type and clamp
// copies equal to the grids, no cell on a pushed site, and no gene that could
// act on any cell (see above).
bool colony_at_rest();

// The draws one frame makes at rest: one per gene per cell.
std::uint64_t draws_per_frame_at_rest();

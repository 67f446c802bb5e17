// Column gravity: keeps column heights and pushes cells towards the floor; the
// random walk, which tries the site below first, does the falling.
#pragma once

// Updates cell i's column height and pushes what the load moves.
void apply_column_gravity(int i);

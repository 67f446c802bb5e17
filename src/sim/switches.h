// The switches that the simulation's rules read. The keys (V, G) and the batch
// options set them; main thread only.
#pragma once

#include "sim/sizes.h"

#pragma GCC visibility push(hidden)  // as in world.h

extern BOOLEAN k_g;  // column gravity on (G)
extern BOOLEAN k_v;  // division by genes on (V)

#pragma GCC visibility pop

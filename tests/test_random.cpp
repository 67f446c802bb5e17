// Randomness: a jump is the same as drawing.
#include "support.h"

using Random = kt::WorldTest;

TEST_F(Random, SkipIsTheSameAsDrawing) {
    rng_seed(7);
    for (int k = 0; k < 437; ++k) rng_next();  // past two of the longest jumps
    const std::uint64_t drawn = rng_state();
    rng_seed(7);
    rng_skip(437);
    EXPECT_EQ(rng_state(), drawn);
}

// Randomness: jumps and saved states are the same as drawing.
#include "support.h"

using Random = kt::WorldTest;

TEST_F(Random, SkipAndStateAreTheSameAsDrawing) {
    rng_seed(7);
    std::uint32_t last = 0;
    for (int k = 0; k < 437; ++k) last = rng_next();
    const std::uint64_t stepped = rng_state();
    rng_seed(7);
    rng_skip(436);
    EXPECT_EQ(rng_next(), last);
    EXPECT_EQ(rng_state(), stepped);
}

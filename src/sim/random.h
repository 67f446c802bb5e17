// Randomness: one deterministic generator (PCG32) for every draw of the
// simulation, main thread only. Gene expression draws once per gene per cell,
// division once per attempt, the random walk once per turn.
#pragma once

#include <cstdint>

// The seed of the sequence a fresh program runs.
inline constexpr std::uint64_t kDefaultSeed = 0x4b656c7661726f;
// Starts the sequence from `seed`.
void rng_seed(std::uint64_t seed);
// The next draw.
std::uint32_t rng_next();
// The same as `draws` calls of rng_next(), in constant time per 200 draws.
void rng_skip(std::uint32_t draws);
// The same as `draws` calls of rng_next(), in time logarithmic in `draws`.
void rng_jump(std::uint64_t draws);
// The generator's whole state, for checkpoints.
std::uint64_t rng_state();
// Puts the generator back to a state that rng_state() returned.
void rng_set_state(std::uint64_t state);

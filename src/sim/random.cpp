// The simulation's one random sequence: PCG32 (a 64-bit LCG with a permuted
// 32-bit output). Small, fast, and an LCG can jump ahead, so gene expression can
// account for draws whose value nobody looks at without computing each one.
#include "sim/random.h"
#include "sim/sizes.h"

#include <array>

namespace {

constexpr std::uint64_t kMul = 6364136223846793005ULL;
constexpr std::uint64_t kInc = 1442695040888963407ULL;

struct Jump {
    std::uint64_t mul;
    std::uint64_t add;
};

// jumps[n] advances the LCG by n steps: state * mul + add.
constexpr std::array<Jump, kMaxGenes + 1> make_jumps() {
    std::array<Jump, kMaxGenes + 1> j{};
    j[0] = {1, 0};
    for (int n = 1; n <= kMaxGenes; ++n) j[n] = {j[n - 1].mul * kMul, j[n - 1].add * kMul + kInc};
    return j;
}
constexpr auto kJumps = make_jumps();

std::uint64_t g_state = 0;

constexpr std::uint64_t seeded(std::uint64_t seed) {
    // The reference PCG initialisation: step, add the seed, step.
    std::uint64_t s = 0 * kMul + kInc;
    s += seed;
    return s * kMul + kInc;
}

[[maybe_unused]] const bool g_seeded = (g_state = seeded(kDefaultSeed), true);

}  // namespace

void rng_seed(std::uint64_t seed) {
    g_state = seeded(seed);
}

std::uint32_t rng_next() {
    const std::uint64_t old = g_state;
    g_state = old * kMul + kInc;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

void rng_skip(std::uint32_t draws) {
    while (draws > kMaxGenes) {
        g_state = g_state * kJumps[kMaxGenes].mul + kJumps[kMaxGenes].add;
        draws -= kMaxGenes;
    }
    g_state = g_state * kJumps[draws].mul + kJumps[draws].add;
}

void rng_jump(std::uint64_t draws) {
    // The step applied 2^k times is again an affine map; square it up the bits.
    Jump step{kMul, kInc};
    for (; draws != 0; draws >>= 1) {
        if (draws & 1) g_state = g_state * step.mul + step.add;
        step = {step.mul * step.mul, step.add * step.mul + step.add};
    }
}

std::uint64_t rng_state() {
    return g_state;
}
void rng_set_state(std::uint64_t state) {
    g_state = state;
}

// The fast signal kernels against the step-by-step update: level for level, on
// the whole grid, for a colony that exercises every rule.
#include <algorithm>
#include <random>

#include "reference_signal.h"
#include "support.h"

using kt::WorldTest;

namespace {

// FNV-1a over the whole signal grid, border layers included.
std::uint64_t field_hash() {
    const auto* p = reinterpret_cast<const unsigned char*>(&world_signal[0][0][0][0]);
    const std::size_t n = kSites * kChannels * sizeof(std::int32_t);
    std::uint64_t h = 1469598103934665603ULL;
    for (std::size_t k = 0; k < n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + k, 8);
        h = (h ^ w) * 1099511628211ULL;
    }
    return h;
}

// A shuffled ball of mixed types (with channels, without one, beyond the
// tables), silencers in and out of range, a negative and a huge strength.
void scenario() {
    kt::reset_world();
    kt::ball(6000, 1, 60, 70, 80);
    std::mt19937 gen(7);
    std::shuffle(Cells, Cells + Cells_count, gen);
    const int types[] = {1, 1, 1, 2, 3, 5, 8, 11, 17, 19, 25, 150, -3, 0};
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = types[gen() % std::size(types)];
        put_to_world(&Cells[i]);
    }
    const int genes[][2] = {{1, 2}, {3, 17}, {11, 11}, {150, 5}, {5, 25}, {8, -1}, {17, 0}};
    for (const auto& g : genes) {
        DNA[DNA_Count].Exon[0] = g[0];
        DNA[DNA_Count].Silencer[0] = g[1];
        ++DNA_Count;
    }
    Signal_strength[5] = -20;
    Signal_strength[19] = 250;
    genome_changed();
}

}  // namespace

TEST_F(WorldTest, FastKernelsAgreeWithTheStepByStepUpdate) {
    for (int passes : {1, 2, 7, 40}) {
        scenario();
        for (int p = 0; p < passes; ++p) kt::reference_pass();
        const std::uint64_t want = field_hash();

        scenario();
        const std::atomic<bool> never{false};
        for (int p = 0; p < passes; ++p) EXPECT_EQ(signal_sweep(0, never), Cells_count);
        EXPECT_EQ(field_hash(), want) << "worker sweep, " << passes << " passes";

        scenario();
        kt::passes(passes);
        EXPECT_EQ(field_hash(), want) << "update_cell_signal, " << passes << " passes";

        scenario();
        settle_signal(passes);
        EXPECT_EQ(field_hash(), want) << "settling kernel, " << passes << " passes";
    }
}

TEST_F(WorldTest, SettlingStopsEarlyOnlyAtTheFixedPoint) {
    // 200 passes with the early stop give exactly 200 passes' field.
    scenario();
    for (int p = 0; p < 200; ++p) kt::reference_pass();
    const std::uint64_t want = field_hash();
    scenario();
    settle_signal(200);
    EXPECT_EQ(field_hash(), want);
}

TEST_F(WorldTest, ASweepStopsWhenAskedAndResumesWhereItStopped) {
    scenario();
    std::atomic<bool> stop{true};
    EXPECT_EQ(signal_sweep(17, stop), 17);
    stop = false;
    EXPECT_EQ(signal_sweep(Cells_count - 5, stop), Cells_count);
}

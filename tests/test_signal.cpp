// The signal field: silencing; the fast kernels against the step-by-step
// update, which pins relay, fade and emission for a mixed colony. (Settling to
// the fixed point is the cell list's load test.)
#include <algorithm>
#include <random>
#include <string_view>

#include "reference_signal.h"
#include "support.h"

using kt::level;
using Signal = kt::WorldTest;

namespace {

void genome(std::initializer_list<std::pair<int, int>> exon_silencer) {
    DNA_Count = 0;
    for (auto [exon, silencer] : exon_silencer) kt::gene(DNA_Count, {}, exon, silencer);
}

// A hash of the whole signal grid, border layers included.
std::size_t field_hash() {
    const auto* p = reinterpret_cast<const char*>(&world_signal[0][0][0][0]);
    return std::hash<std::string_view>{}({p, kSites * kChannels * sizeof(std::int32_t)});
}

// A shuffled ball of mixed types (with channels, without one, beyond the
// tables), silencers in and out of range, a negative and a huge strength.
void mixed_ball() {
    kt::reset_world();
    kt::ball(6000, 1, 60, 70, 80);
    std::mt19937 gen(7);
    std::shuffle(Cells, Cells + Cells_count, gen);
    const int types[] = {1, 1, 1, 2, 3, 5, 8, 11, 17, 19, 25, 150, -3, 0};
    for (int i = 0; i < Cells_count; ++i, put_to_world(&Cells[i - 1]))
        Cells[i].type = types[gen() % std::size(types)];
    genome({{1, 2}, {3, 17}, {11, 11}, {150, 5}, {5, 25}, {8, -1}, {17, 0}});
    Signal_strength[0] = 30;  // type 0 emits on channel 0 too
    Signal_strength[5] = -20;
    Signal_strength[19] = 250;
}

}  // namespace

TEST_F(Signal, SilencingMutesAndBlocksAChannel) {
    // Row: emitter (type 2) - muted cell (type 4, deaf to 2) - listener (type 1).
    genome({{4, 2}});
    kt::place(2, 20, 20, 20);
    const int muted = kt::place(4, 21, 20, 20), listener = kt::place(1, 22, 20, 20);
    kt::passes(5);
    EXPECT_EQ(std::tuple(level(muted, 2), level(listener, 2), level(listener, 4)),
              std::tuple(0, 0, 59));
    genome({{4, 4}});  // silencing its own channel does not stop a cell's emission
    kt::passes(1);
    EXPECT_EQ(level(muted, 4), 60);
    genome({{1, 25}, {1, -1}, {3, 0}, {1000, 1}});  // out of range mutes nothing; no SI is 0
    kt::passes(3);
    EXPECT_EQ(std::tuple(level(muted, 2), silenced_channels(1), silenced_channels(3),
                         silenced_channels(1000)),
              std::tuple(59, 0u, 1u, 2u));
}

TEST_F(Signal, FastKernelsAgreeWithTheStepByStepUpdate) {
    for (int passes : {1, 2, 7}) {
        mixed_ball();
        for (int p = 0; p < passes; ++p) kt::reference_pass();
        const std::size_t want = field_hash();
        mixed_ball();
        const std::atomic<bool> never{false};
        bool changed = false;
        for (int p = 0; p < passes; ++p) EXPECT_EQ(signal_sweep(0, never, changed), Cells_count);
        EXPECT_TRUE(changed);
        EXPECT_EQ(field_hash(), want) << "worker sweep, " << passes << " passes";
        mixed_ball();
        kt::passes(passes);
        EXPECT_EQ(field_hash(), want) << "update_cell_signal, " << passes << " passes";
        mixed_ball();
        settle_signal(passes);
        EXPECT_EQ(field_hash(), want) << "settling kernel, " << passes << " passes";
    }
    // At the fixed point a sweep says it changed nothing; one level off, it says so.
    settle_signal(kSettlingPasses);
    const std::atomic<bool> never{false};
    bool changed = false;
    signal_sweep(0, never, changed);
    EXPECT_FALSE(changed);
    st(world_signal[Cells[9].x][Cells[9].y][Cells[9].z][3], 77);
    signal_sweep(0, never, changed);
    EXPECT_TRUE(changed);
    std::atomic<bool> stop{true};  // a sweep stops when asked and resumes where it stopped
    EXPECT_EQ(signal_sweep(17, stop, changed), 17);
    stop = false;
    EXPECT_EQ(signal_sweep(Cells_count - 5, stop, changed), Cells_count);
}

// The signal field: relay, fade, silencing and emission.
#include "support.h"

using kt::level;
using kt::WorldTest;

namespace {

void genome(std::initializer_list<std::pair<int, int>> exon_silencer) {
    int k = 0;
    for (auto [exon, silencer] : exon_silencer) {
        DNA[k].Exon[0] = exon;
        DNA[k].Silencer[0] = silencer;
        ++k;
    }
    DNA_Count = k;
    genome_changed();
}

}  // namespace

TEST_F(WorldTest, ALoneCellHoldsItsEmissionAndNeighboursExchangeTheirs) {
    const int c = kt::place(1, 10, 10, 10);
    update_cell_signal(c);
    for (int ch = 0; ch < kChannels; ++ch) EXPECT_EQ(level(c, ch), ch == 1 ? 3 : 0) << ch;
    const int a = kt::place(2, 50, 50, 50);
    const int b = kt::place(1, 51, 50, 50);
    kt::passes(2);
    EXPECT_EQ(level(a, 2), 60);
    EXPECT_EQ(level(a, 1), 2);
    EXPECT_EQ(level(b, 1), 3);
    EXPECT_EQ(level(b, 2), 59);
}

TEST_F(WorldTest, AChainFadesByOnePerStep) {
    kt::place(17, 10, 10, 10);  // strength 140
    for (int z = 11; z < 160; ++z) kt::place(1, 10, 10, z);
    kt::passes(3);  // in table order a pass carries the signal down the whole chain
    for (int z = 10; z < 160; ++z) EXPECT_EQ(level(10, 10, z, 17), std::max(0, 150 - z)) << z;
    // Off the chain nothing is written.
    EXPECT_EQ(level(10, 11, 10, 17), 0);
}

TEST_F(WorldTest, SilencingMutesAndBlocksAChannel) {
    // Row: emitter (type 2) - muted cell (type 4, deaf to 2) - listener (type 1).
    genome({{4, 2}});
    kt::place(2, 20, 20, 20);
    const int muted = kt::place(4, 21, 20, 20);
    const int listener = kt::place(1, 22, 20, 20);
    kt::passes(5);
    EXPECT_EQ(level(muted, 2), 0);
    EXPECT_EQ(level(listener, 2), 0);
    EXPECT_EQ(level(listener, 4), 59);  // other channels pass
    // Silencing its own channel does not stop a cell's emission.
    genome({{4, 4}});
    kt::passes(1);
    EXPECT_EQ(level(muted, 4), 60);
    // An empty genome silences nothing; a silencer outside the channels mutes nothing.
    genome({{1, 25}, {1, -1}});
    kt::passes(3);
    EXPECT_EQ(level(muted, 2), 59);
    EXPECT_EQ(silenced_channels(1), 0u);
}

TEST_F(WorldTest, GeneWithoutSilencerMutesChannelZero) {
    genome({{3, 0}});
    EXPECT_EQ(silenced_channels(3), 1u);
    const int a = kt::place(3, 5, 5, 5);
    EXPECT_TRUE(channel_silenced_at_cell(a, 0));
    EXPECT_FALSE(channel_silenced_at_cell(a, 1));
}

TEST_F(WorldTest, NegativeStrengthStaysAtTheEmitter) {
    Signal_strength[6] = -9;
    const int e = kt::place(6, 30, 30, 30);
    const int n = kt::place(1, 30, 30, 31);
    kt::passes(3);
    EXPECT_EQ(level(e, 6), -9);
    EXPECT_EQ(level(n, 6), 0);
}

TEST_F(WorldTest, TypesWithoutAChannelEmitNothingAnywhere) {
    // Type 25 has strength 140 but no channel; nothing may alias into the site above.
    const int c = kt::place(25, 40, 40, 40);
    kt::place(1, 40, 40, 41);
    kt::passes(2);
    for (int ch = 0; ch < kChannels; ++ch) EXPECT_EQ(level(c, ch), ch == 1 ? 2 : 0) << ch;
    EXPECT_EQ(level(40, 40, 41, 5), 0);
    // Types beyond the tables, negative types: no emission, no crash.
    const int d = kt::place(-4, 60, 60, 60);
    const int f = kt::place(1000, 62, 60, 60);
    genome({{1000, 1}});
    kt::passes(1);
    EXPECT_EQ(level(d, 0), 0);
    EXPECT_EQ(silenced_channels(1000), 2u);
    EXPECT_EQ(level(f, 1), 0);
}

TEST_F(WorldTest, LevelsStayWhereACellLeft) {
    const int a = kt::place(2, 70, 70, 70);
    kt::passes(1);
    world[70][70][70] = 0;
    Cells[a].x = 71;
    world[71][70][70] = 2;
    kt::passes(1);
    EXPECT_EQ(level(70, 70, 70, 2), 60);  // nothing recomputes an empty site
    EXPECT_EQ(level(71, 70, 70, 2), 60);
}

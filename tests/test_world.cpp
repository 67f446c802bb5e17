// World state: seeding, births and the start tables.
#include "support.h"

using kt::Site;
using kt::WorldTest;

namespace {

// Sites of a grid, other than `except`, that are not zero.
template <class Grid>
long nonzero_sites(Grid g, Site except = {-1, -1, -1}) {
    long n = 0;
    for (int x = 0; x < kAxis; ++x)
        for (int y = 0; y < kAxis; ++y)
            for (int z = 0; z < kAxis; ++z) n += g[x][y][z] != 0 && Site{x, y, z} != except;
    return n;
}

}  // namespace

TEST_F(WorldTest, InitPlacesOneSeedOnAWorldClearedWhole) {
    // Debris everywhere, the layers at 200 and 201 included.
    world[200][5][5] = 7;
    world_clamp[201][201][201] = 1;
    world_signal[5][5][200][3] = 44;
    world_gravity[30][30][30] = 9;
    Cells_Init();
    ASSERT_EQ(Cells_count, 1);
    EXPECT_EQ(kt::site(0), (Site{20, 20, 50}));
    EXPECT_EQ(Cells[0].type, 1);
    EXPECT_EQ(world[20][20][50], 1);
    EXPECT_EQ(world_gravity[20][20][50], 1);
    EXPECT_EQ(nonzero_sites(world, {20, 20, 50}), 0);
    EXPECT_EQ(nonzero_sites(world_clamp), 0);
    EXPECT_EQ(world_signal[5][5][200][3], 0);
    EXPECT_EQ(world_gravity[30][30][30], 9);  // seeding leaves column heights alone
}

TEST_F(WorldTest, StartTables) {
    const std::pair<int, int> glueds[] = {{0, 1},  {1, 6},  {7, 1}, {20, 2},
                                          {24, 6}, {33, 2}, {34, 0}};
    for (auto [t, v] : glueds) EXPECT_EQ(Glueds[t], v) << t;
    const std::pair<int, int> strength[] = {{0, 0},    {1, 3},    {8, 58}, {16, 60},
                                            {17, 140}, {28, 140}, {29, 0}};
    for (auto [t, v] : strength) EXPECT_EQ(Signal_strength[t], v) << t;
    // Types beyond the tables have neither threshold nor strength.
    EXPECT_EQ(glued_threshold(100) | glued_threshold(-1) | emitted_strength(250), 0);
}

TEST_F(WorldTest, AddCellsAppendsATypeOneCellWithItsLevelsAndHeight) {
    kt::place(5, 30, 30, 30);
    world_gravity[30][30][32] = 3;  // a column of height 3 stands above the newborn's site
    add_cell(30, 30, 31);
    ASSERT_EQ(Cells_count, 2);
    EXPECT_EQ(Cells[1].type, 1);
    EXPECT_EQ(world[30][30][31], 1);
    EXPECT_EQ(world_gravity[30][30][31], 4);
    EXPECT_EQ(kt::level(1, 1), 3);  // its levels were computed at once
    // Under an empty site the height is 1.
    add_cell(40, 40, 40);
    EXPECT_EQ(world_gravity[40][40][40], 1);
    EXPECT_EQ(kt::site(2), (Site{40, 40, 40}));
}

TEST_F(WorldTest, AFullTableDropsBirthsWithoutAnyEffect) {
    publish_cells_count(kMaxCells - 1);
    add_cell(10, 10, 10);
    EXPECT_EQ(Cells_count, kMaxCells);
    add_cell(12, 12, 12);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_EQ(world[12][12][12] | world_gravity[12][12][12] | world_signal[12][12][12][1], 0);
}

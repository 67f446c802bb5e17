// World state: seeding, births and the start tables.
#include "support.h"

using kt::WorldTest;

namespace {

// Every site of a grid other than `except` is zero.
template <class Grid>
long nonzero_sites(Grid g, int ex = -1, int ey = -1, int ez = -1) {
    long n = 0;
    for (int x = 0; x < kAxis; ++x)
        for (int y = 0; y < kAxis; ++y)
            for (int z = 0; z < kAxis; ++z)
                if (g[x][y][z] != 0 && !(x == ex && y == ey && z == ez)) ++n;
    return n;
}

}  // namespace

TEST_F(WorldTest, InitPlacesOneSeedOnACleanWorld) {
    // Leave debris everywhere, the layers at 200 and 201 included.
    world[200][5][5] = 7;
    world_clamp[5][200][5] = 2;
    world_clamp[201][201][201] = 1;
    world_signal[5][5][200][3] = 44;
    world_gravity[30][30][30] = 9;

    Cells_Init();

    EXPECT_EQ(Cells_count, 1);
    EXPECT_EQ(Cells[0].x, 20);
    EXPECT_EQ(Cells[0].y, 20);
    EXPECT_EQ(Cells[0].z, 50);
    EXPECT_EQ(Cells[0].type, 1);
    EXPECT_EQ(world[20][20][50], 1);
    EXPECT_EQ(world_gravity[20][20][50], 1);
    EXPECT_EQ(nonzero_sites(world, 20, 20, 50), 0);
    EXPECT_EQ(nonzero_sites(world_clamp), 0);
    EXPECT_EQ(world_signal[5][5][200][3], 0);
    // Seeding leaves column heights alone.
    EXPECT_EQ(world_gravity[30][30][30], 9);
}

TEST_F(WorldTest, StartTables) {
    EXPECT_EQ(Glueds[0], 1);
    EXPECT_EQ(Glueds[1], 6);
    EXPECT_EQ(Glueds[7], 1);
    EXPECT_EQ(Glueds[20], 2);
    EXPECT_EQ(Glueds[24], 6);
    EXPECT_EQ(Glueds[33], 2);
    EXPECT_EQ(Glueds[34], 0);
    EXPECT_EQ(Signal_strength[0], 0);
    EXPECT_EQ(Signal_strength[1], 3);
    EXPECT_EQ(Signal_strength[8], 58);
    EXPECT_EQ(Signal_strength[16], 60);
    EXPECT_EQ(Signal_strength[17], 140);
    EXPECT_EQ(Signal_strength[28], 140);
    EXPECT_EQ(Signal_strength[29], 0);
    EXPECT_EQ(Signal_strength[99], 0);
    // Types beyond the tables have neither threshold nor strength.
    EXPECT_EQ(glued_threshold(100), 0);
    EXPECT_EQ(glued_threshold(-1), 0);
    EXPECT_EQ(emitted_strength(250), 0);
}

TEST_F(WorldTest, AddCellsAppendsATypeOneCellWithItsLevelsAndHeight) {
    const int parent = kt::place(5, 30, 30, 30);
    world_gravity[30][30][32] = 3;  // a column of height 3 stands above the newborn's site

    add_cells(parent, 30, 30, 31);

    ASSERT_EQ(Cells_count, 2);
    EXPECT_EQ(Cells[1].type, 1);
    EXPECT_EQ(world[30][30][31], 1);
    EXPECT_EQ(world_gravity[30][30][31], 4);
    // Its levels were computed at once: its own emission and the parent's relay.
    EXPECT_EQ(kt::level(1, 1), 3);
    EXPECT_EQ(world_signal[30][30][31][5], 0);  // the parent has no levels yet to relay
    // Under an empty site the height is 1; the parent index is not used.
    add_cells(12345, 40, 40, 40);
    EXPECT_EQ(world_gravity[40][40][40], 1);
    EXPECT_EQ(Cells[2].x, 40);
}

TEST_F(WorldTest, AFullTableDropsBirthsWithoutAnyEffect) {
    publish_cells_count(kMaxCells - 1);
    add_cells(0, 10, 10, 10);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_EQ(world[10][10][10], 1);

    add_cells(0, 12, 12, 12);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_EQ(world[12][12][12], 0);
    EXPECT_EQ(world_gravity[12][12][12], 0);
    EXPECT_EQ(world_signal[12][12][12][1], 0);
}

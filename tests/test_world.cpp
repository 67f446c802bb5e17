// The world: births and the start tables.
#include "support.h"

using kt::Site;
using World = kt::WorldTest;

TEST_F(World, StartTables) {
    const std::array<int, 3> rows[] = {{0, 1, 0},    {1, 6, 3},    {7, 1, 60},   {8, 1, 58},
                                       {16, 1, 60},  {17, 1, 140}, {20, 2, 140}, {24, 6, 140},
                                       {28, 3, 140}, {29, 4, 0},   {33, 2, 0},   {34, 0, 0}};
    for (auto [t, glued, strength] : rows)
        EXPECT_EQ(std::pair(Glueds[t], Signal_strength[t]), std::pair(glued, strength)) << t;
    // Types beyond the tables have neither threshold nor strength; a negative
    // strength is emitted as it stands.
    EXPECT_EQ(glued_threshold(100) | glued_threshold(-1) | emitted_strength(250), 0);
    Signal_strength[6] = -9;
    EXPECT_EQ(emitted_strength(6), -9);
}

TEST_F(World, AddCellAppendsATypeOneCellWithItsLevelsAndHeight) {
    kt::place(5, 30, 30, 30);
    world_gravity[30][30][32] = 3;  // a column of height 3 stands above the newborn's site
    add_cell(30, 30, 31);
    add_cell(40, 40, 40);  // under an empty site the height is 1
    ASSERT_EQ(Cells_count, 3);
    EXPECT_EQ(
        std::tuple(Cells[1].type, world[30][30][31], world_gravity[30][30][31], kt::level(1, 1)),
        std::tuple(1, 1, 4, 3));
    EXPECT_EQ(std::pair(kt::site(2), world_gravity[40][40][40]), std::pair(Site{40, 40, 40}, 1));
}

// The frame pass: the requests and the per-cell step.
#include "support.h"

using FramePass = kt::FileTest;

TEST_F(FramePass, RequestsAreServedSaveThenDivideThenReload) {
    k_p = kReturn = kSpace = 1;  // an empty colony still serves them
    frame_pass();
    EXPECT_EQ(std::tuple(k_p + kReturn + kSpace, kt::read_file(kCellFile), DNA_Count),
              std::tuple(0, "", 0));
    EXPECT_TRUE(std::filesystem::exists(kGenomeDump));
    kt::write_file(kGenomeFile, "EX=4\n");
    kt::place(3, 30, 30, 30);
    k_p = kReturn = kSpace = 1;
    frame_pass();
    // The save saw the colony before the division, the reload replaced everything.
    EXPECT_EQ(kt::read_file(kCellFile), "3 30 30 30\n");
    EXPECT_EQ(std::tuple(DNA_Count, Cells_count, kt::site(0)),
              std::tuple(1, 1, kt::Site{70, 70, 30}));
}

TEST_F(FramePass, CellsBornDuringThePassTakeTheirStepInIt) {
    k_v = k_g = 1;
    kt::gene(0, {2, 2}, 0, 0, 1);
    kt::place(2, 100, 100, 100);
    kt::passes(1);
    Cells[1].clamps = -1;  // not yet a cell: the daughter's step must fill it in
    int visited = 0;
    for (int frames = 0; Cells_count == 1 && frames < 200; ++frames) {
        serve_requests();
        visited = 0;
        frame_cells([&](int) { ++visited; });
    }
    ASSERT_EQ(std::pair(Cells_count, visited), std::pair(2, 2));
    // Gravity gave the daughter a height and, with nothing below, pushed it; its
    // step read that back.
    const auto [x, y, z] = kt::site(1);
    EXPECT_GT(world_gravity[x][y][z], 0);
    EXPECT_EQ(std::pair(Cells[1].clamps, world_clamp[x][y][z]), std::pair(2, 2));
}

TEST_F(FramePass, PushedCellsWalkAndOthersOnlyReadTheirSiteBack) {
    const int pushed = kt::place(1, 50, 50, 50), idle = kt::place(3, 80, 80, 80);
    world[80][80][80] = 5;  // the grids are authoritative
    world_clamp[80][80][80] = 1;
    for (int f = 0; Cells[pushed].z == 50 && f < 100; ++f) {
        world_clamp[50][50][50] = 2;
        frame_pass();
    }
    EXPECT_EQ(kt::site(pushed), (kt::Site{50, 50, 49}));  // down first
    EXPECT_EQ(std::tuple(kt::site(idle), Cells[idle].type, Cells[idle].clamps),
              std::tuple(kt::Site{80, 80, 80}, 5, 1));
}

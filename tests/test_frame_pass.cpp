// The frame pass: the requests and the per-cell step.
#include "support.h"

using FramePass = kt::FileTest;

TEST_F(FramePass, RequestsAreServedSaveThenDivideThenReload) {
    kt::write_file(kGenomeFile, "EX=4\n");
    kt::place(3, 30, 30, 30);
    k_p = kReturn = kSpace = 1;
    frame_pass();
    // The save saw the colony before the division, the reload replaced everything.
    EXPECT_EQ(kt::read_file(kCellFile), "3 30 30 30\n");
    EXPECT_EQ(std::tuple(k_p + kReturn + kSpace, DNA_Count, Cells_count, kt::site(0)),
              std::tuple(0, 1, 1, kt::Site{70, 70, 30}));
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

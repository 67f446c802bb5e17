// Division: the four search orders to their last face, their bounds and the
// divide-all command.
#include "support.h"

using kt::site;
using kt::Site;
using Division = kt::WorldTest;

TEST_F(Division, EveryOrderIsPinnedToItsLastFace) {
    const std::array<const char*, 6> orders[kDivisionOrders] = {
        {"z-", "x-", "y-", "y+", "x+", "z+"},
        {"x-", "y-", "y+", "x+", "z+", "z-"},
        {"y-", "y+", "x+", "z+", "z-", "x-"},
        {"y+", "x+", "z+", "z-", "x-", "y-"},
    };
    for (int v = 0; v < kDivisionOrders; ++v) {
        SCOPED_TRACE(v);
        kt::expect_search_order(orders[v], [v](int c) {
            divide_in_order(c, v);
            EXPECT_EQ(Cells[Cells_count - 1].type, 1);
            return site(Cells_count - 1);
        });
    }
}

TEST_F(Division, BoundsCloseFacesAndABoxedCellIsPushed) {
    // The cell, the one face left free, the order; the daughter's site or none.
    const struct {
        Site at, free;
        int order;
        bool born;
    } cases[] = {
        {{50, 50, 2}, {50, 50, 1}, 0, false},  // never on layer 1, on any axis
        {{2, 50, 50}, {1, 50, 50}, 1, false},
        {{50, 2, 50}, {50, 1, 50}, 2, false},
        {{50, 200, 50}, {50, 199, 50}, 2, false},  // y = 200 closes y-1 too
        {{200, 50, 200}, {200, 50, 201}, 3, false},
        {{199, 50, 50}, {200, 50, 50}, 3, true},  // coordinate 200 is reachable
        {{50, 50, 50}, {0, 0, 0}, 0, false},      // nothing free
    };
    for (const auto& k : cases) {
        kt::reset_world();
        const int c = kt::place(3, k.at[0], k.at[1], k.at[2]);
        kt::surround(9, k.at, {k.free});
        const int before = Cells_count;
        divide_in_order(c, k.order);
        EXPECT_EQ(Cells_count, before + k.born) << k.order;
        if (k.born) {
            EXPECT_EQ(site(before), k.free);
        }
        EXPECT_EQ(std::pair(Cells[c].clamps, world_clamp[k.at[0]][k.at[1]][k.at[2]]),
                  std::pair(k.born ? 0 : 2, k.born ? 0 : 2));
        EXPECT_EQ(world_clamp[k.free[0]][k.free[1]][k.free[2]], 0);  // neighbours left alone
    }
}

TEST_F(Division, DivideAllDividesEachCellOnceWithOneDrawEach) {
    for (int k = 0; k < 10; ++k) kt::place(3, 20 + 3 * k, 40, 40);
    const std::uint64_t start = rng_state();
    divide_every_cell();
    const std::uint64_t after = rng_state();
    ASSERT_EQ(Cells_count, 20);  // daughters are not divided again in the same call
    for (int i = 10; i < 20; ++i) {
        const Site d = site(i), p = site(i - 10);
        EXPECT_EQ(std::abs(d[0] - p[0]) + std::abs(d[1] - p[1]) + std::abs(d[2] - p[2]), 1) << i;
    }
    rng_set_state(start);
    rng_skip(10);
    EXPECT_EQ(rng_state(), after);
}

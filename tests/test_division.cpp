// Division: the four search orders to their last face and their bounds.
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
            return site(Cells_count - 1);
        });
    }
}

TEST_F(Division, BoundsCloseFacesAndABoxedCellIsPushed) {
    // The cell, the one face left free, the order; the daughter's site or none.
    const std::tuple<Site, Site, int, bool> cases[] = {
        {{50, 50, 2}, {50, 50, 1}, 0, false},  // never on layer 1, on any axis
        {{2, 50, 50}, {1, 50, 50}, 1, false},
        {{50, 2, 50}, {50, 1, 50}, 2, false},
        {{50, 200, 50}, {50, 199, 50}, 2, false},  // y = 200 closes y-1 too
        {{200, 50, 200}, {200, 50, 201}, 3, false},
        {{199, 50, 50}, {200, 50, 50}, 3, true},  // coordinate 200 is reachable
        {{50, 50, 50}, {0, 0, 0}, 0, false},      // nothing free
    };
    for (const auto& [at, free, order, born] : cases) {
        kt::reset_world();
        const int c = kt::place(3, at[0], at[1], at[2]);
        kt::surround(9, at, {free});
        const int before = Cells_count, pushed = born ? 0 : 2;
        divide_in_order(c, order);
        // A daughter on the free site, or the cell pushed; its neighbours left alone.
        EXPECT_EQ(
            std::tuple(Cells_count - before, born && site(before) != free, Cells[c].clamps,
                       world_clamp[at[0]][at[1]][at[2]], world_clamp[free[0]][free[1]][free[2]]),
            std::tuple(int(born), false, pushed, pushed, 0))
            << order;
    }
}

// The fixtures every test file names after its module (`using Division =
// kt::WorldTest;`): a world back at program start for every test, and for
// file tests a scratch working folder for the fixed file names.
#pragma once

#include <gtest/gtest.h>

#include "colony.h"

namespace kt {

class WorldTest : public ::testing::Test {
   protected:
    void SetUp() override { reset_world(); }
    void TearDown() override { signal_worker_stop(); }
};

class FileTest : public WorldTest {
   protected:
    ScratchFolder dir_;
};

// Blocks the first k faces of `order` around a lone cell at (50, 50, 50), for
// k = 0..5, and expects `step(cell)` to return face k: the whole search order.
template <class Step>
void expect_search_order(const std::array<const char*, 6>& order, Step step) {
    for (int k = 0; k < 6; ++k) {
        reset_world();
        const int c = place(2, 50, 50, 50);
        for (int b = 0; b < k; ++b) {
            const Site s = face({50, 50, 50}, order[b]);
            place(9, s[0], s[1], s[2]);
        }
        EXPECT_EQ(step(c), face({50, 50, 50}, order[k])) << "faces blocked: " << k;
    }
}

}  // namespace kt

// The signal update written out step by step, channel by channel, scanning the
// gene table for every channel: the yardstick that the fast kernels are
// measured against and must agree with, level for level.
#pragma once

#include "sim/simulation.h"

namespace kt {

inline void reference_add_signal(int i) {
    const int x = Cells[i].x, y = Cells[i].y, z = Cells[i].z;
    std::int32_t* s = world_signal[x][y][z];
    for (int n = 0; n < kChannels; ++n) {
        std::int32_t init_signal = 0;
        const std::int32_t around[6] = {
            world_signal[x + 1][y][z][n], world_signal[x - 1][y][z][n],
            world_signal[x][y + 1][z][n], world_signal[x][y - 1][z][n],
            world_signal[x][y][z + 1][n], world_signal[x][y][z - 1][n],
        };
        for (std::int32_t v : around)
            if (v > init_signal) init_signal = v;
        s[n] = init_signal;
        if (s[n] > 0) s[n] -= 1;
        if (channel_silenced_at_cell(i, n)) s[n] = 0;
    }
    // The cell's own emission, on its own channel only (a type without a
    // channel emits nothing).
    const std::int32_t t = world[x][y][z];
    if (t >= 0 && t < kChannels) s[t] = emitted_strength(t);
}

inline void reference_pass() {
    for (int i = 0; i < Cells_count; ++i) reference_add_signal(i);
}

}  // namespace kt

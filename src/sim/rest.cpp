// The fixed point of a colony: see rest.h for why nothing can change there.
#include "sim/rest.h"
#include "sim/gene_expression.h"
#include "sim/genome.h"
#include "sim/switches.h"
#include "sim/world.h"

bool colony_at_rest() {
    if (k_g) return false;  // gravity re-marks the floor every frame: not argued here
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        const std::int32_t clamp = world_clamp[c.x][c.y][c.z];
        // A stale copy would be refreshed by the next frame: a change.
        if (c.type != world[c.x][c.y][c.z] || c.clamps != clamp) return false;
        if (clamp > 1) return false;  // a walk turn, which draws and may move
        if (genes_may_act(i)) return false;
    }
    return true;
}

std::uint64_t draws_per_frame_at_rest() {
    return std::uint64_t(Cells_count) * std::uint64_t(DNA_Count);
}

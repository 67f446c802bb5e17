// A program built from the simulation core alone: it grows the seed cell for a
// few frames with every rule in play, through the very step every program
// runs, and prints the colony's size. The build fails if the core ever needs
// anything from the layers above it.
#include <cstdio>

#include "sim/simulation.h"
#include "sim/step.h"

int main() {
    Cells_Init();
    k_v = 1;
    k_g = 1;
    for (int frame = 0; frame < 3; ++frame) {
        settle_signal(1);
        divide_every_cell();
        frame_cells([](int) {});
    }
    std::printf("%d cells\n", int(Cells_count));
    return Cells_count == 8 ? 0 : 1;
}

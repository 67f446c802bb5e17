// The reset of the whole simulation to program start.
#include "sim/simulation.h"

#include <cstring>

void reset_simulation() {
    signal_worker_stop();
    clear_grids(true);
    publish_cells_count(0);
    std::memset(Cells, 0, sizeof Cells);
    std::memset(DNA, 0, sizeof DNA);
    DNA_Count = 0;
    restore_start_tables();
    genome_changed();
    k_g = k_v = 0;
    rng_seed(kDefaultSeed);
    reset_history();
}

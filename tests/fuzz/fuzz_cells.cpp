// libFuzzer target: the cell-list loader on any bytes, then two frames of the
// colony it made with gravity on and one divide-all, so that cells anywhere on
// the lattice (edges, the floor, layer 200, shared sites) meet the frame pass.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reset_to_program_start();
    const CellLoadReport r = load_cell_list_from(kt::input_as_file(data, size), kLoadShift);
    if (!r.opened || r.loaded != Cells_count) __builtin_trap();
    kt::check_colony();  // records of any type load; only the site decides

    const int loaded = Cells_count;
    kt::run_frames(2, false);  // no genes: the colony only doubles, at most
    kt::check_colony();
    if (Cells_count > 2 * loaded) __builtin_trap();
    return 0;
}

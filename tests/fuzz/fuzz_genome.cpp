// libFuzzer target: the genome loader on any bytes, then frames of a small
// colony under the genome it made, so that whatever channels, types and lists
// the loader lets through meet the code that indexes with them.
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reset_to_program_start();
    const GenomeLoadReport r = load_genome_from(kt::input_as_file(data, size), nullptr);
    if (!r.opened || r.genes != DNA_Count || DNA_Count < 0 || DNA_Count > kMaxGenes)
        __builtin_trap();

    kt::walled_colony();
    kt::run_frames(3, true);
    kt::check_colony();
    for (int i = 0; i < Cells_count; ++i)
        if (!kt::inside_box(Cells[i].x, Cells[i].y, Cells[i].z)) __builtin_trap();
    return 0;
}

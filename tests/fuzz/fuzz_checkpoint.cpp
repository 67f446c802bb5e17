// libFuzzer target: the checkpoint reader on any bytes with their checksum made
// right, so that mutations reach past it into the header and the sections; the
// file and the same bytes in memory must be judged alike. A refused load must
// leave the fresh state as it was and say why; an accepted one must hold a
// colony on the lattice with a history that hangs together (version 2's HIST,
// or unknown for version 1), which then runs two frames with gravity and a
// divide-all.
#include <cstring>
#include <vector>

#include "app/checkpoint.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reset_to_program_start();
    static std::vector<std::uint8_t> fixed;
    fixed.assign(data, data + size);
    if (size >= 4) {
        const std::uint32_t crc = checkpoint_crc32(fixed.data(), size - 4);
        std::memcpy(fixed.data() + size - 4, &crc, 4);
    }
    const bool valid = check_checkpoint_bytes(fixed.data(), size).ok;
    const std::uint64_t start_rng = rng_state();
    const CheckpointLoad r = load_checkpoint(kt::input_as_file(fixed.data(), size));
    if (r.ok != valid) __builtin_trap();  // the file reader sees the bytes the file holds
    if (!r.ok) {
        if (r.reason[0] == '\0' || Cells_count != 0 || DNA_Count != 0 || rng_state() != start_rng)
            __builtin_trap();
        return 0;
    }
    kt::check_colony();
    kt::check_history();
    if (r.frame < 0 || DNA_Count < 0 || DNA_Count > kMaxGenes) __builtin_trap();
    const int loaded = Cells_count;
    kt::run_frames(2, k_v != 0);
    kt::check_colony();
    kt::check_history();  // births after the load go on from the loaded generations
    for (int i = loaded; i < Cells_count; ++i)
        if (Cells_history[i].parent < 0) __builtin_trap();
    return 0;
}

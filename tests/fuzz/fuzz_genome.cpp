// libFuzzer target: the genome loader on any bytes, then frames of a small
// colony under the genome it made, so that whatever channels, types and lists
// the loader lets through meet the code that indexes with them. The genome
// check reads the same bytes: it must change nothing, place every finding in
// the file and count what the load counted.
#include <cstring>

#include "fuzz/fuzz_support.h"

namespace {

struct Placed : GenomeFindings {
    std::size_t size = 0;
    int count = 0;
    void found(GenomePlace at, const char* text) override {
        ++count;
        if (at.line < 1 || at.column < 1 || std::size_t(at.column) > size + 1 || !text[0])
            __builtin_trap();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reset_to_program_start();
    const GenomeLoadReport r = load_genome_from(kt::input_as_file(data, size), nullptr);
    if (r.binary) {  // binary data is refused whole: nothing in force changes
        if (r.applied || DNA_Count != 0) __builtin_trap();
        return 0;
    }
    if (!r.opened || r.genes != DNA_Count || DNA_Count < 0 || DNA_Count > kMaxGenes)
        __builtin_trap();

    static TDNA before[kMaxGenes];
    std::memcpy(before, DNA, sizeof DNA);
    Placed placed;
    placed.size = size;
    GenomeSummary summary;
    const GenomeInput text{nullptr, reinterpret_cast<const char*>(data), size};
    const GenomeLoadReport c = check_genome_input(text, GenomeBase::Running, placed, summary);
    // The text read onto the loaded genome, as a second reload of the file would:
    // the same genes and findings.
    if (c.findings != placed.count || c.genes != r.genes || summary.genes != r.genes ||
        std::memcmp(before, DNA, sizeof DNA) != 0)
        __builtin_trap();

    kt::walled_colony();
    kt::run_frames(3, true);
    kt::check_colony();
    for (int i = 0; i < Cells_count; ++i)
        if (!kt::inside_box(Cells[i].x, Cells[i].y, Cells[i].z)) __builtin_trap();
    return 0;
}

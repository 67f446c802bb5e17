// The gene table and what is derived from it for the hot loops.
#include "sim/genome.h"
#include "sim/worker_state.h"

#include <cassert>

TDNA DNA[kMaxGenes];
std::int32_t DNA_Count = 0;

std::uint32_t silenced_by_type[kTypes];
bool division_genes_present = false;

std::uint32_t silenced_channels_scan(std::int32_t t) {
    std::uint32_t bits = 0;
    for (int k = 0; k < DNA_Count; ++k) {
        const std::int32_t ch = DNA[k].Silencer[0];
        if (DNA[k].Exon[0] == t && ch >= 0 && ch < kChannels) bits |= 1u << ch;
    }
    return bits;
}

void genome_changed() {
    assert(signal_worker_quiet());
    for (auto& bits : silenced_by_type) bits = 0;
    division_genes_present = false;
    for (int k = 0; k < DNA_Count; ++k) {
        const TDNA& g = DNA[k];
        // Only the first Exon and the first Silencer entry count; a silencer
        // outside the channels mutes nothing.
        if (g.Exon[0] >= 0 && g.Exon[0] < kTypes && g.Silencer[0] >= 0 && g.Silencer[0] < kChannels)
            silenced_by_type[g.Exon[0]] |= 1u << g.Silencer[0];
        if (g.MPF == 1) division_genes_present = true;
    }
}

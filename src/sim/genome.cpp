// The gene table and what is derived from it for the hot loops.
#include "Cell.h"

#include <cassert>

TDNA DNA[kMaxGenes];
std::int32_t DNA_Count = 0;

namespace {
std::uint32_t g_silenced[kTypes];  // per type: channels muted by some gene
}  // namespace

bool division_genes_present = false;

std::uint32_t silenced_channels(std::int32_t t) {
    if (t >= 0 && t < kTypes) return g_silenced[t];
    // Types beyond the tables come only from unusual genomes; scan for them.
    std::uint32_t bits = 0;
    for (int k = 0; k < DNA_Count; ++k) {
        const std::int32_t ch = DNA[k].Silencer[0];
        if (DNA[k].Exon[0] == t && ch >= 0 && ch < kChannels) bits |= 1u << ch;
    }
    return bits;
}

void genome_changed() {
    assert(signal_worker_quiet());
    for (auto& bits : g_silenced) bits = 0;
    division_genes_present = false;
    for (int k = 0; k < DNA_Count; ++k) {
        const TDNA& g = DNA[k];
        // Only the first Exon and the first Silencer entry count; a silencer
        // outside the channels mutes nothing.
        if (g.Exon[0] >= 0 && g.Exon[0] < kTypes && g.Silencer[0] >= 0 && g.Silencer[0] < kChannels)
            g_silenced[g.Exon[0]] |= 1u << g.Silencer[0];
        if (g.MPF == 1) division_genes_present = true;
    }
}

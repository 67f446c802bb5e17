// The genome: the gene table that the genome file fills, and what the hot
// loops derive from it.
#pragma once

#include <cstdint>

#include "sim/sizes.h"

#pragma GCC visibility push(hidden)  // as in world.h

// One gene, as one line of the genome file makes it.
struct TDNA {
    std::int32_t Enhancer[kGeneList];  // channels the gene reads, in file order
    std::int32_t Enhancer_count;       // EN fields on the gene's line
    std::int32_t Silencer[kGeneList];  // Silencer[0]: channel muted for type Exon[0]
    std::int32_t Silencer_count;       // SI fields on the gene's line
    std::int32_t Exon[kGeneList];      // Exon[0]: the gene's cell type
    std::int32_t Exon_count;           // never maintained
    std::int32_t MPF;                  // 1: a division gene
};

// The gene table; genes 0..DNA_Count-1 are in force. Written by genome loads
// while the worker is parked; read by both threads.
extern TDNA DNA[kMaxGenes];
// Number of genes in force.
extern std::int32_t DNA_Count;

// Rebuilds what is derived from the genome (silence masks, the division-gene
// flag). Every edit of DNA, DNA_Count or the tables ends with it; worker parked.
void genome_changed();
// Some gene in force has MPF 1 (derived by genome_changed).
extern bool division_genes_present;

// Channels muted for types 0..99, one bit per channel (derived by genome_changed).
extern std::uint32_t silenced_by_type[kTypes];
// Channels muted for any type, found by scanning the genes (for types beyond the table).
std::uint32_t silenced_channels_scan(std::int32_t t);
// Channels muted for type t, one bit per channel.
inline std::uint32_t silenced_channels(std::int32_t t) {
    return t >= 0 && t < kTypes ? silenced_by_type[t] : silenced_channels_scan(t);
}

#pragma GCC visibility pop

// The genome file "dna.vdna" and its dump "dedug.tmp".
#pragma once

// The genome the reload key reads.
inline constexpr const char* kGenomeFile = "dna.vdna";
// The dump written after every genome load.
inline constexpr const char* kGenomeDump = "dedug.tmp";

// What a genome load found.
struct GenomeLoadReport {
    bool opened = false;     // the file could be opened
    int genes = 0;           // gene lines taken into the table
    int lines_dropped = 0;   // gene lines past the table's 200 genes
    int tables_refused = 0;  // GLUEDS/SIGNAL fields whose type lies outside 0..99
};

// Reads kGenomeFile into the gene and per-type tables and writes the dump.
void load_genome();
// Reads a genome into DNA, DNA_Count, Glueds and Signal_strength (the worker is
// parked meanwhile), then writes the dump to `dump_path` unless it is null.
GenomeLoadReport load_genome_from(const char* path, const char* dump_path);
// Writes the dump: one line per gene, then the thresholds of types 0..29.
bool save_genome_dump_to(const char* path);

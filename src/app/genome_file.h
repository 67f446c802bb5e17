// The genome file "dna.vdna" and its dump "dedug.tmp", and the check that says
// what the reader makes of a genome file: one reader serves loads and checks.
#pragma once

#include <cstddef>

#include "sim/genome.h"
#include "sim/sizes.h"

// The genome the reload key reads.
inline constexpr const char* kGenomeFile = "dna.vdna";
// The dump written after every genome load.
inline constexpr const char* kGenomeDump = "dedug.tmp";

// Where a finding of the check lies in the file, both counted from 1.
struct GenomePlace {
    int line;    // the file's line
    int column;  // the byte in that line where the field (or the gene) begins
};

// What a genome load found.
struct GenomeLoadReport {
    bool opened = false;        // the file could be opened (a text always can)
    bool binary = false;        // a NUL byte in the first 64 KiB: refused, nothing read
    bool read_error = false;    // reading it failed part way
    int genes = 0;              // gene lines taken into the table
    int lines_dropped = 0;      // gene lines past the table's 200 genes
    int tables_refused = 0;     // GLUEDS/SIGNAL fields whose type lies outside 0..99
    int table_lines = 0;        // lines that only set their type's tables (EX, SIGNAL, no EN)
    int findings = 0;           // what the genome check reports on the file
    GenomePlace first_at{};     // where the first finding lies
    char first_finding[160]{};  // the first finding's text, empty without findings
    bool kept_earlier = false;  // a load onto the running tables kept what an earlier load set
    bool from_text = false;     // read from a text in memory (the genome editor), not a file
    bool applied = false;       // the genome read is now the one in force
};

// A genome to read: a file, or a text in memory (path null).
struct GenomeInput {
    const char* path = nullptr;  // the file, or null for the text
    const char* text = nullptr;  // the text's bytes (a NUL among them is binary data)
    std::size_t size = 0;        // the text's length
};

// What a reading starts from.
enum class GenomeBase {
    Running,  // the tables in force: a field a line does not name keeps its value (Space)
    Start,    // a fresh program's tables: the file alone decides (Apply, F8, kelvaro-batch)
};

#pragma GCC visibility push(hidden)  // holds a TDNA, which is hidden (sim/genome.h)

// One gene line as the reader took it: the record it left and what the
// record does not keep (how many EX fields, the table values of its own type).
struct GeneRead {
    int index = 0;               // the gene's slot
    int line = 0;                // the file's line, from 1
    const TDNA* gene = nullptr;  // the record after the line (lives during the call)
    int exons = 0;               // EX fields on the line
    bool glueds_set = false;     // a GLUEDS after the first EX set the gene's own type
    bool signal_set = false;     // likewise a SIGNAL
    std::int32_t glueds = 0;     // the last such GLUEDS
    std::int32_t signal = 0;     // the last such SIGNAL
    int tables_elsewhere = 0;    // GLUEDS/SIGNAL fields before the first EX (another type)
};

#pragma GCC visibility pop

// Receives what the reader forgives, one finding at a time: the text says
// what the program does instead of what the line may have meant.
class GenomeFindings {
   public:
    virtual ~GenomeFindings() = default;
    // One finding; `text` lives only during the call.
    virtual void found(GenomePlace at, const char* text) = 0;
    // One gene line read, after its findings; nothing by default.
    virtual void gene_read(const GeneRead&) {}
};

// What the genes of a genome read do, for the check's summary.
struct GenomeSummary {
    int genes = 0;                 // genes in force
    int division_genes = 0;        // of them, genes with MPF 1
    int types = 0;                 // distinct non-zero types the genes set
    std::int32_t type[kMaxGenes];  // those types, ascending
};

// Reads kGenomeFile onto the running tables and writes the dump, as the reload
// key does; a binary file changes nothing.
void load_genome();
// Reads a genome from `base` into the tables in force and writes the dump to
// `dump_path` unless it is null. A file that cannot be opened leaves no gene
// in force; binary data changes nothing. Each finding also goes to `findings`.
GenomeLoadReport load_genome_input(const GenomeInput& in, GenomeBase base, const char* dump_path,
                                   GenomeFindings* findings = nullptr);
// load_genome_input of a file onto the running tables.
GenomeLoadReport load_genome_from(const char* path, const char* dump_path,
                                  GenomeFindings* findings = nullptr);
// The same load, except that an input that cannot be read whole (missing, not
// a regular file, a read error, binary data) changes nothing: the genome in
// force stays.
GenomeLoadReport reload_genome_if_readable(const GenomeInput& in, GenomeBase base,
                                           const char* dump_path);
// Reads a genome from `base` as a load would, reporting every finding, and
// changes nothing; fills `summary` with what the genes would do.
GenomeLoadReport check_genome_input(const GenomeInput& in, GenomeBase base,
                                    GenomeFindings& findings, GenomeSummary& summary);
// What the last load or reload reported, and how many there were since start.
const GenomeLoadReport& last_genome_load(long* loads = nullptr);
// Writes the dump to kGenomeDump.
void save_genome_dump();
// Writes the dump: one line per gene, then the thresholds of types 0..29.
bool save_genome_dump_to(const char* path);

// The genome check: what the genome reader makes of a genome, file or text,
// read as a fresh program loads it, without changing the genome in force.
// kelvaro-batch --check-genome, the window's genome editor and the Python
// module all show its findings in the same words.
#pragma once

#include <cstddef>

#include "app/genome_file.h"

// Findings a check keeps, in order; a text with more counts them all.
inline constexpr int kKeptFindings = 200;

// One finding: where it lies and what the program does there.
struct GenomeFinding {
    GenomePlace at;  // line and column, from 1
    char text[256];  // what the reader forgave
};

// What one check found.
struct GenomeCheck {
    GenomeLoadReport report;               // counts, binary data, the first finding
    GenomeSummary summary;                 // what the genes would do
    int kept = 0;                          // findings kept in `finding`
    GenomeFinding finding[kKeptFindings];  // the first kKeptFindings findings
    bool readable() const { return report.opened && !report.read_error && !report.binary; }
};

// Checks a genome file or text as a fresh program would load it, into `out`.
// Changes nothing in force. Main thread only (it reads through the loader's
// scratch tables).
void check_genome(const GenomeInput& in, GenomeCheck& out);

// One finding as editors read it: "NAME:LINE:COLUMN: warning: TEXT". Returns
// what snprintf returns.
int format_finding(char* out, std::size_t size, const char* name, const GenomeFinding& f);
// The check's closing line: "NAME: G genes (T table lines), D division genes,
// types set: ...; F findings".
int format_check_summary(char* out, std::size_t size, const char* name,
                         const GenomeLoadReport& report, const GenomeSummary& summary);

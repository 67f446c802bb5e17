// main: the program's shell around the simulation core. The genome file and
// its dump, the cell list file, column gravity, the signal worker and the
// frame pass. This header holds the parts that need no window and no GL, so
// that the headless program and the tests run the very same code.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Genome file "dna.vdna" and its dump "dedug.tmp"
// ---------------------------------------------------------------------------

inline constexpr const char* kGenomeFile = "dna.vdna";
inline constexpr const char* kGenomeDump = "dedug.tmp";

struct GenomeLoadReport {
    bool opened = false;      // the file could be opened
    int genes = 0;            // gene lines taken into the table
    int lines_dropped = 0;    // gene lines past the table's 200 genes
    int tables_refused = 0;   // GLUEDS/SIGNAL fields whose type lies outside 0..99
};

// Reads the genome into DNA, DNA_Count, Glueds and Signal_strength (the worker
// is parked meanwhile), then writes the dump.
void load_dna();
GenomeLoadReport load_dna_from(const char* path, const char* dump_path);
void save_debug();
bool save_debug_to(const char* path);

// ---------------------------------------------------------------------------
// The signal worker
// ---------------------------------------------------------------------------

// The worker's body: passes of add_signal over the colony in table order, in
// place, until signal_worker_stop().
void signal_add();
void signal_worker_start();
void signal_worker_stop();
bool signal_worker_running();
// Completed passes since start (for rates shown to the user).
std::uint64_t signal_worker_passes();

// Parks the worker at a cell boundary for the lifetime of the object, so that
// the main thread may edit the genome, the table and the grids in bulk. Nests.
class WorkerPause {
public:
    WorkerPause();
    ~WorkerPause();
    WorkerPause(const WorkerPause&) = delete;
    WorkerPause& operator=(const WorkerPause&) = delete;
};

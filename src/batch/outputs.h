// The outputs of a run: the per-frame counts, the VTK view of a colony, and
// the files written after the last frame (or between calls, for the Python
// module). Every file goes through AtomicFileWriter, so a failed or
// interrupted write never leaves a partial file under the final name.
#pragma once

#include <cstdint>
#include <memory>

#include "batch.h"
#include "run_log.h"
#include "view/page_file.h"

// The colony as legacy VTK polydata (ASCII): one vertex per cell at its site,
// with its type as the point scalar "type". Written under a temporary name and
// renamed, like every other output.
bool save_vtk_to(const char* path);

// Per-frame counts, held in memory for the whole run and written once at the
// end, since the columns (the types that ever occur) are known only then.
class StatsTable {
   public:
    // One column per type 0..99, one for every other type.
    static constexpr int kColumns = kTypes + 1;

    // Room for frames first..first+frames, allocated here, before the first
    // frame; false when the memory cannot be had.
    bool allocate(int frames, int first = 0);
    // Counts the live colony as the state of `frame` (the next row's frame),
    // `elapsed_ms` after the start of the run's first frame. Allocates nothing.
    void record(int frame, double elapsed_ms);
    // frame, cells, type_N... for every type seen in any recorded frame,
    // type_other when some type lay outside 0..99, elapsed_ms.
    bool write(const char* path) const;

    // Frames recorded so far.
    int rows() const { return rows_; }

   private:
    struct FreeDeleter {
        void operator()(void* p) const;
    };
    int capacity_ = 0;
    int first_ = 0;  // the frame of the first row: 0, or the frame a run resumed at
    int rows_ = 0;   // frames recorded so far (always frames first_..first_+rows_-1)
    std::unique_ptr<std::int32_t, FreeDeleter> counts_;  // capacity_ x kColumns
    std::unique_ptr<std::int32_t, FreeDeleter> cells_;   // per frame
    std::unique_ptr<double, FreeDeleter> elapsed_;       // per frame
};

// Probes every output of `o` before the first frame (a temporary file made
// and removed; the folders of the periodic files created), so that a bad path
// costs no run. Returns the exit status.
int prepare_outputs(const BatchOptions& o, RunLog& log);

// The facts the --html page shows: the genome's text, the command line, the
// types hidden at start.
PageInfo page_info(const BatchOptions& o);

// Writes --out, --stats, --checkpoint and (without --html-every) --html of `o` for the state after
// `frame`; every one is attempted, so that one bad path does not cost the others. Returns the exit
// status.
int write_outputs(const BatchOptions& o, const StatsTable& stats, int frame, RunLog& log);

// errno of a failed write as text, when the writer left one.
const char* write_reason(int saved_errno);

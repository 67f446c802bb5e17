// The run of kelvaro-batch: load the inputs with the reload key's loaders, run
// the window program's frame pass N times, write the outputs. Everything the
// frames need is allocated before the first one; the loop itself allocates
// nothing and builds no strings.
#include "batch.h"
#include "history_files.h"
#include "render.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <filesystem>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Prints one prefixed line and returns `status`, so that every failure is one
// statement.
[[gnu::format(printf, 3, 4)]] int fail(std::FILE* err, int status, const char* fmt, ...) {
    std::fprintf(err, "%s: ", kProgramName);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(err, fmt, args);
    va_end(args);
    std::fputc('\n', err);
    return status;
}

// Why an input cannot be read: the loaders only say that it could not.
const char* unreadable_reason(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) return std::strerror(errno);
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    // The open's own complaint, such as a permission the user lacks.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    close(fd);
    return "cannot be read";
}

// errno of a failed write, when the writer left one.
const char* write_reason(int saved_errno) {
    return saved_errno ? std::strerror(saved_errno) : "write failed";
}

// An output folder that cannot take the file is found before the run rather
// than after hours of it: the probe makes and removes a temporary file there.
bool can_create(const char* path, int& saved_errno) {
    errno = 0;
    AtomicFileWriter probe(path);
    saved_errno = errno;
    return probe.ok();
}

void report_genome(std::FILE* err, const char* path, const GenomeLoadReport& r) {
    if (r.genes == 0) {
        // Valid (the run has no genes, as without --genome) but rarely meant.
        std::fprintf(err, "%s: %s: no genes; the run goes on without a genome\n", kProgramName,
                     path);
        return;
    }
    if (r.lines_dropped == 0 && r.tables_refused == 0) return;
    std::fprintf(err, "%s: %s: %d genes; skipped: lines_past_%d=%d glueds_signal_bad_type=%d\n",
                 kProgramName, path, r.genes, kMaxGenes, r.lines_dropped, r.tables_refused);
}

void report_cells(std::FILE* err, const char* path, const CellLoadReport& r) {
    if (r.outside == 0 && !r.table_full && !r.stopped_at_text) {
        // An empty colony is what --out writes for one, so it loads; but a run
        // of nothing is worth a word.
        if (r.loaded == 0)
            std::fprintf(err, "%s: %s: no cells; the run starts from an empty colony\n",
                         kProgramName, path);
        return;
    }
    std::fprintf(err,
                 "%s: %s: %d cells loaded; skipped: outside=%d table_full=%d "
                 "stopped_at_text=%d\n",
                 kProgramName, path, r.loaded, r.outside, int(r.table_full),
                 int(r.stopped_at_text));
}

// Binary data is what a mistyped path most often names (a program, an image,
// a sparse file): a NUL byte in the first 64 KiB marks it, the test that grep
// and git make. Neither loader could make a colony or a genome of it.
constexpr int kBinaryProbe = 1 << 16;

bool looks_binary(const char* path) {
    FileReader in(path);
    for (int n = 0; n < kBinaryProbe; ++n) {
        const int c = in.get();
        if (c < 0) return false;
        if (c == 0) return true;
    }
    return false;
}

// Loads the genome, then the colony (the settling passes of the cell load obey
// the genome's silencers), from the files on the command line or, without
// --cells, the seed cell. The start of the run and every reload go through here;
// only the first load checks for binary data and reports what was skipped, so
// a reload prints nothing unless an input has become unreadable. Allocates
// nothing on success. Returns the exit status.
int load_inputs(const BatchOptions& o, std::FILE* err, int frame) {
    const bool first = frame == 0;
    char when[48] = "";
    if (!first) std::snprintf(when, sizeof when, " for the reload before frame %d", frame);
    for (const std::string* path : {&o.genome, &o.cells}) {
        if (first && !path->empty() && looks_binary(path->c_str()))
            return fail(err, kExitUsage, "cannot use %s '%s': binary data (a NUL byte)",
                        path == &o.genome ? "genome" : "cells", path->c_str());
    }
    if (!o.genome.empty()) {
        const GenomeLoadReport g = load_genome_from(o.genome.c_str(), nullptr);
        if (!g.opened)
            return fail(err, kExitUsage, "cannot read genome '%s'%s: %s", o.genome.c_str(), when,
                        unreadable_reason(o.genome.c_str()));
        if (first) report_genome(err, o.genome.c_str(), g);
    }
    if (!o.cells.empty()) {
        const CellLoadReport c = load_cell_list_from(o.cells.c_str(), o.shift);
        if (!c.opened)
            return fail(err, kExitUsage, "cannot read cells '%s'%s: %s", o.cells.c_str(), when,
                        unreadable_reason(o.cells.c_str()));
        if (first) report_cells(err, o.cells.c_str(), c);
    } else {
        // The start colony again, on a world cleared whole as a cell load clears it.
        WorkerPause pause;
        clear_grids(true);
        Cells_Init();
    }
    return kExitOk;
}

// Starts from a checkpoint instead of the files; `start` gets its frame number.
int resume_inputs(const BatchOptions& o, std::FILE* err, int& start) {
    const CheckpointLoad c = load_checkpoint(o.resume.c_str());
    if (!c.ok)
        return fail(err, kExitUsage, "cannot resume from '%s': %s", o.resume.c_str(), c.reason);
    if (c.frame > std::int64_t(INT32_MAX) - 1 - o.frames)
        return fail(err, kExitUsage, "'%s' stopped at frame %lld: %d more frames pass the last one",
                    o.resume.c_str(), (long long)c.frame, o.frames);
    start = int(c.frame);
    // The divide-all frames are absolute: each must lie among the frames to run.
    for (const int f : o.divide_all_at)
        if (f <= start || f > start + o.frames)
            return fail(err, kExitUsage,
                        "--divide-all-at: frame %d lies outside the frames to run (%d to %d)", f,
                        start + 1, start + o.frames);
    return kExitOk;
}

// SIGTERM and SIGINT (a cluster's time limit, Ctrl+C): the first asks the run
// to stop after its frame and write what was asked; the second stops at once,
// removing the temporary files of writes under way. The handlers are the
// run's for its lifetime only. A lock-free atomic, since the signal may land on
// the worker's thread.
std::atomic<int> g_stop_signal = 0;
static_assert(std::atomic<int>::is_always_lock_free, "safe in a signal handler");

extern "C" void on_stop_signal(int signo) {
    if (g_stop_signal != 0) {
        remove_unfinished_files();
        _exit(kExitSignalBase + signo);
    }
    g_stop_signal = signo;
}

class StopSignals {
   public:
    StopSignals() {
        g_stop_signal = 0;
        struct sigaction sa = {};
        sa.sa_handler = on_stop_signal;
        sa.sa_flags = SA_RESTART;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGTERM, &sa, &old_term_);
        sigaction(SIGINT, &sa, &old_int_);
    }
    ~StopSignals() {
        sigaction(SIGTERM, &old_term_, nullptr);
        sigaction(SIGINT, &old_int_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    // The signal that asked the run to stop, 0 while none has.
    int signal() const { return g_stop_signal; }

   private:
    struct sigaction old_term_ = {}, old_int_ = {};
};

// The line rewritten in place while the run goes on: at most four times a
// second, and for the last frame.
class ProgressLine {
   public:
    ProgressLine(std::FILE* err, bool on, int frames) : err_(err), on_(on), frames_(frames) {}

    void update(int frame, double elapsed_s) {
        if (!on_ || (frame < frames_ && elapsed_s - last_s_ < 0.25)) return;
        last_s_ = elapsed_s;
        const double fps = elapsed_s > 0 ? frame / elapsed_s : 0.0;
        const double left = fps > 0 ? (frames_ - frame) / fps : 0.0;
        const long secs = long(left + 0.5);
        std::fprintf(err_, "\rframe %d/%d  cells %d  %.2f frames/s  %ld:%02ld:%02ld left   ", frame,
                     frames_, int(Cells_count), fps, secs / 3600, secs / 60 % 60, secs % 60);
        std::fflush(err_);
        shown_ = true;
    }
    // Ends the line so that what follows starts on a line of its own.
    void finish() {
        if (shown_) std::fputc('\n', err_);
        shown_ = false;
    }

   private:
    std::FILE* err_;
    bool on_;
    int frames_;
    double last_s_ = -1.0;
    bool shown_ = false;
};

// The live worker for --threaded, stopped on every way out of the run.
class WorkerScope {
   public:
    explicit WorkerScope(bool on) : on_(on) {
        if (on_) signal_worker_start();
    }
    ~WorkerScope() {
        if (on_) signal_worker_stop();
    }
    WorkerScope(const WorkerScope&) = delete;
    WorkerScope& operator=(const WorkerScope&) = delete;
    bool ok() const { return !on_ || signal_worker_running(); }

   private:
    bool on_;
};

// Writes DIR/cells-NNNNNN.txt and .vtk into `path` (sized beforehand); on
// failure `path` names the file that failed.
bool write_snapshot(char* path, std::size_t cap, const char* dir, int frame) {
    std::snprintf(path, cap, "%s/cells-%06d.txt", dir, frame);
    if (!save_cell_list_to(path)) return false;
    std::snprintf(path, cap, "%s/cells-%06d.vtk", dir, frame);
    return save_vtk_to(path);
}

// Writes DIR/checkpoint-NNNNNN.kck into `path` (sized beforehand).
bool write_periodic_checkpoint(char* path, std::size_t cap, const char* dir, int frame) {
    std::snprintf(path, cap, "%s/checkpoint-%06d.kck", dir, frame);
    return save_checkpoint(path, frame, CheckpointView{});
}

struct RunResult {
    int status = kExitOk;
    int frames_done = 0;  // frames run, not counting those before a resume
    double seconds = 0.0;
};

// The files a frame writes: snapshots and periodic checkpoints; false with the
// message printed when one cannot be written.
bool write_frame_files(const BatchOptions& o, int frame, std::string& path, std::FILE* err) {
    struct Periodic {
        int every;
        const std::string& dir;
        bool (*write)(char*, std::size_t, const char*, int);
        const char* what;
    } const kinds[] = {
        {o.snapshot_every, o.snapshot_dir, write_snapshot, "snapshot"},
        {o.checkpoint_every, o.checkpoint_dir, write_periodic_checkpoint, "checkpoint"}};
    for (const Periodic& k : kinds) {
        if (k.every <= 0 || frame % k.every != 0) continue;
        errno = 0;
        if (!k.write(path.data(), path.size(), k.dir.c_str(), frame)) {
            const int saved = errno;
            fail(err, kExitOutput, "cannot write %s '%s': %s", k.what, path.c_str(),
                 write_reason(saved));
            return false;
        }
    }
    return true;
}

RunResult run_frames(const BatchOptions& o, int start, StatsTable* stats, BatchRenderer& pictures,
                     const StopSignals& stop, std::FILE* err) {
    RunResult result;
    std::string frame_path(std::max(o.snapshot_dir.size(), o.checkpoint_dir.size()) + 32, '\0');
    const bool tty = isatty(fileno(err)) == 1;
    ProgressLine progress(err, o.progress || (tty && !o.quiet), o.frames);

    WorkerScope worker(o.threaded);
    if (!worker.ok()) {
        result.status = fail(err, kExitOutput, "cannot start the signal worker");
        return result;
    }
    std::size_t next_divide = 0;
    const Clock::time_point t0 = Clock::now();
    for (int frame = start + 1; frame <= start + o.frames; ++frame) {
        history_frame = frame;  // births and type changes of this frame, its reload's loads
        // The reload key's work, before the frame's passes: a divide-all of the
        // same frame divides the reloaded colony rather than one about to go.
        if (o.reload_every > 0 && frame % o.reload_every == 0) {
            const int status = load_inputs(o, err, frame);
            if (status != kExitOk) {
                progress.finish();
                result.status = status;
                return result;
            }
        }
        // The field as the worker would have left it between two frames, but
        // the same on every run.
        if (!o.threaded) settle_signal(o.signal_passes);
        if (next_divide < o.divide_all_at.size() && o.divide_all_at[next_divide] == frame) {
            kReturn = 1;  // served at the start of the pass, before any cell's step
            ++next_divide;
        }
        frame_pass();
        const double elapsed = seconds_since(t0);
        if (stats) stats->record(frame, elapsed * 1000.0);
        if (!write_frame_files(o, frame, frame_path, err)) {
            progress.finish();
            result.status = kExitOutput;
            return result;
        }
        if (const int status = pictures.frame(frame); status != kExitOk) {
            progress.finish();
            result.status = fail(err, status, "%s", pictures.error());
            return result;
        }
        result.frames_done = frame - start;
        progress.update(frame - start, elapsed);
        if (stop.signal() != 0) break;  // the frame is whole: the outputs follow
    }
    result.seconds = seconds_since(t0);
    progress.finish();
    return result;
}

// A folder for the files written every K frames: created, then probed with
// the first file's name.
int prepare_folder(const std::string& dir, const char* probe_name, const char* what,
                   std::FILE* err) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return fail(err, kExitOutput, "cannot create %s folder '%s': %s", what, dir.c_str(),
                    ec.message().c_str());
    int saved_errno = 0;
    if (!can_create((dir + "/" + probe_name).c_str(), saved_errno))
        return fail(err, kExitOutput, "cannot write into %s folder '%s': %s", what, dir.c_str(),
                    write_reason(saved_errno));
    return kExitOk;
}

// Every output is probed before the first frame, so that a bad path costs no run.
int prepare_outputs(const BatchOptions& o, std::FILE* err) {
    int saved_errno = 0;
    for (const std::string* path : {&o.out, &o.stats, &o.checkpoint, &o.lineage}) {
        if (!path->empty() && !can_create(path->c_str(), saved_errno))
            return fail(err, kExitOutput, "cannot write '%s': %s", path->c_str(),
                        write_reason(saved_errno));
    }
    if (o.snapshot_every > 0)
        if (const int s = prepare_folder(o.snapshot_dir, "cells-000000.txt", "snapshot", err))
            return s;
    if (o.checkpoint_every > 0)
        if (const int s =
                prepare_folder(o.checkpoint_dir, "checkpoint-000000.kck", "checkpoint", err))
            return s;
    return kExitOk;
}

// The outputs after the last frame (or the frame a signal stopped): every one
// is attempted, so that one bad path does not cost the others.
int write_outputs(const BatchOptions& o, const StatsTable& stats, int frame, std::FILE* err) {
    int status = kExitOk;
    errno = 0;
    if (!o.out.empty() && !save_cell_list_to(o.out.c_str()))
        status =
            fail(err, kExitOutput, "cannot write '%s': %s", o.out.c_str(), write_reason(errno));
    errno = 0;
    if (!o.stats.empty() && !stats.write(o.stats.c_str()))
        status =
            fail(err, kExitOutput, "cannot write '%s': %s", o.stats.c_str(), write_reason(errno));
    errno = 0;
    if (!o.checkpoint.empty() && !save_checkpoint(o.checkpoint.c_str(), frame, CheckpointView{}))
        status = fail(err, kExitOutput, "cannot write '%s': %s", o.checkpoint.c_str(),
                      write_reason(errno));
    return status;
}

// The switches and the generator: from the command line, or, on a resume,
// from the checkpoint with the switches the command line turns on or off.
void set_switches(const BatchOptions& o) {
    const bool resumed = !o.resume.empty();
    if (o.division || o.no_division || !resumed) k_v = o.division ? 1 : 0;
    if (o.gravity || o.no_gravity || !resumed) k_g = o.gravity ? 1 : 0;
    if (!resumed) rng_seed(o.seeded ? o.seed : kDefaultSeed);
}

}  // namespace

int run_batch(const BatchOptions& o, std::FILE* err) {
    reset_to_program_start();
    StopSignals stop;

    int start = 0;
    const int loaded = o.resume.empty() ? load_inputs(o, err, 0) : resume_inputs(o, err, start);
    if (loaded != kExitOk) return loaded;
    if (const int status = prepare_outputs(o, err); status != kExitOk) return status;
    StatsTable stats;
    if (!o.stats.empty() && !stats.allocate(o.frames, start))
        return fail(err, kExitOutput, "--stats: no memory for %d frames", o.frames);

    // The flags the keys would set; the one-shot requests stay off, so that no
    // frame saves to or reloads from the window program's fixed file names.
    set_switches(o);
    k_p = kSpace = kReturn = 0;
    if (!o.stats.empty()) stats.record(start, 0.0);

    // Pictures last among the checks: ffmpeg and the context are found before
    // the first frame, as every output folder is.
    BatchRenderer pictures;
    if (const int status = pictures.open(o); status != kExitOk)
        return fail(err, status, "%s", pictures.error());
    HistoryFiles history;
    if (!history.open(o, err)) return kExitOutput;

    const RunResult run =
        run_frames(o, start, o.stats.empty() ? nullptr : &stats, pictures, stop, err);
    if (run.status != kExitOk) return run.status;
    if (const int status = pictures.close(); status != kExitOk)
        return fail(err, status, "%s", pictures.error());
    const int status =
        history.finish(o, err, write_outputs(o, stats, start + run.frames_done, err));

    if (stop.signal() != 0) {
        std::fprintf(err, "%s: stopped by signal %d after frame %d; outputs written\n",
                     kProgramName, stop.signal(), start + run.frames_done);
        return kExitSignalBase + stop.signal();
    }
    if (!o.quiet) {
        const double fps = run.seconds > 0 ? run.frames_done / run.seconds : 0.0;
        std::fprintf(err, "%s: %d frames, %d cells, %.2f frames/s, %.1f s\n", kProgramName,
                     run.frames_done, int(Cells_count), fps, run.seconds);
    }
    return status;
}

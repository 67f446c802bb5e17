// The run of kelvaro-batch, in the pieces of run_loop.h that the Python module
// calls too: load the inputs with the reload key's loaders, run the window
// program's frame pass N times, write the outputs. Everything the frames need
// is allocated before the first one; the loop itself allocates nothing and
// builds no strings.
#include "history_files.h"
#include "render.h"
#include "run_loop.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Why an input cannot be read: the loaders only say that it could not. The
// system's errno goes to `os_errno` (0 when the file itself is at fault).
const char* unreadable_reason(const char* path, int& os_errno) {
    struct stat info;
    os_errno = 0;
    if (stat(path, &info) != 0) return std::strerror(os_errno = errno);
    if (S_ISDIR(info.st_mode)) os_errno = EISDIR;
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    // The open's own complaint, such as a permission the user lacks.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::strerror(os_errno = errno);
    close(fd);
    return "cannot be read";
}

void report_genome(RunLog& log, const char* path, const GenomeLoadReport& r) {
    if (r.genes == 0) {
        // Valid (the run has no genes, as without --genome) but rarely meant.
        std::fprintf(log.err, "%s: %s: no genes; the run goes on without a genome\n", kProgramName,
                     path);
        return;
    }
    if (r.lines_dropped == 0 && r.tables_refused == 0) return;
    std::fprintf(log.err, "%s: %s: %d genes; skipped: lines_past_%d=%d glueds_signal_bad_type=%d\n",
                 kProgramName, path, r.genes, kMaxGenes, r.lines_dropped, r.tables_refused);
}

void report_cells(RunLog& log, const char* path, const CellLoadReport& r) {
    if (r.outside == 0 && !r.table_full && !r.stopped_at_text) {
        // An empty colony is what --out writes for one, so it loads; but a run
        // of nothing is worth a word.
        if (r.loaded == 0)
            std::fprintf(log.err, "%s: %s: no cells; the run starts from an empty colony\n",
                         kProgramName, path);
        return;
    }
    std::fprintf(log.err,
                 "%s: %s: %d cells loaded; skipped: outside=%d table_full=%d "
                 "stopped_at_text=%d",
                 kProgramName, path, r.loaded, r.outside, int(r.table_full),
                 int(r.stopped_at_text));
    if (r.stopped_at_text)
        std::fprintf(log.err, "; stopped at line %d: %s", r.stop_line, r.stop_reason);
    std::fputc('\n', log.err);
}

// The failure of an input that cannot be read, with the system's reason.
int unreadable(RunLog& log, const char* what, const std::string& path, const char* when) {
    int os_errno = 0;
    const char* why = unreadable_reason(path.c_str(), os_errno);
    return log_failure(log, kExitUsage, os_errno, "cannot read %s '%s'%s: %s", what, path.c_str(),
                       when, why);
}

// Loads the genome, then the colony (the settling passes of the cell load obey
// the genome's silencers), from the files on the command line or, without
// --cells, the seed cell. The start of the run and every reload go through here;
// only the first load checks for binary data and reports what was skipped, so
// a reload prints nothing unless an input has become unreadable. Allocates
// nothing on success. Returns the exit status.
int load_inputs(const BatchOptions& o, RunLog& log, int frame) {
    const bool first = frame == 0;
    char when[48] = "";
    if (!first) std::snprintf(when, sizeof when, " for the reload before frame %d", frame);
    for (const std::string* path : {&o.genome, &o.cells}) {
        if (first && !path->empty() && file_has_nul(path->c_str()))
            return log_failure(log, kExitUsage, 0, "cannot use %s '%s': binary data (a NUL byte)",
                               path == &o.genome ? "genome" : "cells", path->c_str());
    }
    if (o.has_genome_text) {
        // The world was put back to program start, so the text alone decides.
        const GenomeInput text{nullptr, o.genome_text.data(), o.genome_text.size()};
        const GenomeLoadReport g = load_genome_input(text, GenomeBase::Running, nullptr);
        if (g.binary)
            return log_failure(log, kExitUsage, 0,
                               "cannot use the genome text: binary data (a NUL byte)");
        if (first) report_genome(log, "the genome text", g);
    } else if (!o.genome.empty()) {
        const GenomeLoadReport g = load_genome_from(o.genome.c_str(), nullptr);
        if (!g.opened) return unreadable(log, "genome", o.genome, when);
        if (first) report_genome(log, o.genome.c_str(), g);
    }
    if (!o.cells.empty()) {
        const CellLoadReport c = load_cell_list_from(o.cells.c_str(), o.shift);
        if (!c.opened) return unreadable(log, "cells", o.cells, when);
        if (first) report_cells(log, o.cells.c_str(), c);
    } else {
        // The start colony again, on a world cleared whole as a cell load clears it.
        WorkerPause pause;
        clear_grids(true);
        Cells_Init();
    }
    return kExitOk;
}

// Starts from a checkpoint instead of the files; `start` gets its frame number.
int resume_inputs(const BatchOptions& o, RunLog& log, int& start) {
    const CheckpointLoad c = load_checkpoint(o.resume.c_str());
    if (!c.ok) {
        // Only the errno: a file that is there but refused is the input's fault.
        int os_errno = 0;
        unreadable_reason(o.resume.c_str(), os_errno);
        return log_failure(log, kExitUsage, os_errno, "cannot resume from '%s': %s",
                           o.resume.c_str(), c.reason);
    }
    const std::string from = "'" + o.resume + "'";
    if (const int status = check_frames_from(o, c.frame, from.c_str(), log); status != kExitOk)
        return status;
    start = int(c.frame);
    return kExitOk;
}

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

// The files a frame writes: snapshots and periodic checkpoints; false with the
// message printed when one cannot be written.
bool write_frame_files(const BatchOptions& o, int frame, std::string& path, RunLog& log) {
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
            log_failure(log, kExitOutput, saved, "cannot write %s '%s': %s", k.what, path.c_str(),
                        write_reason(saved));
            return false;
        }
    }
    return true;
}

}  // namespace

int check_frames_from(const BatchOptions& o, long long start, const char* from, RunLog& log) {
    if (start > std::int64_t(INT32_MAX) - 1 - o.frames)
        return log_failure(log, kExitUsage, 0,
                           "%s stopped at frame %lld: %d more frames pass the last one", from,
                           start, o.frames);
    // The divide-all frames are absolute: each must lie among the frames to run.
    for (const int f : o.divide_all_at)
        if (f <= start || f > start + o.frames)
            return log_failure(
                log, kExitUsage, 0,
                "--divide-all-at: frame %d lies outside the frames to run (%d to %d)", f,
                int(start) + 1, int(start) + o.frames);
    return kExitOk;
}

void set_switches(const BatchOptions& o, bool carry_on) {
    if (o.division || o.no_division || !carry_on) k_v = o.division ? 1 : 0;
    if (o.gravity || o.no_gravity || !carry_on) k_g = o.gravity ? 1 : 0;
    if (!carry_on) rng_seed(o.seeded ? o.seed : kDefaultSeed);
}

int open_run(const BatchOptions& o, RunLog& log, int& start) {
    reset_to_program_start();
    start = 0;
    const bool resumed = !o.resume.empty();
    const int status = resumed ? resume_inputs(o, log, start) : load_inputs(o, log, 0);
    if (status != kExitOk) return status;
    // The flags the keys would set; the one-shot requests stay off, so that no
    // frame saves to or reloads from the window program's fixed file names.
    set_switches(o, resumed);
    k_p = kSpace = kReturn = 0;
    return kExitOk;
}

namespace {

// The frames after `frame` can be accounted for rather than run: the run asks
// for it, and nothing looks at them one by one (no reload, divide-all, worker,
// periodic file, picture or statistics row).
bool may_stop_at_rest(const BatchOptions& o, const FrameSinks& sinks, std::size_t next_divide) {
    return o.until_settled && !o.threaded && o.reload_every == 0 &&
           next_divide == o.divide_all_at.size() && o.snapshot_every == 0 &&
           o.checkpoint_every == 0 && sinks.stats == nullptr && sinks.pictures == nullptr;
}

// Moves the frame count and the random sequence from `frame` to `last`, as the
// frames between would have, for a colony at rest.
void skip_frames_at_rest(int frame, int last) {
    rng_jump(draws_per_frame_at_rest() * std::uint64_t(last - frame));
    frame_number += last - frame;
    history_frame = last;
}

}  // namespace

RunResult run_frames(const BatchOptions& o, int start, const FrameSinks& sinks, RunLog& log) {
    RunResult result;
    std::string frame_path(std::max(o.snapshot_dir.size(), o.checkpoint_dir.size()) + 32, '\0');
    const bool tty = isatty(fileno(log.err)) == 1;
    ProgressLine progress(log.err, o.progress || (tty && !o.quiet), o.frames);
    // Every way out ends the progress line first.
    auto stop_with = [&](int status) {
        progress.finish();
        result.status = status;
        return result;
    };

    WorkerScope worker(o.threaded);
    if (!worker.ok())
        return stop_with(log_failure(log, kExitOutput, 0, "cannot start the signal worker"));
    std::size_t next_divide = 0;
    const Clock::time_point t0 = Clock::now();
    for (int frame = start + 1; frame <= start + o.frames; ++frame) {
        history_frame = frame;  // births and type changes of this frame, its reload's loads
        // The reload key's work, before the frame's passes: a divide-all of the
        // same frame divides the reloaded colony rather than one about to go.
        if (o.reload_every > 0 && frame % o.reload_every == 0)
            if (const int status = load_inputs(o, log, frame); status != kExitOk)
                return stop_with(status);
        // The field as the worker would have left it between two frames, but
        // the same on every run.
        const int changed = o.threaded ? -1 : settle_signal(o.signal_passes);
        if (next_divide < o.divide_all_at.size() && o.divide_all_at[next_divide] == frame) {
            kReturn = 1;  // served at the start of the pass, before any cell's step
            ++next_divide;
        }
        const std::uint32_t edits = worker_state.edits.load();
        frame_pass();
        // At rest: the passes ended at the field's fixed point (one changed
        // nothing), the frame edited nothing the field reads, and rest.h holds.
        if (may_stop_at_rest(o, sinks, next_divide) && changed < o.signal_passes &&
            edits == worker_state.edits.load() && colony_at_rest()) {
            skip_frames_at_rest(frame, start + o.frames);
            result.settled_at = frame;
            frame = start + o.frames;
        }
        const double elapsed = seconds_since(t0);
        if (sinks.stats) sinks.stats->record(frame, elapsed * 1000.0);
        if (!write_frame_files(o, frame, frame_path, log)) return stop_with(kExitOutput);
        if (sinks.page && frame % o.html_every == 0) sinks.page->add_frame(frame);
        if (const int status = sinks.pictures ? sinks.pictures->frame(frame) : kExitOk;
            status != kExitOk) {
            progress.finish();  // the message on a line of its own
            return stop_with(log_failure(log, status, 0, "%s", sinks.pictures->error()));
        }
        result.frames_done = frame - start;
        progress.update(frame - start, elapsed);
        if (sinks.hook) sinks.hook->after_frame(frame);
        if (sinks.stop && sinks.stop->signal() != 0)
            break;  // the frame is whole: the outputs follow
    }
    result.seconds = seconds_since(t0);
    progress.finish();
    return result;
}

int run_batch(const BatchOptions& o, std::FILE* err) {
    RunLog log{err};
    // Before the inputs: a signal while a large colony loads stops the run
    // after its first frame, with the outputs written.
    StopSignals stop(StopMode::kProgram);
    int start = 0;
    if (const int status = open_run(o, log, start); status != kExitOk) return status;
    if (const int status = prepare_outputs(o, log); status != kExitOk) return status;
    StatsTable stats;
    if (!o.stats.empty() && !stats.allocate(o.frames, start))
        return log_failure(log, kExitOutput, 0, "--stats: no memory for %d frames", o.frames);
    if (!o.stats.empty()) stats.record(start, 0.0);

    // Pictures last among the checks: ffmpeg and the context are found before
    // the first frame, as every output folder is.
    BatchRenderer pictures;
    if (const int status = pictures.open(o); status != kExitOk)
        return log_failure(log, status, 0, "%s", pictures.error());
    HistoryFiles history;
    if (!history.open(o, log.err)) return kExitOutput;

    // --html-every: the page is written as the frames go, from the loaded colony on.
    std::unique_ptr<PageWriter> page;
    if (o.html_every > 0) {
        page = std::make_unique<PageWriter>(o.html.c_str(), page_info(o));
        page->add_frame(start);
    }
    const FrameSinks sinks{o.stats.empty() ? nullptr : &stats, &pictures, &stop, nullptr,
                           page.get()};
    const RunResult run = run_frames(o, start, sinks, log);
    if (run.status != kExitOk) return run.status;
    if (page && (run.frames_done == 0 || (start + run.frames_done) % o.html_every != 0))
        page->add_frame(start + run.frames_done);
    errno = 0;
    int page_status = kExitOk;
    if (page && !page->commit()) {
        const int saved = errno;
        page_status = log_failure(log, kExitOutput, saved, "cannot write '%s': %s", o.html.c_str(),
                                  write_reason(saved));
    }
    if (const int status = pictures.close(); status != kExitOk)
        return log_failure(log, status, 0, "%s", pictures.error());
    const int written =
        history.finish(o, log.err, write_outputs(o, stats, start + run.frames_done, log));
    const int status = written != kExitOk ? written : page_status;

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

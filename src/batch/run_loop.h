// The run loop of kelvaro-batch in the pieces that both of its faces call:
// kelvaro-batch calls each once (run_batch), the Python module as often as its
// caller asks. The same loads, the same frames and the same files, whichever
// face drives them.
#pragma once

#include "batch.h"
#include "outputs.h"
#include "run_log.h"
#include "stop_signals.h"

class BatchRenderer;
class PageWriter;

// Told after every whole frame of a run (the Python module's progress bar).
class FrameHook {
   public:
    virtual ~FrameHook() = default;
    // `frame` has just been run; the world is between two frames.
    virtual void after_frame(int frame) = 0;
};

// What a run of frames feeds besides the world; null: not asked for.
struct FrameSinks {
    StatsTable* stats = nullptr;        // a row per frame
    BatchRenderer* pictures = nullptr;  // a picture every render_every frames
    const StopSignals* stop = nullptr;  // a signal ends the run after its frame
    FrameHook* hook = nullptr;          // told after every frame
    PageWriter* page = nullptr;         // a page frame every html_every frames
};

// How a run of frames ended.
struct RunResult {
    int status = kExitOk;
    int frames_done = 0;  // frames run, not counting those before a resume
    int settled_at = 0;   // with until_settled: the frame found at rest (0: none)
    double seconds = 0.0;
};

// Puts the world back to program start and loads what `o` names: the genome
// and the colony (the seed cell without --cells), or the checkpoint of
// --resume, whose frame goes to `start` (0 otherwise). Then the switches and
// the random sequence as set_switches(o, resumed) leaves them. Warnings and
// the failure go to `log`; returns the exit status.
int open_run(const BatchOptions& o, RunLog& log, int& start);

// Checks that o.frames more frames after frame `start` stay within the frame
// numbers and that each divide-all frame (absolute, sorted) lies among them.
// `from` names where `start` came from in the message (a quoted checkpoint).
int check_frames_from(const BatchOptions& o, long long start, const char* from, RunLog& log);

// The switches and the generator. Division and gravity come from `o`; with
// `carry_on` (a resumed run) only those that `o` turns on or off change, and
// the random sequence goes on; otherwise it starts from --seed.
void set_switches(const BatchOptions& o, bool carry_on);

// Runs o.frames frames after frame `start`: reloads, settling passes (or the
// live worker), divide-all requests, the frame pass, then the sinks and the
// periodic files. Stops early on a failure or, after its frame, on a signal.
// With o.until_settled, a frame that leaves the colony at rest (sim/rest.h)
// ends the run as if the frames left had run: the frame count and the random
// sequence move on as they would have; only when nothing but the hook wants
// those frames. Allocates nothing inside the loop.
RunResult run_frames(const BatchOptions& o, int start, const FrameSinks& sinks, RunLog& log);

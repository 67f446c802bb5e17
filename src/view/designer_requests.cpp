// F7 and F8: the step-back ring and the genome file's watch, served once a frame.
#include "view/designer_requests.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/file_watch.h"
#include "app/genome_file.h"
#include "app/step_ring.h"
#include "sim/history.h"
#include "view/flags.h"

BOOLEAN step_back_wanted = 0;
BOOLEAN genome_following = 0;

namespace {

FileWatch g_watch;
long g_loads_seen = 0;          // genome loads noticed so far
char g_genome_event[400] = "";  // the last load or refusal
char g_genome_line[448] = "";
char g_step_line[160] = "";

void note_load(const char* how, long frame) {
    long loads = 0;
    const GenomeLoadReport& r = last_genome_load(&loads);
    g_loads_seen = loads;
    const char* name = r.from_text ? "the edited genome" : kGenomeFile;
    if (r.binary)
        std::snprintf(g_genome_event, sizeof g_genome_event,
                      "%s: %s is binary data (a NUL byte) at frame %ld; the genome in force stays",
                      how, name, frame);
    else if (!r.applied)
        std::snprintf(g_genome_event, sizeof g_genome_event,
                      "%s: %s cannot be read at frame %ld; the genome in force stays", how, name,
                      frame);
    else
        std::snprintf(g_genome_event, sizeof g_genome_event,
                      "%s: %s loaded at frame %ld, %d gene%s, %d finding%s%s%s%s", how, name, frame,
                      r.genes, r.genes == 1 ? "" : "s", r.findings, r.findings == 1 ? "" : "s",
                      r.findings ? ", first: " : "", r.first_finding,
                      r.kept_earlier ? "; fields of an earlier load kept (Apply or F8 loads "
                                       "the file alone)"
                                     : "");
}

// F8 on or off, and a reload when the file changed since the last frame.
void serve_following(long frame) {
    if (genome_following && !g_watch.watching() && !g_watch.follow(kGenomeFile)) {
        std::snprintf(g_genome_event, sizeof g_genome_event, "F8: cannot follow %s: %s",
                      kGenomeFile, std::strerror(errno));
        genome_following = 0;
    }
    if (!genome_following) {
        g_watch.stop();
        return;
    }
    // An editor's save may take the file away for a moment: a refusal now, and
    // the reload follows when the new file is in place.
    if (g_watch.take() == FileChange::None) return;
    // The file alone decides the genome, as in a freshly started program.
    reload_genome_if_readable(GenomeInput{kGenomeFile}, GenomeBase::Start, kGenomeDump);
    note_load("F8", frame);
}

void serve_step_back(long& frame) {
    if (!step_back_wanted) return;
    step_back_wanted = 0;
    if (!paused) {
        std::snprintf(g_step_line, sizeof g_step_line, "F7: only while paused (F2)");
        return;
    }
    const CheckpointLoad r = restore_step_state();
    if (!r.ok) {
        std::snprintf(g_step_line, sizeof g_step_line, "F7: nothing kept to step back to");
        return;
    }
    frame = long(r.frame);
    const int left = step_states_kept();
    std::snprintf(g_step_line, sizeof g_step_line, "F7: back to frame %ld, %d more kept", frame,
                  left);
}

}  // namespace

void serve_designer_requests(long& frame) {
    long loads = 0;
    last_genome_load(&loads);
    if (loads != g_loads_seen) note_load("Space", frame);  // a reload key's load, last frame
    serve_following(frame);
    serve_step_back(frame);
    // The frame runs the step after this: what it starts from is kept first.
    if (paused && step_wanted && !keep_step_state(frame))
        std::snprintf(g_step_line, sizeof g_step_line, "F3: no memory to keep the step's start");
    if (!paused && step_states_kept() > 0) {
        clear_step_states();  // running again: the kept states are of the past
        g_step_line[0] = '\0';
    }
    history_frame = std::int32_t(frame + 1);
}

const char* genome_status() {
    const char* follows = genome_following ? "   F8 follows " : "";
    std::snprintf(g_genome_line, sizeof g_genome_line, "%s%s%s", g_genome_event, follows,
                  genome_following ? kGenomeFile : "");
    return g_genome_line;
}

const char* step_status() {
    return g_step_line;
}

void note_genome_load(const char* how, long frame) {
    note_load(how, frame);
}

void forget_genome_changes() {
    if (g_watch.watching()) g_watch.take();
}

void stop_following() {
    g_watch.stop();
    genome_following = 0;
}

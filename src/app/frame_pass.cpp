// The frame pass without its drawing: the requests, then every cell's step.
#include "app/frame_pass.h"
#include "app/cell_list.h"
#include "app/genome_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

BOOLEAN k_p = 0;
BOOLEAN kSpace = 0;
BOOLEAN kReturn = 0;
long frame_number = 0;

RequestStatus request_status;

namespace {

void note_save(long frame) {
    const int cells = Cells_count;
    if (save_cell_list_to(kCellFile))
        std::snprintf(request_status.save, sizeof request_status.save,
                      "P: saved %d cells to %s at frame %ld", cells, kCellFile, frame);
    else
        std::snprintf(request_status.save, sizeof request_status.save,
                      "P: cannot write %s at frame %ld: %s", kCellFile, frame,
                      std::strerror(errno));
}

void note_colony_load(long frame) {
    const CellLoadReport r = load_cell_list_from(kCellFile, kLoadShift);
    if (!r.opened)
        std::snprintf(request_status.reload, sizeof request_status.reload,
                      "Space: %s cannot be read at frame %ld; the colony is empty", kCellFile,
                      frame);
    else
        std::snprintf(request_status.reload, sizeof request_status.reload,
                      "Space: %d cells from %s at frame %ld%s%s", r.loaded, kCellFile, frame,
                      r.outside ? ", some off the lattice skipped" : "",
                      r.table_full ? ", the table is full" : "");
}

}  // namespace

void serve_requests() {
    if (k_p) {
        errno = 0;
        note_save(frame_number);
        k_p = 0;
    }
    if (kReturn) {
        divide_every_cell();
        kReturn = 0;
    }
    if (kSpace) {
        load_genome();
        note_colony_load(frame_number);
        request_status.loaded_at = frame_number;
        kSpace = 0;
    }
}

void frame_pass() {
    serve_requests();
    frame_cells([](int) {});
    ++frame_number;
}

void reset_to_program_start() {
    reset_simulation();
    k_p = kSpace = kReturn = 0;
    request_status = RequestStatus{};
    frame_number = 0;
}

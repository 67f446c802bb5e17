// The frame pass without its drawing: the requests, then every cell's step.
#include "app/frame_pass.h"
#include "app/cell_list.h"
#include "app/genome_file.h"

BOOLEAN k_p = 0;
BOOLEAN kSpace = 0;
BOOLEAN kReturn = 0;
long frame_number = 0;

void serve_requests() {
    if (k_p) {
        save_cell_list();
        k_p = 0;
    }
    if (kReturn) {
        divide_every_cell();
        kReturn = 0;
    }
    if (kSpace) {
        load_genome();
        load_cell_list();
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
    frame_number = 0;
}

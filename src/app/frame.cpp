// The frame pass without its drawing: the requests, then every cell's step.
#include "main.h"

void serve_requests() {
    if (k_p) {
        save_file();
        k_p = 0;
    }
    if (kReturn) {
        go_traslation();
        kReturn = 0;
    }
    if (kSpace) {
        load_dna();
        load_file();
        kSpace = 0;
    }
}

void cell_step(int i) {
    TCells& c = Cells[i];
    c.type = world[c.x][c.y][c.z];
    c.clamps = world_clamp[c.x][c.y][c.z];
    if (c.clamps > 1) go_mov_cells(i);
}

void frame_pass() {
    serve_requests();
    frame_cells([](int) {});
}

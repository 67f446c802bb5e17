// The frame pass without its drawing: the requests, then every cell's step.
#include "main.h"

#include <cstring>

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

bool type_color(int type, Rgb& out) {
    static constexpr Rgb kColors[19] = {
        {0, 0, 0},       {255, 255, 0}, {255, 0, 0},     {0, 0, 255},     {0, 0, 255},
        {255, 0, 255},   {255, 120, 0}, {255, 255, 255}, {0, 0, 0},       {55, 55, 255},
        {255, 0, 0},     {0, 255, 100}, {255, 0, 100},   {100, 100, 100}, {255, 0, 100},
        {255, 100, 100}, {255, 0, 100}, {255, 100, 0},   {255, 150, 10},
    };
    if (type < 1 || type > 18) return false;  // type 0 and unlisted types issue no colour
    out = kColors[type];
    return true;
}

void reset_to_program_start() {
    signal_worker_stop();
    clear_grids(true);
    publish_cells_count(0);
    std::memset(Cells, 0, sizeof Cells);
    std::memset(DNA, 0, sizeof DNA);
    DNA_Count = 0;
    restore_start_tables();
    genome_changed();
    k_g = k_v = k_l = k_p = kSpace = kReturn = show_map = showmouse = 0;
    show_len = move_file = 0;
    rng_seed(kDefaultSeed);
}

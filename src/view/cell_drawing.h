// What the frame pass draws, independent of GL: each visible cell becomes
// colour commands and one vertex on a sink, so that the window program (a GL
// sink) and the tests (a recording sink) run the very same decisions.
// A sink has begin(), end(), color_ub(r, g, b), color_d(r, g, b) and
// vertex(x, y, z).
#pragma once

#include <cstdint>

#include "app/frame_pass.h"
#include "view/flags.h"

// An 8-bit colour.
struct Rgb {
    std::uint8_t r, g, b;
};

// The colour of a cell type; false for types without one (0, negative, 19 and
// up), which are drawn in whatever colour is current.
bool type_color(int type, Rgb& out);

// The per-cell drawing of the frame pass: the isolate filter, the type colour,
// the type-1 filter, the signal overlay, the point.
template <class Sink>
void draw_cell(int i, Sink& sink) {
    const TCells& c = Cells[i];
    if (move_file != 0 && c.type != show_len) return;
    Rgb rgb;
    if (type_color(c.type, rgb)) sink.color_ub(rgb.r, rgb.g, rgb.b);
    // A hidden type-1 cell still leaves its colour current for the next cell.
    if (!k_l && c.type == 1) return;
    // The overlay marks the cells whose level on channel 2, 3, 4 or 5 equals
    // show_len; a later channel wins. The components are issued as they are
    // and GL clamps them to 1.
    const std::int32_t* level = world_signal[c.x][c.y][c.z];
    if (ld(level[2]) == show_len) sink.color_d(0.0, 0.0, 0.0);
    if (ld(level[3]) == show_len) sink.color_d(255.0, 0.0, 0.0);
    if (ld(level[4]) == show_len) sink.color_d(200.0, 0.0, 0.0);
    if (ld(level[5]) == show_len) sink.color_d(0.0, 255.0, 0.0);
    sink.vertex(double(c.x), double(c.y), double(c.z));
}

// The frame pass with drawing: the requests, then every cell's step and drawing.
template <class Sink>
void draw_frame_pass_with(Sink& sink) {
    serve_requests();
    sink.begin();
    frame_cells([&sink](int i) { draw_cell(i, sink); });
    sink.end();
}

// What the view draws, independent of GL: each visible cell becomes colour
// commands and one vertex on a sink, so that the window program (a GL sink),
// pictures made without a window and the tests (a recording sink) run the very
// same decisions. A sink has begin(), end(), color_ub(r, g, b),
// color_d(r, g, b) and vertex(x, y, z).
#pragma once

#include <cstdint>

#include "app/frame_pass.h"
#include "view/cell_filter.h"
#include "view/flags.h"
#include "view/heat_map.h"
#include "view/rgb.h"

// The type colours, 1..18 (entry 0 unused).
inline constexpr Rgb kTypeColors[19] = {
    {0, 0, 0},       {255, 255, 0}, {255, 0, 0},     {0, 0, 255},     {0, 0, 255},
    {255, 0, 255},   {255, 120, 0}, {255, 255, 255}, {0, 0, 0},       {55, 55, 255},
    {255, 0, 0},     {0, 255, 100}, {255, 0, 100},   {100, 100, 100}, {255, 0, 100},
    {255, 100, 100}, {255, 0, 100}, {255, 100, 0},   {255, 150, 10},
};

// The colour of a cell type; false for types without one (0, negative, 19 and
// up), which are drawn in whatever colour is current.
inline bool type_color(int type, Rgb& out) {
    if (type < 1 || type > 18) return false;
    out = kTypeColors[type];
    return true;
}

// A drawn cell in the heat map's colour of its level on heat_channel; the
// level widens the range of this frame.
template <class Sink>
void draw_heat_cell(const TCells& c, Sink& sink) {
    const std::int32_t level = ld(world_signal[c.x][c.y][c.z][heat_channel]);
    heat_frame.gathering.widen(level);
    const Rgb rgb = heat_color(heat_frame.scale, level);
    sink.color_ub(rgb.r, rgb.g, rgb.b);
    sink.vertex(double(c.x), double(c.y), double(c.z));
}

// The per-cell drawing: the isolate filter, the type colour, the type-1 filter
// and the slice, the signal overlay, the point; with the heat map on, the
// level's colour replaces the type colour and the signal overlay.
template <class Sink>
void draw_cell(int i, Sink& sink) {
    const TCells& c = Cells[i];
    const CellShown shown = cell_shown(c);
    if (shown == CellShown::Isolated) return;
    if (heat_channel >= 0) {
        if (shown == CellShown::Shown) draw_heat_cell(c, sink);
        return;
    }
    Rgb rgb;
    if (type_color(c.type, rgb)) sink.color_ub(rgb.r, rgb.g, rgb.b);
    // A hidden type-1 cell, or one outside the slab, still leaves its colour
    // current for the next cell, so a slice never recolours what it shows.
    if (shown == CellShown::Hidden) return;
    // The overlay marks the cells whose level on channel 2, 3, 4 or 5 equals
    // show_len; a later channel wins. The components are issued as they are
    // and GL clamps them to 1. The marks can be switched off.
    if (!signal_marks) return sink.vertex(double(c.x), double(c.y), double(c.z));
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
    heat_frame_begin(heat_channel);
    sink.begin();
    frame_cells([&sink](int i) { draw_cell(i, sink); });
    ++frame_number;
    sink.end();
    heat_frame_end();
}

// Draws every live cell as it stands, without stepping the simulation: the
// view of a paused colony, or a picture taken after a frame pass.
template <class Sink>
void draw_cells(Sink& sink) {
    heat_frame_begin(heat_channel);
    sink.begin();
    const int n = Cells_count;
    for (int i = 0; i < n; ++i) draw_cell(i, sink);
    sink.end();
    heat_frame_end();
}

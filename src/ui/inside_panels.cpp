// The panels for looking inside, drawn over the view with plain GL 1.x: the
// modes in force and the cell inspector (while the control panel is closed),
// with the heat map's colour bar.
#include "ui/inside_panels.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "ui/inspector_text.h"
#include "view/cell_drawing.h"
#include "view/gl_text.h"
#include "view/gl_view.h"
#include "view/inside_gl.h"

using screen::kLine;

namespace {

// The modes in force, one line each, above the colour bar's place.
void draw_modes(int width, int height) {
    static char buf[2][128];
    const char* lines[2];
    int n = 0;
    if (paused) std::snprintf(buf[n++], sizeof buf[0], "Paused: F2 resumes, F3 steps");
    if (slab.axis != SliceAxis::Off)
        std::snprintf(buf[n++], sizeof buf[0], "Slice across %s: layers %d to %d",
                      slice_axis_name(slab.axis), slab.first,
                      std::min(kInteriorMax, slab.first + slab.thickness - 1));
    if (n == 0) return;
    for (int k = 0; k < n; ++k) lines[k] = buf[k];
    const float bottom = height - (heat_channel >= 0 ? 96.0f : 6.0f);
    screen::text_panel(width - 6.0f, bottom - n * kLine - 8, lines, n, true);
}

// The 20 levels as bars, scaled to the highest; the heat map's channel in yellow.
void draw_level_bars(const std::int32_t* level, float x0, float y0) {
    std::int32_t peak = 1;
    for (int c = 0; c < kChannels; ++c) peak = std::max(peak, ld(level[c]));
    const float h = 80, w = 12;
    for (int c = 0; c < kChannels; ++c) {
        const float v = float(std::max(0, ld(level[c]))) / float(peak);
        if (c == heat_channel)
            glColor3ub(255, 220, 0);
        else
            glColor3ub(230, 230, 230);
        screen::rect(x0 + c * w, y0 + h * (1 - v), x0 + c * w + w - 3, y0 + h);
        if (c % 5 == 0 || c == kChannels - 1) {
            char label[8];
            std::snprintf(label, sizeof label, "%d", c);
            screen::text(x0 + c * w, y0 + h + 3, label, 200, 200, 200);
        }
    }
}

void draw_inspector(int width) {
    const int i = inspected_cell;
    const TCells& c = Cells[i];
    static char buf[6][96];
    static char story[2][kHistoryLineSize];  // why the cell is what it is, under the levels
    const int told = cell_history_lines(i, story);
    std::snprintf(buf[0], sizeof buf[0], "Cell %d", i);
    std::snprintf(buf[1], sizeof buf[1], "     type %d", c.type);
    std::snprintf(buf[2], sizeof buf[2], "Site %d %d %d", c.x, c.y, c.z);
    std::snprintf(buf[3], sizeof buf[3], "Clamp %d (%s)", c.clamps, clamp_name(c.clamps));
    std::snprintf(buf[4], sizeof buf[4], "Column height %d", world_gravity[c.x][c.y][c.z]);
    std::snprintf(buf[5], sizeof buf[5], "Levels, channels 0 to 19:");
    const char* lines[6] = {buf[0], buf[1], buf[2], buf[3], buf[4], buf[5]};
    float w = 260;  // wide enough for the gene's fields
    for (int k = 0; k < told; ++k) w = std::max(w, screen::text_width(story[k]) + 14);
    const float x = width - 6.0f - w, y = 6;
    const float story_y = y + 6 * kLine + 8 + 104;
    screen::panel(x, y, x + w, story_y + told * kLine + 6);
    for (int k = 0; k < 6; ++k) screen::text(x + 6, y + 6 + k * kLine, lines[k], 235, 235, 235);
    for (int k = 0; k < told; ++k)
        screen::text(x + 6, story_y + k * kLine, story[k], 235, 235, 235);
    Rgb rgb;
    if (type_color(c.type, rgb)) {
        glColor3ub(rgb.r, rgb.g, rgb.b);
        screen::rect(x + 8, y + 7 + kLine, x + 22, y + 17 + kLine);
    }
    draw_level_bars(world_signal[c.x][c.y][c.z], x + 10, y + 6 * kLine + 14);
}

}  // namespace

void draw_inside_panels(int width, int height, int view_w) {
    if (view_w <= 0 || height <= 0) return;
    // While the control panel is open the inspector lives there; the modes and
    // the colour bar stay over the view, beside the panel.
    const bool panel_open = view_w < width;
    const bool inspector = !panel_open && inspected_cell >= 0 && inspected_cell < Cells_count;
    const bool modes = paused || slab.axis != SliceAxis::Off;
    if (heat_channel < 0 && !modes && !inspector) return;
    screen::begin_screen(width, height);
    if (heat_channel >= 0) draw_colour_bar(view_w, height);
    if (modes) draw_modes(view_w, height);
    if (inspector) draw_inspector(width);
    screen::end_screen();
}

// Looking inside with plain GL 1.x: the inspected cell's mark, the panels and
// recording.
#include "view/inside_gl.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "view/camera.h"
#include "view/cell_drawing.h"
#include "view/frame_recorder.h"
#include "view/gl_text.h"
#include "view/gl_view.h"
#include "view/inspector_text.h"
#include "view/overlay.h"

using screen::begin_screen;
using screen::end_screen;
using screen::kLine;

namespace {

FrameRecorder g_recorder;

const char* clamp_name(int clamp) {
    switch (clamp) {
        case 0: return "never clamped";
        case 1: return "locked";
        case 2: return "pushed";
    }
    return "?";
}

// The colour map from the range's low end (left) to its high end, with the
// channel and the range, in the bottom right corner.
void draw_colour_bar(int width, int height) {
    const float x1 = width - 12.0f, x0 = x1 - 256, y1 = height - 24.0f, y0 = y1 - 18;
    screen::panel(x0 - 6, y0 - 24, x1 + 6, y1 + 20);
    char line[96];
    std::snprintf(line, sizeof line, "Heat map: channel %d", heat_channel);
    screen::text(x0, y0 - 19, line, 235, 235, 235);
    glBegin(GL_QUAD_STRIP);
    for (int s = 0; s < kHeatSteps; ++s) {
        const Rgb c = heat_ramp(s);
        glColor3ub(c.r, c.g, c.b);
        glVertex2f(x0 + s, y0);
        glVertex2f(x0 + s, y1);
    }
    glEnd();
    const HeatRange& r = heat_frame.shown;
    if (r.empty()) return;
    std::snprintf(line, sizeof line, "%d", r.lo);
    screen::text(x0, y1 + 3, line, 235, 235, 235);
    std::snprintf(line, sizeof line, "%d", r.hi);
    screen::text(x1 - screen::text_width(line), y1 + 3, line, 235, 235, 235);
}

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
    const float x = width - 6.0f - w, y = 246;  // below the F1 key legend
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

void draw_inspected_mark() {
    if (inspected_cell >= Cells_count) inspected_cell = -1;  // a reload emptied its place
    if (inspected_cell < 0) return;
    const TCells& c = Cells[inspected_cell];
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    apply_camera();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_POINT_SMOOTH);
    const float r = 0.6f;
    for (int pass = 0; pass < 2; ++pass) {  // a wide black edge under a white line
        glLineWidth(pass == 0 ? 4.0f : 2.0f);
        if (pass == 0)
            glColor3ub(0, 0, 0);
        else
            glColor3ub(255, 255, 255);
        glBegin(GL_LINES);
        for (int e = 0; e < 12; ++e) {
            // The cube's 12 edges: along axis e / 4, at the corner e % 4 of the other two.
            const int a = e / 4, b = (a + 1) % 3, d = (a + 2) % 3;
            float p[3] = {float(c.x), float(c.y), float(c.z)};
            p[b] += e & 1 ? r : -r;
            p[d] += e & 2 ? r : -r;
            p[a] -= r;
            glVertex3fv(p);
            p[a] += 2 * r;
            glVertex3fv(p);
        }
        glEnd();
    }
    glPopMatrix();
    glPopAttrib();
}

void draw_inside_panels(int width, int height) {
    if (width <= 0 || height <= 0) return;
    const bool any =
        heat_channel >= 0 || inspected_cell >= 0 || paused || slab.axis != SliceAxis::Off;
    if (!any) return;
    begin_screen(width, height);
    if (heat_channel >= 0) draw_colour_bar(width, height);
    draw_modes(width, height);
    if (inspected_cell >= 0 && inspected_cell < Cells_count) draw_inspector(width);
    end_screen();
}

void record_frame(int width, int height) {
    if (recording && !g_recorder.active()) {
        if (!g_recorder.start(frame_number, width, height, ffmpeg_on_path())) {
            std::fprintf(stderr, "kelvaro: cannot start recording\n");
            recording = 0;
            return;
        }
    }
    if (!recording || (g_recorder.width() != width || g_recorder.height() != height)) {
        // F11 again, or the window changed size under the recording: it ends.
        stop_recording();
        return;
    }
    read_back_frame(width, height, g_recorder.pixels());
    if (!g_recorder.add_frame()) {
        std::fprintf(stderr, "kelvaro: recording to %s failed; it has stopped\n",
                     g_recorder.target());
        recording = 0;
    }
}

void draw_recording_mark(int width, int height) {
    if (!g_recorder.active() || width <= 0 || height <= 0) return;
    begin_screen(width, height);
    static char line[64];
    std::snprintf(line, sizeof line, "   Recording: %ld frames", g_recorder.frames());
    const char* lines[1] = {line};
    // At the bottom, between the overlay's plot and the colour bar.
    const float x = std::max(450.0f, width / 2.0f - 100), y = height - 6.0f - kLine - 8;
    screen::text_panel(x, y, lines, 1, false);
    glColor3ub(230, 0, 0);  // a red dot in front
    screen::rect(x + 8, y + 7, x + 18, y + 17);
    end_screen();
}

void stop_recording() {
    recording = 0;
    if (g_recorder.active() && !g_recorder.stop())
        std::fprintf(stderr, "kelvaro: the movie %s did not end well\n", g_recorder.target());
}

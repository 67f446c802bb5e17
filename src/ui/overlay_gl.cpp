// The overlay drawn over the view with plain GL 1.x, and F12's screenshot.
#include "ui/overlay.h"

#include "app/files.h"
#include "view/cell_drawing.h"
#include "view/checkpoint_keys.h"
#include "view/designer_keys.h"
#include "view/flags.h"
#include "view/gl_text.h"
#include "view/gl_view.h"
#include "ui/overlay_stats.h"
#include "ui/panel_state.h"
#include "view/inside_gl.h"
#include "sim/simulation.h"
#include "view/png_file.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

long g_frames_drawn = 0;  // frames shown, paused ones too: the frame rate

using screen::begin_screen;
using screen::end_screen;
using screen::kLine;
using screen::panel;
using screen::rect;
using screen::text;
using screen::text_panel;

constexpr int kTopTypes = 6;

TypeCensus g_census;
PopulationHistory g_history;
RateMeter g_frame_rate, g_pass_rate;

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// A type's colour for swatches and plot lines; types without one get grey.
Rgb colour_of(int type) {
    Rgb c;
    if (type == TypeCensus::kOther || !type_color(type, c)) c = {128, 128, 128};
    return c;
}

const char* on_off(int flag) {
    return flag ? "on" : "off";
}

screen::Box draw_status(int top_types[], int shown) {
    static char buf[4 + kTopTypes][128];
    const char* lines[11 + kTopTypes];
    std::snprintf(buf[0], sizeof buf[0], "Frame %ld    Cells %d / %d", frame_number, g_census.live,
                  kMaxCells);
    std::snprintf(buf[1], sizeof buf[1], "%.1f frames/s    %.1f signal passes/s",
                  g_frame_rate.rate(), g_pass_rate.rate());
    std::snprintf(buf[2], sizeof buf[2], "Division %s   Gravity %s   Type 1 %s   Axes %s",
                  on_off(k_v), on_off(k_g), k_l ? "shown" : "hidden", on_off(show_map));
    if (move_file)
        std::snprintf(buf[3], sizeof buf[3], "Isolate on (type %d)    show_len %d", show_len,
                      show_len);
    else
        std::snprintf(buf[3], sizeof buf[3], "Isolate off    show_len %d", show_len);
    for (int k = 0; k < shown; ++k) {
        const int t = top_types[k];
        if (t == TypeCensus::kOther)
            std::snprintf(buf[4 + k], sizeof buf[4 + k], "     other  %d", g_census.count[t]);
        else
            std::snprintf(buf[4 + k], sizeof buf[4 + k], "     type %d  %d", t, g_census.count[t]);
    }
    for (int k = 0; k < 4 + shown; ++k) lines[k] = buf[k];
    // What the last file key did (a refused load's reason included), the last
    // genome load with its first finding, and the last F7, under the counts.
    int n = 4 + shown;
    const char* const statuses[] = {request_status.save, request_status.reload, checkpoint_status(),
                                    genome_status(),     screenshot_status,     recording_status(),
                                    step_status()};
    for (const char* status : statuses)
        if (status[0] != '\0') lines[n++] = status;
    const screen::Box box = text_panel(6, 6, lines, n, false);
    // A swatch in each type's colour in front of its count.
    for (int k = 0; k < shown; ++k) {
        const Rgb c = colour_of(top_types[k]);
        glColor3ub(c.r, c.g, c.b);
        const float y = 12 + (4 + k) * kLine;
        rect(12, y + 1, 24, y + 11);
    }
    return box;
}

screen::Box draw_keys(int width) {
    static const char* const kKeys[] = {
        "W S A D  fly    mouse  look",
        "Esc  free or capture the cursor",
        "Space  reload   P  save",
        "V  division     G  gravity",
        "Return  divide every cell",
        "L  type 1       M  axes",
        "0-9  isolate    keypad - +  show_len",
        "F1  overlay     F12  screenshot",
        "F2  pause       F3  step",
        "F4  heat map    F6  slice",
        "PgUp PgDn [ ]  move, size the slice",
        "Home  frame     F11  record",
        "click (free cursor)  inspect a cell",
        "F5  checkpoint  F9  load it",
        "F7  step back   F8  follow dna.vdna",
        "Tab  the control panel",
    };
    return text_panel(width - 6.0f, 6, kKeys, int(std::size(kKeys)), true);
}

// Live cells (white) and the most numerous types (their colours) over the last
// frames, newest on the right, scaled to the highest count shown.
screen::Box draw_plot(int height, int top_types[], int shown) {
    const float x0 = 12, x1 = 12 + 420, y1 = height - 12.0f, y0 = y1 - 150;
    const screen::Box box{x0 - 6, y0 - 26, x1 + 6, y1 + 6};
    panel(box.x0, box.y0, box.x1, box.y1);
    const std::int32_t peak = std::max(1, g_history.peak_live());
    char line[64];
    std::snprintf(line, sizeof line, "Cells over the last %d frames (max %d)", g_history.size(),
                  peak);
    text(x0, y0 - 20, line, 230, 230, 230);
    const int n = g_history.size();
    if (n < 2) return box;
    const float step = (x1 - x0) / (PopulationHistory::kFrames - 1);
    auto y_of = [&](std::int32_t v) { return y1 - (y1 - y0) * float(v) / float(peak); };
    for (int k = shown - 1; k >= -1; --k) {
        if (k >= 0) {
            const Rgb c = colour_of(top_types[k]);
            glColor3ub(c.r, c.g, c.b);
        } else {
            glColor3ub(255, 255, 255);
        }
        glBegin(GL_LINE_STRIP);
        for (int age = n - 1; age >= 0; --age) {
            const std::int32_t v =
                k >= 0 ? g_history.count(age, top_types[k]) : g_history.live(age);
            glVertex2f(x1 - age * step, y_of(v));
        }
        glEnd();
    }
    return box;
}

// The overlay as last drawn: its three boxes, kept in an off-screen buffer of
// the window's size and copied back from it until they are kRedrawS old.
// Their text and lines are thousands of small primitives, which a software
// rasteriser takes milliseconds to set up and to fill; the boxes are opaque,
// so a copy of their pixels is the overlay, and a copy of pixels of one format
// to another is a plain memory copy.
struct OverlayCache {
    static constexpr double kRedrawS = 0.1;  // ten fresh overlays a second
    GLuint framebuffer = 0, pixels = 0;
    bool usable = true;  // false where the off-screen buffer cannot be made
    int width = 0, height = 0;
    double drawn_at = -1;
    screen::Box box[3] = {};
};
OverlayCache g_cache;

// The off-screen buffer at the window's size; false where it cannot be had.
bool cache_buffer(int width, int height) {
    if (!g_cache.usable) return false;
    if (g_cache.framebuffer && g_cache.width == width && g_cache.height == height) return true;
    if (!g_cache.framebuffer) {
        glGenFramebuffers(1, &g_cache.framebuffer);
        glGenRenderbuffers(1, &g_cache.pixels);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, g_cache.pixels);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, g_cache.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              g_cache.pixels);
    g_cache.usable = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    g_cache.width = width, g_cache.height = height;
    return g_cache.usable;
}

// Copies the boxes' pixels from one framebuffer to the other (0: the window's).
void copy_boxes(GLuint from, GLuint to) {
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    for (const screen::Box& b : g_cache.box) {
        const GLint x0 = GLint(std::floor(b.x0)), x1 = GLint(std::ceil(b.x1));
        const GLint y0 = g_cache.height - GLint(std::ceil(b.y1));
        const GLint y1 = g_cache.height - GLint(std::floor(b.y0));
        glBlitFramebuffer(x0, y0, x1, y1, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void draw_overlay(int width, int height, double now) {
    begin_screen(width, height);
    const bool cached = cache_buffer(width, height);
    if (cached && now - g_cache.drawn_at < OverlayCache::kRedrawS) {
        copy_boxes(g_cache.framebuffer, 0);
    } else {
        glLineWidth(1.5f);
        int top_types[kTopTypes];
        const int shown = g_census.top(kTopTypes, top_types);
        g_cache.box[0] = draw_status(top_types, shown);
        g_cache.box[1] = draw_keys(width);
        g_cache.box[2] = draw_plot(height, top_types, shown);
        g_cache.drawn_at = now;
        if (cached) copy_boxes(0, g_cache.framebuffer);
    }
    end_screen();
}

}  // namespace

void overlay_frame(int width, int height) {
    ++g_frames_drawn;
    const double t = now_s();
    g_census.take();
    g_history.record(g_census);
    g_frame_rate.add(t, double(g_frames_drawn));
    g_pass_rate.add(t, double(signal_worker_passes()));
    // While the control panel is open, what the overlay shows lives there.
    if (show_overlay && !panel_open && width > 0 && height > 0) draw_overlay(width, height, t);
    if (!show_overlay) g_cache.drawn_at = -1;  // shown again: drawn afresh at once
}

ShownStats shown_stats() {
    return {g_census, g_history, g_frame_rate.rate(), g_pass_rate.rate()};
}

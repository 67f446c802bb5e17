// The overlay drawn over the view with plain GL 1.x, and F12's screenshot.
#include "ui/overlay.h"

#include "app/files.h"
#include "view/cell_drawing.h"
#include "view/checkpoint_requests.h"
#include "view/designer_requests.h"
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

TypeCensus g_census;
PopulationHistory g_history;
RateMeter g_frame_rate, g_pass_rate;

const char* on_off(int flag) {
    return flag ? "on" : "off";
}

// The status lines of the files and the designer's requests; the one that
// changed last is the one the overlay shows.
struct LatestStatus {
    static constexpr int kSources = 8;
    char seen[kSources][480] = {};
    int latest = -1;

    void update() {
        const char* const now[kSources] = {
            request_status.save, request_status.reload,         checkpoint_status(),
            genome_status(),     panel_state.screenshot_status, recording_status(),
            step_status(),       panel_state.page_status};
        for (int k = 0; k < kSources; ++k) {
            if (std::strncmp(seen[k], now[k], sizeof seen[k] - 1) == 0) continue;
            std::snprintf(seen[k], sizeof seen[k], "%s", now[k]);
            if (now[k][0]) latest = k;
        }
    }
    const char* line() const { return latest >= 0 ? seen[latest] : ""; }
};
LatestStatus g_latest;

// What one glances at: frame, cells, the frame rate, the switches in force,
// the latest status, and where everything else is.
screen::Box draw_status() {
    static char buf[3][160];
    const char* lines[5];
    std::snprintf(buf[0], sizeof buf[0], "Frame %ld    Cells %d / %d    %.1f frames/s",
                  frame_number, g_census.live, kMaxCells, g_frame_rate.rate());
    int n = std::snprintf(buf[1], sizeof buf[1], "Division %s  Gravity %s  Type 1 %s  Axes %s",
                          on_off(k_v), on_off(k_g), k_l ? "shown" : "hidden", on_off(show_map));
    if (move_file && n > 0 && n < int(sizeof buf[1]))
        std::snprintf(buf[1] + n, sizeof buf[1] - n, "  Isolate type %d", show_len);
    lines[0] = buf[0], lines[1] = buf[1];
    n = 2;
    if (g_latest.line()[0]) lines[n++] = g_latest.line();
    lines[n++] = "Tab: the panel, every control and key";
    return screen::text_panel(6, 6, lines, n, false);
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
    screen::Box box = {};
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
    {
        const screen::Box& b = g_cache.box;
        const GLint x0 = GLint(std::floor(b.x0)), x1 = GLint(std::ceil(b.x1));
        const GLint y0 = g_cache.height - GLint(std::ceil(b.y1));
        const GLint y1 = g_cache.height - GLint(std::floor(b.y0));
        glBlitFramebuffer(x0, y0, x1, y1, x0, y0, x1, y1, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void draw_overlay(int width, int height, double now) {
    screen::begin_screen(width, height);
    const bool cached = cache_buffer(width, height);
    if (cached && now - g_cache.drawn_at < OverlayCache::kRedrawS) {
        copy_boxes(g_cache.framebuffer, 0);
    } else {
        g_cache.box = draw_status();
        g_cache.drawn_at = now;
        if (cached) copy_boxes(0, g_cache.framebuffer);
    }
    screen::end_screen();
}

}  // namespace

void overlay_frame(int width, int height) {
    ++g_frames_drawn;
    const double t = now_s();
    g_census.take();
    g_history.record(g_census);
    g_frame_rate.add(t, double(g_frames_drawn));
    g_pass_rate.add(t, double(signal_worker_passes()));
    g_latest.update();
    // While the control panel is open, what the overlay shows lives there.
    if (show_overlay && !panel_state.open && width > 0 && height > 0)
        draw_overlay(width, height, t);
    if (!show_overlay) g_cache.drawn_at = -1;  // shown again: drawn afresh at once
}

ShownStats shown_stats() {
    return {g_census, g_history, g_frame_rate.rate(), g_pass_rate.rate()};
}

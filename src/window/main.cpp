// The window program: one window, a GL context, the signal worker, and the main
// loop that handles every pending event and then renders one frame.
#include "app/frame_pass.h"
#include "app/genome_file.h"
#include "platform/platform.h"
#include "ui/controls.h"
#include "ui/inside_panels.h"
#include "ui/overlay.h"
#include "ui/panel.h"
#include "ui/panel_map.h"
#include "ui/panel_state.h"
#include "view/camera.h"
#include "view/checkpoint_requests.h"
#include "view/designer_requests.h"
#include "view/flags.h"
#include "view/gl_view.h"
#include "view/inside_gl.h"
#include "view/run_control.h"
#include "view/page_file.h"
#include "view/png_file.h"
#include "view/screenshot.h"

#include <GL/gl.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <vector>

namespace {

constexpr WindowSetup kWindow = {
    1000, 600, "Kelvaro v" KELVARO_RELEASE " https://kelvaro.example.org/", "TALVEN"};

#ifdef KELVARO_FRAME_LOG
// Test builds only: when the first frame was shown (on the monotonic clock, to
// compare with the launch time), then frames per second, live cells and the
// overlay's cost, once a second.
struct FrameLog {
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    int frames = 0;
    bool first_shown = false;
    double overlay_ms = 0;

    void frame_shown() {
        if (!first_shown) {
            timespec now_ts;
            clock_gettime(CLOCK_MONOTONIC, &now_ts);
            std::fprintf(stderr, "first frame at %.6f\n", now_ts.tv_sec + now_ts.tv_nsec * 1e-9);
            first_shown = true;
        }
        ++frames;
        const auto now = std::chrono::steady_clock::now();
        if (now - last < std::chrono::seconds(1)) return;
        const double s = std::chrono::duration<double>(now - last).count();
        std::fprintf(stderr, "fps %.2f cells %d overlay_ms %.3f\n", frames / s, Cells_count,
                     overlay_ms / frames);
        overlay_ms = 0;
        frames = 0;
        last = now;
    }
};
FrameLog g_log;
#endif

// The overlay's statistics always, its drawing while shown. With
// KELVARO_TIME_OVERLAY set, the frame log counts the overlay's own drawing: the
// scene is finished first (which stalls the pipeline, so frame rates are
// measured without it).
void overlay(int width, int height) {
#ifdef KELVARO_FRAME_LOG
    static const bool timed = std::getenv("KELVARO_TIME_OVERLAY") != nullptr;
    if (show_overlay && timed) glFinish();
    const auto start = std::chrono::steady_clock::now();
    overlay_frame(width, height);
    if (show_overlay && timed) glFinish();
    g_log.overlay_ms +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
#else
    overlay_frame(width, height);
#endif
}

// F12: the frame as shown, the panel included, before the swap.
void take_screenshot(int width, int height) {
    char name[64];
    char* status = panel_state.screenshot_status;
    const int size = sizeof panel_state.screenshot_status;
    if (save_screenshot(width, height, name, sizeof name))
        std::snprintf(status, size, "F12: saved %s", name);
    else
        std::snprintf(status, size, "F12: cannot write %s", name);
    screenshot_wanted = 0;
}

// The types the view hides now: one by one, type 1 under L, and every type
// but show_len's in isolate mode.
std::vector<int> types_hidden_now() {
    std::set<int> present;
    for (int i = 0; i < Cells_count; ++i) present.insert(Cells[i].type);
    std::vector<int> hidden;
    for (int t : present)
        if (type_hidden(t) || (t == 1 && !k_l) || (move_file && t != show_len)) hidden.push_back(t);
    return hidden;
}

// F10: the colony as shown, as a page that any browser opens.
void take_page() {
    char name[64];
    free_file_name(name, sizeof name, "kelvaro", frame_number, ".html");
    char* status = panel_state.page_status;
    const int size = sizeof panel_state.page_status;
    if (save_shown_page(name, types_hidden_now(), kGenomeFile, int(frame_number)))
        std::snprintf(status, size, "F10: saved %s, %d cells", name, Cells_count);
    else
        std::snprintf(status, size, "F10: cannot write %s", name);
    page_wanted = 0;
}

// With a frame-rate cap set in the panel, waits out the rest of the frame's time.
void keep_frame_rate_cap() {
    double& last = panel_state.last_frame_s;
    const int cap = panel_state.frame_rate_cap;
    if (cap > 0 && last >= 0) {
        const double wait_s = last + 1.0 / cap - now_s();
        if (wait_s > 0) plat_pause_ms(int(wait_s * 1000));
    }
    last = now_s();
}

// While the panel is open, the scene is drawn only beside it (F11 records the
// whole view, so not while recording): what the panel covers costs nothing.
void clip_scene_beside_panel(int width, int height) {
    if (!panel_state.open || recording) return glDisable(GL_SCISSOR_TEST);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, view_width_beside_panel(width), height);
}

void render_frame() {
    clear_to_sky();
    int width = 0, height = 0;
    plat_framebuffer_size(width, height);
    clip_scene_beside_panel(width, height);
    glPushMatrix();
    poll_controls();
    serve_checkpoint_requests(frame_number);
    serve_designer_requests(frame_number);
    draw_view_frame();
    if (show_map) draw_axis_markers();
    draw_inspected_mark();
    overlay(width, height);
    draw_inside_panels(width, height, view_width_beside_panel(width));
    glPopMatrix();
    glDisable(GL_SCISSOR_TEST);
    record_frame(width, height);  // F11 records the view without the panel
    draw_panel(width, height, frame_number);
    write_panel_map_if_asked();
    if (screenshot_wanted) take_screenshot(width, height);
    if (page_wanted) take_page();
    draw_recording_mark(width, height);
    plat_swap();
    plat_pause_ms(1);
    keep_frame_rate_cap();
#ifdef KELVARO_FRAME_LOG
    g_log.frame_shown();
#endif
}

// What the window's events asked for since the last frame.
void take_window_events() {
    int width = 0, height = 0;
    if (plat_take_resize(width, height)) set_projection(width, height);
    bool focused = false;
    if (plat_take_focus_change(focused)) focus_changed(focused);
}

}  // namespace

int main() {
    const char* why = nullptr;
    if (!open_view_window(kWindow, why)) {
        // The one message the program gives: without a window there is nothing to show.
        std::fprintf(stderr, "kelvaro: cannot open a window: %s\n", why);
        return 1;
    }

    Cells_Init();
    init_view_flags();
    init_panel_state();
    signal_worker_start();
    // Mouse look is on from the start: capture the cursor at the anchor so the
    // first frame turns the camera by nothing.
    plat_cursor_capture(true);
    plat_cursor_set(kMouseAnchorX, kMouseAnchorY);

    for (;;) {
        plat_poll_events();
        if (plat_close_requested()) break;
        take_window_events();
        render_frame();
    }

    // A movie being recorded is finished; the worker stops before anything it
    // reads is torn down.
    stop_recording();
    end_pause();
    signal_worker_stop();
    plat_close();
    return 0;
}

// The window program: one window, a GL context, the signal worker, and the main
// loop that handles every pending event and then renders one frame.
#include "main.h"

#include "platform/platform.h"
#include "view/infra.h"
#include "view/overlay.h"

#include <GL/gl.h>

#include <time.h>

#include <chrono>
#include <cstdio>

namespace {

bool g_screenshot_wanted = false;

constexpr WindowSetup kWindow = {1000, 600, "Kelvaro v0.24 https://kelvaro.example.org/", "TALVEN"};

void render_frame() {
    glClearColor(0.6f, 0.8f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    Player_Move();
    ShowCells();
    if (show_map) ShowMaps();
    int width = 0, height = 0;
    plat_framebuffer_size(width, height);
#ifdef KELVARO_FRAME_LOG
    // The overlay's cost: its statistics always, its drawing while shown (the
    // scene is finished first, so only the overlay's own drawing is counted).
    if (show_overlay) glFinish();
    const auto overlay_start = std::chrono::steady_clock::now();
    overlay_frame(width, height);
    if (show_overlay) glFinish();
    static double overlay_ms = 0;
    overlay_ms +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - overlay_start)
            .count();
#else
    overlay_frame(width, height);
#endif
    glPopMatrix();
    if (g_screenshot_wanted) {
        save_screenshot(width, height);  // the frame as shown, before the swap
        g_screenshot_wanted = false;
    }
    plat_swap();
    plat_pause_ms(1);
#ifdef KELVARO_FRAME_LOG
    // Test builds only: when the first frame was shown (on the monotonic clock,
    // to compare with the launch time), then frames per second and live cells,
    // once a second.
    static auto last = std::chrono::steady_clock::now();
    static int frames = 0;
    if (frames == 0 && last.time_since_epoch().count() != 0) {
        static bool first_shown = false;
        if (!first_shown) {
            timespec now_ts;
            clock_gettime(CLOCK_MONOTONIC, &now_ts);
            std::fprintf(stderr, "first frame at %.6f\n", now_ts.tv_sec + now_ts.tv_nsec * 1e-9);
            first_shown = true;
        }
    }
    ++frames;
    const auto now = std::chrono::steady_clock::now();
    if (now - last >= std::chrono::seconds(1)) {
        const double s = std::chrono::duration<double>(now - last).count();
        std::fprintf(stderr, "fps %.2f cells %d overlay_ms %.3f\n", frames / s, Cells_count,
                     overlay_ms / frames);
        overlay_ms = 0;
        frames = 0;
        last = now;
    }
#endif
}

}  // namespace

void plat_on_key_pressed(Key key) {
    // Escape belongs to the window's events; F1 and F12 are ours, outside the
    // polled key table, so they change nothing the table does.
    if (key == Key::Escape) toggle_mouse_look();
    if (key == Key::F1) show_overlay = !show_overlay;
    if (key == Key::F12) g_screenshot_wanted = true;
}

void plat_on_resize(int width, int height) {
    WndResize(width, height);
}

void plat_on_focus(bool focused) {
    focus_changed(focused);
}

int main() {
    const char* why = nullptr;
    if (!plat_open(kWindow, why)) {
        // The one message the program gives: without a window there is nothing to show.
        std::fprintf(stderr, "kelvaro: cannot open a window: %s\n", why);
        return 1;
    }
    glEnable(GL_DEPTH_TEST);
    int width = 0, height = 0;
    plat_framebuffer_size(width, height);
    WndResize(width, height);

    Cells_Init();
    init_infra();
    signal_worker_start();
    // Mouse look is on from the start: capture the cursor at the anchor so the
    // first frame turns the camera by nothing.
    plat_cursor_capture(true);
    plat_cursor_set(kMouseAnchorX, kMouseAnchorY);

    for (;;) {
        plat_poll_events();
        if (plat_close_requested()) break;
        render_frame();
    }

    // The worker stops before anything it reads is torn down.
    signal_worker_stop();
    plat_close();
    return 0;
}

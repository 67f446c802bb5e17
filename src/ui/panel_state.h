// The control panel's state that the actions, the key poll, the panel and the
// main loop share, in one place that init_panel_state() resets. Main thread only.
#pragma once

#include "sim/sizes.h"
#include "view/camera.h"

// Everything the panel and the controls keep between frames.
struct PanelState {
    BOOLEAN open = 0;                  // Tab: the panel is shown; closed at start
    int frame_rate_cap = 0;            // frames per second at most, 0 for no cap (the start)
    char screenshot_status[192] = "";  // what the last F12 saved, or why it failed
    char page_status[192] = "";        // what the last F10 saved, or why it failed
    bool looked_before = false;        // mouse look was on when the panel opened
    Vec3 orbit_pivot{100, 100, 100};   // the right-drag orbit's centre, taken when it starts
    int inspector_shown = -1;          // the cell the inspector showed last frame
    double last_frame_s = -1;          // when the last frame ended, for the cap (-1: none yet)
};
// The one panel state.
extern PanelState panel_state;

// The closed panel's opener: a square this many pixels wide in the top left corner.
inline constexpr int kOpenerSize = 40;
// The panel's width in pixels beside a window `window_width` wide.
int panel_width(int window_width);
// The width of the view the panel leaves beside it (all of it while closed).
int view_width_beside_panel(int window_width);
// Frames the live colony as Home does, at `pitch` and `heading`, in the part
// of the view that the panel (when open) leaves.
void frame_beside_panel(float pitch, float heading);
// Gives the panel's state its start values.
void init_panel_state();
// Seconds on the monotonic clock.
double now_s();

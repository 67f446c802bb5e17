// The control panel's state that the keys, the main loop and the panel share.
// Main thread only.
#pragma once

#include "sim/sizes.h"

extern BOOLEAN panel_open;           // Tab: the panel is shown; closed at start
extern int frame_rate_cap;           // frames per second at most, 0 for no cap (the start)
extern char screenshot_status[192];  // what the last F12 saved, or why it failed

// The closed panel's opener: a square this many pixels wide in the top left corner.
inline constexpr int kOpenerSize = 40;
// The panel's width in pixels beside a window `window_width` wide.
int panel_width(int window_width);
// Frames the live colony as Home does, at `pitch` and `heading`, in the part
// of the view that the panel (when open) leaves.
void frame_beside_panel(float pitch, float heading);
// Gives the panel's state its start values.
void init_panel_state();

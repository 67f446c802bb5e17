// The control panel's state that the keys, the main loop and the panel share.
// Main thread only.
#pragma once

#include "sim/sizes.h"

extern BOOLEAN panel_open;           // Tab: the panel is shown; closed at start
extern int frame_rate_cap;           // frames per second at most, 0 for no cap (the start)
extern char screenshot_status[192];  // what the last F12 saved, or why it failed

// Gives the panel's state its start values.
void init_panel_state();

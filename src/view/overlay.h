// overlay: what a person watching the embryo wants to know, drawn over the view
// on F1 (frame, cells, type counts, rates, switches, keys, a population plot),
// and screenshots on F12. Neither key belongs to the simulation's key table,
// and nothing here changes a simulated value. GL side.
#pragma once

// Once per frame, after the scene: updates the statistics and, while
// show_overlay is set, draws the overlay over a client area of width x height.
// Leaves every piece of GL state as it found it, the current colour included.
void overlay_frame(int width, int height);

// One line of text on a dark panel in the top left corner of a client area
// of width x height; leaves every piece of GL state as it found it.
void draw_corner_text(int width, int height, const char* line);

// Reads the frame just drawn (before the swap) and saves it as
// "kelvaro-NNNNNN.png" (NNNNNN the frame number) in the working folder.
bool save_screenshot(int width, int height);

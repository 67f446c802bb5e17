// Where the panel's controls lie, for the end-to-end tests: with the
// environment variable KELVARO_PANEL_MAP naming a file, each control's label
// and box in window pixels are written there, one per line, whenever they
// change. Main thread.
#pragma once

// Starts this frame's map.
void panel_map_begin();
// Adds a control's box, in window pixels.
void panel_map_add(const char* label, float x0, float y0, float x1, float y1);
// Writes the map when asked for and changed since it was last written.
void write_panel_map_if_asked();

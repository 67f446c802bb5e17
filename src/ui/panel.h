// The control panel (Tab): every control of the window a click away, beside
// the view. Each control calls the action its key calls and names the key.
// While it is closed, only a small opener in a corner shows. Dear ImGui; main
// thread only, once a frame, after the scene is drawn.
#pragma once

// Builds and draws the panel (or, closed, its opener) over a window of
// width x height. `frame` is the number of frames shown, for the status lines.
void draw_panel(int width, int height, long frame);

// Where the panel's controls lie, for the end-to-end tests: with the
// environment variable KELVARO_PANEL_MAP naming a file, each control's label
// and box in window pixels are written there, one per line, whenever they change.
void write_panel_map_if_asked();

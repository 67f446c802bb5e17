// The control panel (Tab): every control of the window a click away, beside
// the view. Each control is a row of the action table: it carries out the
// action its key carries out and its tooltip names the key. While it is
// closed, only a small opener in a corner shows. Dear ImGui; main thread only,
// once a frame, after the scene is drawn.
#pragma once

// Builds and draws the panel (or, closed, its opener) over a window of
// width x height. `frame` is the number of frames shown, for the status lines.
void draw_panel(int width, int height, long frame);

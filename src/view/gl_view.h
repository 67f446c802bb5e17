// The view's GL side: perspective, the camera's transform, the axis markers and
// the frame pass drawn as GL points. Needs a current GL context.
#pragma once

// Viewport and perspective for a client area of x by y pixels; a height of 0
// (a minimised window) keeps the previous projection.
void set_projection(int x, int y);
// Clears colour and depth to the window's sky blue.
void clear_to_sky();
// Multiplies the camera's view transform onto the current matrix.
void apply_camera();
// The three red axis markers from the origin.
void draw_axis_markers();
// The frame pass with GL: the requests, then every cell simulated and drawn as
// one smoothed 5-pixel point.
void draw_frame_pass();
// Every live cell drawn as it stands, as one smoothed 5-pixel point, with no
// step of the simulation (the view of a paused colony).
void draw_cells_gl();

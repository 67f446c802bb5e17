// The view's GL side: perspective, the camera's transform, the axis markers and
// the frame pass drawn as GL points. Needs a current GL context.
#pragma once

#include <cstdint>

struct WindowSetup;

struct PointBatch;

// Viewport and perspective for a client area of x by y pixels; a height of 0
// (a minimised window) keeps the previous projection.
void set_projection(int x, int y);
// Opens the window with its GL context, the depth test on and the projection
// set for its size; false with the reason where no window can be had.
bool open_view_window(const WindowSetup& setup, const char*& why);
// Clears colour and depth to the window's sky blue.
void clear_to_sky();
// Multiplies the camera's view transform onto the current matrix.
void apply_camera();
// Reads the frame drawn so far (the back buffer) as width x height RGB pixels,
// rows bottom-up, into `rgb`; the pixel-store state is left as it was.
void read_back_frame(int width, int height, std::uint8_t* rgb);
// The three red axis markers from the origin.
void draw_axis_markers();
// Every live cell drawn as it stands, with no step of the simulation (the
// view of a paused colony, a picture): round 5-pixel points, through the
// point-sprite shader or as smoothed points (see points_are_sprites).
void draw_cells_gl();
// The cells are drawn from arrays through the point-sprite shader; false where
// GLSL 1.20 is missing or KELVARO_POINTS=smooth asks for smoothed points.
// Decided at the first drawing in a context.
bool points_are_sprites();
// The points of `batch` in one draw call through the point-sprite shader, in
// the camera's view; false (nothing drawn) where the shader cannot be had.
bool draw_point_batch_gl(const PointBatch& batch);
// A new GL context is current: the next drawing builds its shader afresh.
void gl_context_changed();

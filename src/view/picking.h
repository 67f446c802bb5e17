// Picking: which cell a click lands on. The ray from the camera through the
// clicked point of the window, with the window's perspective; the nearest cell
// the view draws whose point the ray passes through.
#pragma once

#include "view/camera.h"

// How near, in window pixels, the ray must pass a cell's centre to hit it: the
// drawn point's radius (2.5 pixels) and one pixel to spare.
inline constexpr double kPickRadiusPx = 3.5;

// The unit direction of the ray from `cam` through window point (px, py) of a
// view `width` x `height` pixels (y down from the top, as the cursor reports).
Vec3 pick_ray(const Tcamera& cam, int width, int height, double px, double py);
// The index of the nearest drawn cell (cell_drawn) along that ray, in front of
// the near plane; -1 when the ray hits none.
int pick_cell(const Tcamera& cam, int width, int height, double px, double py);

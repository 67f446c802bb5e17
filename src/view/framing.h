// Framing: the camera that shows a box of cells whole, filling the view. It
// looks at the box's centre along +x (the start camera's heading), from in
// front of the box and above it.
#pragma once

#include "view/camera.h"
#include "view/cell_box.h"

// The framing camera's pitch: 35 degrees below level.
inline constexpr float kFramingPitch = 55.0f;
// Its heading: along +x, as the start camera looks.
inline constexpr float kFramingHeading = 270.0f;
// The share of the view's height or width that the box may take.
inline constexpr double kFramingFill = 0.9;

// The camera that shows every site of `box` (each a unit cube) inside the view
// of a window `aspect` wide per unit of height, at the framing pitch and
// heading, as close as that allows.
Tcamera framing_camera(const CellBox& box, float aspect, float pitch = kFramingPitch,
                       float heading = kFramingHeading);

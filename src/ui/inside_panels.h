// The boxes for looking inside, drawn over the view: the heat map's colour bar,
// the modes in force and the cell inspector. GL side.
#pragma once

// Over a client area of width x height, with or without F1. While the control
// panel is open the modes and the inspector show there, and only the colour
// bar is drawn here.
void draw_inside_panels(int width, int height, bool panel_open);

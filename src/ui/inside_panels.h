// The boxes for looking inside, drawn over the view: the heat map's colour bar,
// the modes in force and the cell inspector. GL side.
#pragma once

// Over a client area of width x height whose leftmost `view_w` columns show
// the view (all of them while the control panel is closed): the colour bar and
// the modes at the view's right edge, and, while the panel is closed (it shows
// the inspector itself), the inspected cell.
void draw_inside_panels(int width, int height, int view_w);

// The panel's state, its width, and framing the colony beside it.
#include "ui/panel_state.h"

#include <time.h>

#include <algorithm>

#include "view/cell_box.h"
#include "view/flags.h"
#include "view/framing.h"

PanelState panel_state;

int panel_width(int window_width) {
    return int(std::min(400.0f, std::max(280.0f, window_width * 0.4f)));
}

int view_width_beside_panel(int window_width) {
    return panel_state.open ? std::max(0, window_width - panel_width(window_width)) : window_width;
}

void frame_beside_panel(float pitch, float heading) {
    CellBox box;
    if (!live_cell_box(box)) return;
    const bool sized = view_height > 0;  // before the first projection: a square view
    const float width = sized ? float(view_width) : 1.0f,
                height = sized ? float(view_height) : 1.0f;
    const float cover = panel_state.open && sized ? float(panel_width(view_width)) : 0.0f;
    camera = framing_camera(box, std::max(1.0f, width - cover) / height, pitch, heading);
    if (cover == 0) return;
    // Move the camera right, so that the box's centre lies in the middle of
    // the part of the view the panel leaves.
    const CameraAxes a = camera_axes(camera);
    const Vec3 centre = {(box.lo[0] + box.hi[0]) / 2.0, (box.lo[1] + box.hi[1]) / 2.0,
                         (box.lo[2] + box.hi[2]) / 2.0};
    const Vec3 to = {centre.x - camera.x, centre.y - camera.y, centre.z - camera.z};
    const double half_x = kFrustumHalf / kFrustumNear * view_width / view_height;
    const double shift = dot(to, a.forward) * half_x * cover / view_width;
    camera.x = float(camera.x + shift * a.right.x);
    camera.y = float(camera.y + shift * a.right.y);
    camera.z = float(camera.z + shift * a.right.z);
}

void init_panel_state() {
    panel_state = PanelState{};
}

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

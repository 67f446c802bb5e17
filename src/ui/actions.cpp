// The actions beyond the keys' own: Tab and the panel's controls, and the key
// labels the panel shows beside its controls.
#include "ui/actions.h"

#include <algorithm>

#include "ui/controls.h"
#include "ui/panel_state.h"
#include "view/cell_box.h"
#include "view/flags.h"
#include "view/framing.h"

BOOLEAN panel_open = 0;
int frame_rate_cap = 0;
char screenshot_status[192] = "";

namespace {

// Whether mouse look was on when the panel opened, to restore it on closing.
bool g_looked_before_panel = false;

// The camera along one axis (0 x, 1 y, 2 z: from above), framed as Home frames.
void view_along(int axis) {
    const float pitch[3] = {90.0f, 90.0f, 0.0f}, heading[3] = {270.0f, 0.0f, 270.0f};
    frame_beside_panel(pitch[axis], heading[axis]);
}

void toggle_panel() {
    panel_open = !panel_open;
    if (panel_open) {
        g_looked_before_panel = showmouse == 0;
        if (g_looked_before_panel) toggle_mouse_look();  // the cursor is freed, as Escape frees it
    } else if (g_looked_before_panel && showmouse) {
        toggle_mouse_look();
    }
}

}  // namespace

int panel_width(int window_width) {
    return int(std::min(400.0f, std::max(280.0f, window_width * 0.4f)));
}

void frame_beside_panel(float pitch, float heading) {
    CellBox box;
    if (!live_cell_box(box)) return;
    const bool sized = view_height > 0;  // before the first projection: a square view
    const float width = sized ? float(view_width) : 1.0f,
                height = sized ? float(view_height) : 1.0f;
    const float cover = panel_open && sized ? float(panel_width(view_width)) : 0.0f;
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
    panel_open = 0;
    frame_rate_cap = 0;
    screenshot_status[0] = '\0';
    g_looked_before_panel = false;
}

void act_on_panel(Action action, int value) {
    switch (action) {
        case Action::TogglePanel: toggle_panel(); break;
        case Action::ToggleSignalMarks: signal_marks = !signal_marks; break;
        case Action::ToggleTypeHidden: {
            BOOLEAN& h = hidden_type[std::clamp(value, 0, kTypes)];
            h = !h;
            break;
        }
        case Action::IsolateThisType:
            show_len = value;
            move_file = 1;
            break;
        case Action::SetHeatChannel: heat_channel = std::clamp(value, -1, kChannels - 1); break;
        case Action::SetSliceAxis:
            slab.axis = SliceAxis(std::clamp(value, 0, int(SliceAxis::Z)));
            break;
        case Action::SetSlabFirst: slab.first = std::clamp(value, 1, kInteriorMax); break;
        case Action::SetSlabThickness:
            slab.thickness = std::clamp(value, 1, kMaxSlabThickness);
            break;
        case Action::ViewAlongAxis: view_along(std::clamp(value, 0, 2)); break;
        default: break;
    }
}

const char* action_key_label(Action action) {
    for (int k = 0; k < kKeyTableSize; ++k)
        if (kKeyTable[k].action == action) return key_label(kKeyTable[k].key);
    return nullptr;
}

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
    CellBox box;
    if (!live_cell_box(box)) return;
    const float aspect = view_height > 0 ? float(view_width) / float(view_height) : 1.0f;
    const float pitch[3] = {90.0f, 90.0f, 0.0f}, heading[3] = {270.0f, 0.0f, 270.0f};
    camera = framing_camera(box, aspect, pitch[axis], heading[axis]);
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

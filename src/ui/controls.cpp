// The key table and the control poll.
#include "ui/controls.h"

#include <cmath>
#include <iterator>

#include "app/frame_pass.h"
#include "view/camera.h"
#include "view/checkpoint_keys.h"
#include "view/designer_keys.h"
#include "view/flags.h"
#include "view/framing.h"
#include "view/picking.h"
#include "ui/panel_state.h"

BOOLEAN W_S = 0;

const KeyBinding kKeyTable[] = {
    {Key::Digit0, Action::IsolateType, Stage::ViewKeys, 0},
    {Key::Digit1, Action::IsolateType, Stage::ViewKeys, 1},
    {Key::Digit2, Action::IsolateType, Stage::ViewKeys, 2},
    {Key::Digit3, Action::IsolateType, Stage::ViewKeys, 3},
    {Key::Digit4, Action::IsolateType, Stage::ViewKeys, 4},
    {Key::Digit5, Action::IsolateType, Stage::ViewKeys, 5},
    {Key::Digit6, Action::IsolateType, Stage::ViewKeys, 6},
    {Key::Digit7, Action::IsolateType, Stage::ViewKeys, 7},
    {Key::Digit8, Action::IsolateType, Stage::ViewKeys, 8},
    {Key::Digit9, Action::IsolateType, Stage::ViewKeys, 9},
    {Key::M, Action::ToggleAxes, Stage::ViewKeys, 0},
    {Key::W, Action::FlyForward, Stage::Flight, 0},
    {Key::S, Action::FlyBack, Stage::Flight, 0},
    {Key::A, Action::StepLeft, Stage::Flight, 0},
    {Key::D, Action::StepRight, Stage::Flight, 0},
    {Key::L, Action::ToggleTypeOne, Stage::Switches, 0},
    {Key::P, Action::RequestSave, Stage::Switches, 0},
    {Key::G, Action::ToggleGravity, Stage::Switches, 0},
    {Key::V, Action::ToggleDivision, Stage::Switches, 0},
    {Key::Space, Action::RequestReload, Stage::Requests, 0},
    {Key::KeypadMinus, Action::ShowLenDown, Stage::Requests, 0},
    {Key::KeypadPlus, Action::ShowLenUp, Stage::Requests, 0},
    {Key::Return, Action::RequestDivide, Stage::Requests, 0},
    {Key::F5, Action::SaveCheckpoint, Stage::Requests, 0},
    {Key::F9, Action::LoadCheckpoint, Stage::Requests, 0},
    {Key::Escape, Action::ToggleMouseLook, Stage::Pressed, 0},
    {Key::F1, Action::ToggleOverlay, Stage::Pressed, 0},
    {Key::F12, Action::Screenshot, Stage::Pressed, 0},
    {Key::F2, Action::TogglePause, Stage::Pressed, 0},
    {Key::F3, Action::Step, Stage::Pressed, 0},
    {Key::F4, Action::HeatChannel, Stage::Pressed, 0},
    {Key::F6, Action::ToggleSlice, Stage::Pressed, 0},
    {Key::PageUp, Action::SlabUp, Stage::Pressed, 0},
    {Key::PageDown, Action::SlabDown, Stage::Pressed, 0},
    {Key::BracketLeft, Action::SlabThinner, Stage::Pressed, 0},
    {Key::BracketRight, Action::SlabThicker, Stage::Pressed, 0},
    {Key::Home, Action::FrameColony, Stage::Pressed, 0},
    {Key::F11, Action::ToggleRecording, Stage::Pressed, 0},
    {Key::F7, Action::StepBack, Stage::Pressed, 0},
    {Key::F8, Action::FollowGenome, Stage::Pressed, 0},
    {Key::Tab, Action::TogglePanel, Stage::Pressed, 0},
};
const int kKeyTableSize = int(sizeof kKeyTable / sizeof kKeyTable[0]);

namespace {

// Set when mouse look (re)starts: at start, on regaining the focus, on
// returning from a free cursor. The next poll then only puts the cursor at the
// anchor, so motion that the window system reports from before the restart
// (the cursor's way into the window, a re-centring warp) never turns the view.
bool g_look_restart = true;

// This frame's flight: speed and direction, set by W, S, A and D in turn, so a
// later key overrides what an earlier one set.
float g_speed = 0;
float g_heading = 0;

// L, P, G, V: 150 ms after switching off, 100 ms after switching on.
void toggle_with_pause(BOOLEAN& flag) {
    if (flag == 1) {
        flag = 0;
        plat_pause_ms(150);
    } else {
        flag = 1;
        plat_pause_ms(100);
    }
}

// A one-shot request (Space, Return, F5, F9): flipped, as a second press in the same
// frame cancels the first.
void flip_request(BOOLEAN& flag) {
    flag = !flag;
    plat_pause_ms(100);
}

// A and D turn the heading a quarter each, on top of what an earlier key did
// (A and D together fly straight ahead).
void fly_key(float speed, int side, bool vertical) {
    g_speed = speed;
    if (side != 0) g_heading = sideways_heading(g_heading, side);
    W_S = vertical;
}

// Every held key of one stage, in table order; each acts, pause included,
// before the next is polled.
void poll_stage(Stage stage) {
    for (int k = 0; k < kKeyTableSize; ++k) {
        const KeyBinding& b = kKeyTable[k];
        if (b.stage == stage && plat_key_held(b.key)) act(b.action, b.value);
    }
}

void poll_mouse_look() {
    double cx, cy;
    plat_cursor_get(cx, cy);
    if (showmouse != 0) return;
    float x_angle = 0, z_angle = 0;
    if (!g_look_restart) mouse_look_turn(std::lround(cx), std::lround(cy), x_angle, z_angle);
    Camera_Rotation(x_angle, z_angle);
    g_look_restart = false;
    plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
}

Action action_of(Key key, bool& found) {
    for (int k = 0; k < kKeyTableSize; ++k)
        if (kKeyTable[k].key == key && kKeyTable[k].stage == Stage::Pressed) {
            found = true;
            return kKeyTable[k].action;
        }
    found = false;
    return Action::ToggleOverlay;
}

// With a free cursor: a right-button drag orbits the camera about the centre
// of the live colony's box (taken when the drag starts), keeping its
// distance; the wheel moves the camera along its view.
void serve_mouse_orbit() {
    static Vec3 pivot{100, 100, 100};
    double dx = 0, dy = 0;
    bool started = false;
    const bool dragged = plat_take_drag(dx, dy, started);
    const double wheel = plat_take_wheel();
    if (!showmouse) return;
    if (dragged) {
        CellBox box;
        if (started && live_cell_box(box))
            pivot = {(box.lo[0] + box.hi[0]) / 2.0, (box.lo[1] + box.hi[1]) / 2.0,
                     (box.lo[2] + box.hi[2]) / 2.0};
        orbit_camera(camera, pivot, float(-dy / kMouseDegree), float(-dx / kMouseDegree));
    }
    if (wheel != 0) move_along_view(camera, float(wheel * kWheelStep));
}

void serve_presses() {
    KeyPress press;
    while (plat_next_press(press)) {
        bool found = false;
        const Action a = action_of(press.key, found);
        if (found) act(a, press.shift ? 1 : 0);
    }
}

// A click with a free cursor inspects the nearest drawn cell under it, or
// closes the inspector on empty space; under mouse look clicks do nothing.
void serve_clicks() {
    double x, y;
    while (plat_next_click(x, y)) {
        if (!showmouse) continue;
        if (!panel_open && !show_overlay && x < kOpenerSize && y < kOpenerSize)
            act(Action::TogglePanel);  // the closed panel's opener
        else
            inspected_cell = pick_cell(camera, view_width, view_height, x, y);
    }
}

// The keys for looking inside the colony; `shift` says Shift was held.
void act_inside(Action action, int shift) {
    switch (action) {
        case Action::TogglePause:
            paused = !paused;
            step_wanted = 0;
            break;
        case Action::Step: step_wanted = paused; break;
        case Action::HeatChannel:
            if (shift)
                heat_channel = heat_channel < 0 ? kChannels - 1 : heat_channel - 1;
            else
                heat_channel = heat_channel >= kChannels - 1 ? -1 : heat_channel + 1;
            break;
        case Action::ToggleSlice: {
            CellBox box;
            next_slice_axis(slab, live_cell_box(box) ? &box : nullptr);
            break;
        }
        case Action::SlabUp: move_slab(slab, shift ? 10 : 1); break;
        case Action::SlabDown: move_slab(slab, shift ? -10 : -1); break;
        case Action::SlabThinner: resize_slab(slab, -1); break;
        case Action::SlabThicker: resize_slab(slab, 1); break;
        case Action::FrameColony: frame_beside_panel(kFramingPitch, kFramingHeading); break;
        case Action::ToggleRecording: recording = !recording; break;
        case Action::StepBack: step_back_wanted = 1; break;
        case Action::FollowGenome: genome_following = !genome_following; break;
        default: act_on_panel(action, shift); break;
    }
}

}  // namespace

void act(Action action, int value) {
    switch (action) {
        case Action::IsolateType:
            move_file = value;
            plat_pause_ms(150);
            break;
        case Action::ToggleAxes:
            show_map = !show_map;
            plat_pause_ms(150);
            break;
        case Action::FlyForward: fly_key(kFlightStep, 0, true); break;
        case Action::FlyBack: fly_key(-kFlightStep, 0, true); break;
        case Action::StepLeft: fly_key(kFlightStep, -1, false); break;
        case Action::StepRight: fly_key(kFlightStep, 1, false); break;
        case Action::ToggleTypeOne: toggle_with_pause(k_l); break;
        case Action::RequestSave: toggle_with_pause(k_p); break;
        case Action::ToggleGravity: toggle_with_pause(k_g); break;
        case Action::ToggleDivision: toggle_with_pause(k_v); break;
        case Action::RequestReload: flip_request(kSpace); break;
        case Action::ShowLenDown:
            show_len -= 1;
            plat_pause_ms(100);
            break;
        case Action::ShowLenUp:
            show_len += 1;
            plat_pause_ms(100);
            break;
        case Action::RequestDivide: flip_request(kReturn); break;
        case Action::SaveCheckpoint: flip_request(checkpoint_save_wanted); break;
        case Action::LoadCheckpoint: flip_request(checkpoint_load_wanted); break;
        case Action::ToggleMouseLook: toggle_mouse_look(); break;
        case Action::ToggleOverlay: show_overlay = !show_overlay; break;
        case Action::Screenshot: screenshot_wanted = 1; break;
        default: act_inside(action, value); break;
    }
}

void restart_mouse_look() {
    g_look_restart = true;
}

void poll_controls() {
    if (plat_focused()) {
        g_speed = 0;
        g_heading = flight_heading(camera);
        poll_stage(Stage::ViewKeys);
        poll_stage(Stage::Flight);
        poll_stage(Stage::Switches);
        // Movement uses the heading and pitch as they stood before this frame's turn.
        if (g_speed != 0) fly(camera, g_speed, g_heading, W_S);
        poll_mouse_look();
        poll_stage(Stage::Requests);
    }
    // Presses were made while the window had the focus; they count even if it
    // has gone since.
    serve_presses();
    serve_clicks();
    serve_mouse_orbit();
}

void toggle_mouse_look() {
    // Back to mouse look: start from the anchor, so the first step measures nothing.
    if (showmouse) {
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
        g_look_restart = true;
        inspected_cell = -1;  // the inspector belongs to the free cursor
    }
    showmouse = !showmouse;
    plat_pause_ms(100);
    plat_cursor_capture(!showmouse);
}

void focus_changed(bool focused) {
    // Regaining the focus must not turn the view by wherever the cursor wandered.
    if (focused && showmouse == 0) {
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
        g_look_restart = true;
    }
}

const char* key_label(Key key) {
    static const char* const kLabels[] = {
        "0",  "1",     "2",        "3",        "4",      "5",      "6",    "7",       "8",
        "9",  "M",     "W",        "S",        "A",      "D",      "L",    "P",       "G",
        "V",  "Space", "keypad -", "keypad +", "Return", "Escape", "F1",   "F12",     "F2",
        "F3", "F4",    "F5",       "F6",       "F9",     "F11",    "Home", "Page Up", "Page Down",
        "[",  "]",     "F7",       "F8",       "Tab",
    };
    static_assert(std::size(kLabels) == std::size_t(Key::Count));
    return kLabels[int(key)];
}

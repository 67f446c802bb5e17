// The key poll: the action table's keys, the mouse look, clicks and the orbit.
#include "ui/controls.h"

#include <cmath>

#include "ui/panel_state.h"
#include "view/camera.h"
#include "view/cell_box.h"
#include "view/flags.h"
#include "view/picking.h"

namespace {

// Every held key of one stage, in table order; each acts, pause included,
// before the next is polled.
void poll_stage(Stage stage) {
    for (const ActionRow& row : kActions) {
        if (row.stage != stage) continue;
        for (int k = 0; k < row.keys; ++k)
            if (plat_key_held(Key(int(row.key) + k))) act(row.action, k);
    }
}

void poll_mouse_look() {
    double cx, cy;
    plat_cursor_get(cx, cy);
    if (showmouse != 0) return;
    float x_angle = 0, z_angle = 0;
    if (!take_look_restart()) mouse_look_turn(std::lround(cx), std::lround(cy), x_angle, z_angle);
    Camera_Rotation(x_angle, z_angle);
    plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
}

// The row that a press of `key` carries out, or null.
const ActionRow* pressed_row(Key key) {
    for (const ActionRow& row : kActions)
        if (row.stage == Stage::Pressed && row.key == key) return &row;
    return nullptr;
}

// With a free cursor: a right-button drag orbits the camera about the centre
// of the live colony's box (taken when the drag starts), keeping its
// distance; the wheel moves the camera along its view.
void serve_mouse_orbit() {
    Vec3& pivot = panel_state.orbit_pivot;
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
    while (plat_next_press(press))
        if (const ActionRow* row = pressed_row(press.key)) act(row->action, press.shift ? 1 : 0);
}

// A click with a free cursor inspects the nearest drawn cell under it, or
// closes the inspector on empty space; under mouse look clicks do nothing.
void serve_clicks() {
    double x, y;
    while (plat_next_click(x, y)) {
        if (!showmouse) continue;
        if (!panel_state.open && !show_overlay && x < kOpenerSize && y < kOpenerSize)
            act(Action::TogglePanel);  // the closed panel's opener
        else
            inspected_cell = pick_cell(camera, view_width, view_height, x, y);
    }
}

}  // namespace

void poll_controls() {
    if (plat_focused()) {
        flight = Flight{0, flight_heading(camera)};
        poll_stage(Stage::ViewKeys);
        poll_stage(Stage::Flight);
        poll_stage(Stage::Switches);
        // Movement uses the heading and pitch as they stood before this frame's turn.
        if (flight.speed != 0) fly(camera, flight.speed, flight.heading, W_S);
        poll_mouse_look();
        poll_stage(Stage::Requests);
    }
    // Presses were made while the window had the focus; they count even if it
    // has gone since.
    serve_presses();
    serve_clicks();
    serve_mouse_orbit();
}

void focus_changed(bool focused) {
    // Regaining the focus must not turn the view by wherever the cursor wandered.
    if (focused && showmouse == 0) {
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
        restart_mouse_look();
    }
}

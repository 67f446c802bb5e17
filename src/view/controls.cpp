// The control poll and the camera's arithmetic. The single and double precision
// steps are deliberate: they make the camera's path exactly repeatable.
#include "infra.h"

#include "platform/platform.h"

#include <cmath>

Tcamera camera = {-1.0f, -1.0f, 30.0f, 30.0f, -90.0f};
BOOLEAN W_S = 0;

namespace {

constexpr float kStep = 0.4f;

// Set when mouse look (re)starts: at start, on regaining the focus, on
// returning from a free cursor. The next poll then only puts the cursor at the
// anchor, so motion that the window system reports from before the restart
// (the cursor's way into the window, a re-centring warp) never turns the view.
bool g_look_restart = true;
constexpr double kQuarterTurn = 1.5707963267948966;

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

}  // namespace

void restart_mouse_look() {
    g_look_restart = true;
}

void Camera_Rotation(float xAngle, float zAngle) {
    camera.Zrot += zAngle;
    if (camera.Zrot < 0) camera.Zrot += 360;
    if (camera.Zrot > 360) camera.Zrot -= 360;
    camera.Xrot += xAngle;
    if (camera.Xrot < 0) camera.Xrot = 0;
    if (camera.Xrot > 180) camera.Xrot = 180;
}

void Player_Move() {
    if (!plat_focused()) return;  // in the background: no key, no camera, cursor left alone

    float ugol = static_cast<float>(kPi * static_cast<double>(-camera.Zrot / 180.0f));
    float speed = 0;

    // Keys in a fixed order; each held key acts, pause included, before the next
    // is polled, so a later key overrides what an earlier one set.
    for (int d = 0; d <= 9; ++d)
        if (plat_key_held(Key(int(Key::Digit0) + d))) {
            move_file = d;
            plat_pause_ms(150);
        }
    if (plat_key_held(Key::M)) {
        show_map = !show_map;
        plat_pause_ms(150);
    }
    if (plat_key_held(Key::W)) {
        speed = kStep;
        W_S = 1;
    }
    if (plat_key_held(Key::S)) {
        speed = -kStep;
        W_S = 1;
    }
    if (plat_key_held(Key::A)) {
        speed = kStep;
        ugol = static_cast<float>(static_cast<double>(ugol) - kQuarterTurn);
        W_S = 0;
    }
    if (plat_key_held(Key::D)) {
        speed = kStep;
        ugol = static_cast<float>(static_cast<double>(ugol) + kQuarterTurn);
        W_S = 0;
    }
    if (plat_key_held(Key::L)) toggle_with_pause(k_l);
    if (plat_key_held(Key::P)) toggle_with_pause(k_p);
    if (plat_key_held(Key::G)) toggle_with_pause(k_g);
    if (plat_key_held(Key::V)) toggle_with_pause(k_v);

    // Movement uses the heading and pitch as they stood before this frame's turn.
    if (speed != 0) {
        camera.x = static_cast<float>(camera.x + speed * std::sin(static_cast<double>(ugol)));
        camera.y = static_cast<float>(camera.y + speed * std::cos(static_cast<double>(ugol)));
        if (W_S)
            camera.z = static_cast<float>(
                camera.z - speed * std::cos(kPi * static_cast<double>(-camera.Xrot / 180.0f)));
    }

    // Mouse look: 5 pixels of travel turn the camera by one degree.
    double cx, cy;
    plat_cursor_get(cx, cy);
    const long cur_x = std::lround(cx), cur_y = std::lround(cy);
    if (showmouse == 0) {
        const float x_angle =
            g_look_restart ? 0.0f : static_cast<float>((kMouseAnchorY - cur_y) / 5.0);
        const float z_angle =
            g_look_restart ? 0.0f : static_cast<float>((kMouseAnchorX - cur_x) / 5.0);
        Camera_Rotation(x_angle, z_angle);
        g_look_restart = false;
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
    }

    if (plat_key_held(Key::Space)) {
        kSpace = !kSpace;
        plat_pause_ms(100);
    }
    if (plat_key_held(Key::KeypadMinus)) {
        show_len -= 1;
        plat_pause_ms(100);
    }
    if (plat_key_held(Key::KeypadPlus)) {
        show_len += 1;
        plat_pause_ms(100);
    }
    if (plat_key_held(Key::Return)) {
        kReturn = !kReturn;
        plat_pause_ms(100);
    }
}

void toggle_mouse_look() {
    // Back to mouse look: start from the anchor, so the first step measures nothing.
    if (showmouse) {
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
        g_look_restart = true;
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

// infra: the control flags that connect the keys to the simulation, and (in
// the window program) the camera and the control poll.
#pragma once

#include <cstdint>

using BOOLEAN = std::uint8_t;

// Control flags. All live on the main thread: the key poll sets them, the frame
// pass and gene expression read them; the worker never looks at them.
extern BOOLEAN k_g;        // column gravity on (G)
extern BOOLEAN k_v;        // division by genes on (V)
extern BOOLEAN k_l;        // draw cells of type 1 (L)
extern BOOLEAN k_p;        // request: save the cell list (P); cleared once served
extern BOOLEAN kSpace;     // request: reload genome and cell list (Space); one-shot
extern BOOLEAN kReturn;    // request: divide every cell once (Return); one-shot
extern BOOLEAN show_map;   // draw the axis markers (M)
extern BOOLEAN showmouse;  // cursor free and shown; while 0 the mouse turns the camera
extern int show_len;       // type shown in isolate mode, level marked by the overlay
extern int move_file;      // isolate mode when non-zero (digit keys)

// Start values of the flags that do not start at zero.
void init_infra();

// ---------------------------------------------------------------------------
// Camera and controls (the window program)
// ---------------------------------------------------------------------------

// The free-flying camera. Lattice coordinates are world coordinates, z up.
struct Tcamera {
    float x, y, z;  // position
    float Xrot;     // pitch in degrees: 0 looks straight down, 90 level, 180 up
    float Zrot;     // heading in degrees about z, kept in 0..360 once the mouse turned it
};
extern Tcamera camera;
extern BOOLEAN W_S;  // this frame's movement has a vertical component (W, S)

inline constexpr double kPi = 3.141592653589793;
inline constexpr int kMouseAnchorX = 400;  // mouse look measures from here, in window pixels
inline constexpr int kMouseAnchorY = 300;

// Viewport and perspective for a client area of x by y pixels; a height of 0
// (a minimised window) keeps the previous projection.
void WndResize(int x, int y);
// Multiplies the camera's view transform onto the current matrix.
void Camera_Apply();
// Turns the camera, keeping the pitch in 0..180 and bringing the heading back
// into 0..360 by one correction each way.
void Camera_Rotation(float xAngle, float zAngle);
// The per-frame poll of keys and mouse: moves and turns the camera and sets the
// control flags. Reads the keyboard and cursor only through the platform layer.
void Player_Move();
// The three red axis markers from the origin.
void ShowMaps();
// Escape: switches between mouse look (cursor hidden and captured) and a free cursor.
void toggle_mouse_look();
// The window gained or lost the focus: mouse look restarts from the anchor.
void focus_changed(bool focused);
// The next poll turns the camera by nothing and only re-anchors the cursor.
void restart_mouse_look();

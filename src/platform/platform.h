// The platform layer: the handful of window, keyboard, cursor and timing
// services the program needs. One implementation drives a real window (GLFW);
// the tests link a scripted fake instead, so the control poll runs without one.
#pragma once

enum class Key {
    Digit0,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    M,
    W,
    S,
    A,
    D,
    L,
    P,
    G,
    V,
    Space,
    KeypadMinus,
    KeypadPlus,
    Return,  // either Enter key
    Escape,
    F1,
    F12,
    Count
};

// The key is held now, or was pressed since it was last asked about (a tap
// shorter than a frame still counts once).
bool plat_key_held(Key key);
// The program's window has the keyboard focus.
bool plat_focused();
// Cursor position in window pixels, and placing it there.
void plat_cursor_get(double& x, double& y);
void plat_cursor_set(double x, double y);
// While captured the cursor is hidden and held by the window (mouse look);
// otherwise it is shown and free.
void plat_cursor_capture(bool captured);
// Blocks the calling thread.
void plat_pause_ms(int ms);

// ---- The window itself (the program's shell only) ----

struct WindowSetup {
    int width, height;
    const char* title;
    const char* wm_class;  // X11 class and instance name
};

// Opens the window with a current double-buffered RGBA context (24 colour and
// 16 depth bits). On failure returns false and describes why in `why`.
bool plat_open(const WindowSetup& setup, const char*& why);
void plat_close();
// Handles every pending window event; events reach the shell through the
// plat_on_* functions below.
void plat_poll_events();
bool plat_close_requested();
void plat_swap();
void plat_framebuffer_size(int& width, int& height);

// Implemented by the shell: what the window's events do.
void plat_on_key_pressed(Key key);
void plat_on_resize(int width, int height);
void plat_on_focus(bool focused);

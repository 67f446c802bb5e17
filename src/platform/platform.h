// The platform layer: the handful of window, keyboard, cursor and timing
// services the program needs. One implementation drives a real window (GLFW);
// the tests link a scripted fake instead, so the control poll runs without one.
#pragma once

// The keys the program knows, whatever the platform calls them.
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
    F2,
    F3,
    F4,
    F5,
    F6,
    F9,
    F11,
    Home,
    PageUp,
    PageDown,
    BracketLeft,   // [
    BracketRight,  // ]
    F7,
    F8,
    Tab,
    F10,
    Count
};

// One press of a key, with the state of Shift at that moment.
struct KeyPress {
    Key key;     // the key pressed
    bool shift;  // either Shift key was held
};

// The key is held now, or was pressed since it was last asked about (a tap
// shorter than a frame still counts once). Letter keys go by the label that the
// keyboard layout gives them, except W, A, S and D, which keep their places.
bool plat_key_held(Key key);
// Takes the oldest key press not yet taken; false when none is queued.
bool plat_next_press(KeyPress& press);
// Takes the oldest left click not yet taken, at its place in window pixels;
// false when none is queued.
bool plat_next_click(double& x, double& y);
// The program's window has the keyboard focus.
bool plat_focused();
// Cursor position in window pixels.
void plat_cursor_get(double& x, double& y);
// Puts the cursor at a position in window pixels.
void plat_cursor_set(double x, double y);
// While captured the cursor is hidden and held by the window (mouse look);
// otherwise it is shown and free.
void plat_cursor_capture(bool captured);
// Blocks the calling thread.
void plat_pause_ms(int ms);
// The cursor's travel in window pixels while the right button was held over
// the view, since the last call; `started` says a drag began since then.
// False when there was none.
bool plat_take_drag(double& dx, double& dy, bool& started);
// Wheel clicks over the view since the last call (positive: away from the user).
double plat_take_wheel();
// Left-button presses the window has acted on since it opened (the panel's
// included): a control clicked has done what it does by the frame that counts it.
long plat_left_presses();

// ---- The window itself (the program's shell only) ----

// What the window is made with.
struct WindowSetup {
    int width, height;     // outer size, frame included
    const char* title;     // the title bar's text
    const char* wm_class;  // X11 class and instance name
};

// Opens the window with a current double-buffered RGBA context (24 colour and
// 16 depth bits), its outer size width x height. On failure returns false and
// describes why in `why` (valid until the next call into the layer).
bool plat_open(const WindowSetup& setup, const char*& why);
// Releases the context and closes the window.
void plat_close();
// Handles every pending window event. The events are only recorded; the
// shell takes them with the calls below.
void plat_poll_events();
// The user asked to close the window.
bool plat_close_requested();
// Shows the frame just drawn.
void plat_swap();
// The drawable size in pixels.
void plat_framebuffer_size(int& width, int& height);
// Takes the newest drawable size reported since the last call; false when none was.
bool plat_take_resize(int& width, int& height);
// Takes the last focus change since the last call; false when there was none.
bool plat_take_focus_change(bool& focused);

// The platform layer on GLFW (X11 here). Callbacks only record what happened;
// the shell takes it once per frame.
#include "platform/platform.h"
#include "platform/gui.h"
#include "platform/gui_backend.h"

#include <GLFW/glfw3.h>

#include <time.h>

#include <cerrno>
#include <cstdio>

namespace {

GLFWwindow* g_window = nullptr;

// Keys pressed since the poll last asked about them. A tap that begins and ends
// between two polls still counts once; a key held across a poll counts through
// its state, so its release adds nothing (GLFW's own sticky keys would count it
// twice).
bool g_tapped[int(Key::Count)] = {};

// Presses in order, for the keys that act once per press.
constexpr int kPressQueue = 64;
KeyPress g_presses[kPressQueue];
int g_press_head = 0, g_press_count = 0;

// Left clicks in order, at their places.
constexpr int kClickQueue = 16;
double g_clicks[kClickQueue][2];
int g_click_head = 0, g_click_count = 0;

// The right button's drag over the view, and the wheel.
bool g_dragging = false, g_drag_started = false;
double g_drag_last[2] = {}, g_drag[2] = {};
double g_wheel = 0;

// GLFW's description is valid only during its callback: keep a copy.
char g_error[512] = "unknown error";

bool g_resized = false;
int g_width = 0, g_height = 0;
bool g_focus_changed = false;
bool g_focused = false;

// GLFW's key for each of ours: the key's place on a US keyboard, which GLFW
// reports whatever the layout. Letters other than W, A, S and D are looked up
// by label at every press and whenever the window gets the focus (refresh_layout).
constexpr int kUsKey[int(Key::Count)] = {
    GLFW_KEY_0,
    GLFW_KEY_1,
    GLFW_KEY_2,
    GLFW_KEY_3,
    GLFW_KEY_4,
    GLFW_KEY_5,
    GLFW_KEY_6,
    GLFW_KEY_7,
    GLFW_KEY_8,
    GLFW_KEY_9,
    GLFW_KEY_M,
    GLFW_KEY_W,
    GLFW_KEY_S,
    GLFW_KEY_A,
    GLFW_KEY_D,
    GLFW_KEY_L,
    GLFW_KEY_P,
    GLFW_KEY_G,
    GLFW_KEY_V,
    GLFW_KEY_SPACE,
    GLFW_KEY_KP_SUBTRACT,
    GLFW_KEY_KP_ADD,
    GLFW_KEY_ENTER,
    GLFW_KEY_ESCAPE,
    GLFW_KEY_F1,
    GLFW_KEY_F12,
    GLFW_KEY_F2,
    GLFW_KEY_F3,
    GLFW_KEY_F4,
    GLFW_KEY_F5,
    GLFW_KEY_F6,
    GLFW_KEY_F9,
    GLFW_KEY_F11,
    GLFW_KEY_HOME,
    GLFW_KEY_PAGE_UP,
    GLFW_KEY_PAGE_DOWN,
    GLFW_KEY_LEFT_BRACKET,
    GLFW_KEY_RIGHT_BRACKET,
    GLFW_KEY_F7,
    GLFW_KEY_F8,
    GLFW_KEY_TAB,
    GLFW_KEY_F10,
};
static_assert(sizeof kUsKey / sizeof kUsKey[0] == int(Key::Count));
int g_glfw_key[int(Key::Count)];

// The letter a key's label shows, for the keys that follow the layout.
char layout_letter(Key key) {
    switch (key) {
        case Key::M: return 'm';
        case Key::L: return 'l';
        case Key::P: return 'p';
        case Key::G: return 'g';
        case Key::V: return 'v';
        default: return 0;
    }
}

// The GLFW key whose label in the current layout is `letter`, or -1.
int key_labelled(char letter) {
    for (int code = GLFW_KEY_SPACE; code <= GLFW_KEY_WORLD_2; ++code) {
        const char* name = glfwGetKeyName(code, 0);
        if (name && name[0] == letter && name[1] == '\0') return code;
    }
    return -1;
}

void refresh_layout() {
    for (int k = 0; k < int(Key::Count); ++k) {
        g_glfw_key[k] = kUsKey[k];
        const char letter = layout_letter(Key(k));
        if (letter == 0) continue;
        const int code = key_labelled(letter);
        if (code >= 0) g_glfw_key[k] = code;
    }
}

bool from_glfw(int code, Key& key) {
    if (code == GLFW_KEY_KP_ENTER) code = GLFW_KEY_ENTER;
    for (int k = 0; k < int(Key::Count); ++k)
        if (g_glfw_key[k] == code) {
            key = Key(k);
            return true;
        }
    return false;
}

void on_error(int, const char* description) {
    std::snprintf(g_error, sizeof g_error, "%s", description);
}

void right_button(GLFWwindow* window, int action) {
    if (action == GLFW_PRESS && !gui_wants_mouse()) {
        g_dragging = g_drag_started = true;
        glfwGetCursorPos(window, &g_drag_last[0], &g_drag_last[1]);
    } else if (action == GLFW_RELEASE) {
        g_dragging = false;
    }
}

void on_key(GLFWwindow* window, int code, int scancode, int action, int mods) {
    Key key;
    // A text field of the panel has the keyboard: the keys are its own, but
    // Escape, which gives the keyboard back (and keeps the text as typed).
    if (gui_wants_text()) {
        if (code == GLFW_KEY_ESCAPE && action == GLFW_PRESS)
            gui_leave_text();
        else
            gui_key(window, code, scancode, action, mods);
        return;
    }
    // Outside a text field Tab only opens and closes the panel: the GUI never
    // sees it go down, so it never moves the keyboard to a control.
    if (code != GLFW_KEY_TAB || action == GLFW_RELEASE)
        gui_key(window, code, scancode, action, mods);
    if (action != GLFW_PRESS) return;
    // Labels are read at every press, so a layout switched while the window
    // has the focus applies at once. A press is rare; the look-up is cheap.
    refresh_layout();
    if (!from_glfw(code, key)) return;
    g_tapped[int(key)] = true;
    if (g_press_count == kPressQueue) return;  // a full queue drops the press
    g_presses[(g_press_head + g_press_count++) % kPressQueue] = {key, (mods & GLFW_MOD_SHIFT) != 0};
}

void on_mouse_button(GLFWwindow* window, int button, int action, int mods) {
    gui_mouse_button(window, button, action, mods);
    if (button == GLFW_MOUSE_BUTTON_RIGHT) return right_button(window, action);
    // A click on the panel is the panel's: it never picks a cell.
    if (button != GLFW_MOUSE_BUTTON_LEFT || action != GLFW_PRESS || gui_wants_mouse()) return;
    if (g_click_count == kClickQueue) return;
    double* at = g_clicks[(g_click_head + g_click_count++) % kClickQueue];
    glfwGetCursorPos(window, &at[0], &at[1]);
}

void on_cursor(GLFWwindow*, double x, double y) {
    if (!g_dragging) return;
    g_drag[0] += x - g_drag_last[0];
    g_drag[1] += y - g_drag_last[1];
    g_drag_last[0] = x;
    g_drag_last[1] = y;
}

void on_scroll(GLFWwindow* window, double dx, double dy) {
    gui_scroll(window, dx, dy);
    if (!gui_wants_mouse()) g_wheel += dy;
}

void on_char(GLFWwindow* window, unsigned int c) {
    gui_char(window, c);
}

void on_size(GLFWwindow*, int w, int h) {
    g_resized = true;
    g_width = w;
    g_height = h;
}

void on_focus(GLFWwindow* window, int focused) {
    gui_focus(window, focused);
    g_focus_changed = true;
    g_focused = focused == GLFW_TRUE;
}

// The window's outer size is what the program asks for: where a window manager
// adds a frame, the client area gives up its room.
void fit_frame(const WindowSetup& setup) {
    int left = 0, top = 0, right = 0, bottom = 0;
    glfwGetWindowFrameSize(g_window, &left, &top, &right, &bottom);
    if (left + right + top + bottom == 0) return;
    glfwSetWindowSize(g_window, setup.width - left - right, setup.height - top - bottom);
}

}  // namespace

bool plat_key_held(Key key) {
    const bool tapped = g_tapped[int(key)];
    g_tapped[int(key)] = false;
    if (gui_wants_text()) return false;  // typing in the panel moves nothing
    bool down = glfwGetKey(g_window, g_glfw_key[int(key)]) == GLFW_PRESS;
    if (key == Key::Return) down = down || glfwGetKey(g_window, GLFW_KEY_KP_ENTER) == GLFW_PRESS;
    return down || tapped;
}

bool plat_next_press(KeyPress& press) {
    if (g_press_count == 0) return false;
    press = g_presses[g_press_head];
    g_press_head = (g_press_head + 1) % kPressQueue;
    --g_press_count;
    return true;
}

bool plat_next_click(double& x, double& y) {
    if (g_click_count == 0) return false;
    x = g_clicks[g_click_head][0];
    y = g_clicks[g_click_head][1];
    g_click_head = (g_click_head + 1) % kClickQueue;
    --g_click_count;
    return true;
}

bool plat_focused() {
    return glfwGetWindowAttrib(g_window, GLFW_FOCUSED) == GLFW_TRUE;
}

void plat_cursor_get(double& x, double& y) {
    glfwGetCursorPos(g_window, &x, &y);
}
void plat_cursor_set(double x, double y) {
    glfwSetCursorPos(g_window, x, y);
}

void plat_cursor_capture(bool captured) {
    glfwSetInputMode(g_window, GLFW_CURSOR, captured ? GLFW_CURSOR_DISABLED : GLFW_CURSOR_NORMAL);
}

bool plat_take_drag(double& dx, double& dy, bool& started) {
    started = g_drag_started;
    dx = g_drag[0];
    dy = g_drag[1];
    g_drag_started = false;
    g_drag[0] = g_drag[1] = 0;
    return started || dx != 0 || dy != 0;
}

long plat_left_presses() {
    return gui_presses_acted();
}

double plat_take_wheel() {
    const double w = g_wheel;
    g_wheel = 0;
    return w;
}

void plat_gui_new_frame() {
    gui_new_frame();
}

void plat_pause_ms(int ms) {
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

bool plat_open(const WindowSetup& setup, const char*& why) {
    glfwSetErrorCallback(on_error);
    if (!glfwInit()) {
        why = g_error;
        return false;
    }
    glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
    glfwWindowHint(GLFW_RED_BITS, 8);
    glfwWindowHint(GLFW_GREEN_BITS, 8);
    glfwWindowHint(GLFW_BLUE_BITS, 8);
    glfwWindowHint(GLFW_ALPHA_BITS, 0);
    glfwWindowHint(GLFW_DEPTH_BITS, 16);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_DOUBLEBUFFER, GLFW_TRUE);
    glfwWindowHintString(GLFW_X11_CLASS_NAME, setup.wm_class);
    glfwWindowHintString(GLFW_X11_INSTANCE_NAME, setup.wm_class);
    g_window = glfwCreateWindow(setup.width, setup.height, setup.title, nullptr, nullptr);
    if (!g_window) {
        why = g_error;
        glfwTerminate();
        return false;
    }
    fit_frame(setup);
    refresh_layout();
    glfwMakeContextCurrent(g_window);
    glfwSwapInterval(0);  // the loop paces itself: no frame-rate limit but its 1 ms pause
    glfwSetKeyCallback(g_window, on_key);
    glfwSetMouseButtonCallback(g_window, on_mouse_button);
    glfwSetFramebufferSizeCallback(g_window, on_size);
    glfwSetWindowFocusCallback(g_window, on_focus);
    glfwSetCursorPosCallback(g_window, on_cursor);
    glfwSetScrollCallback(g_window, on_scroll);
    glfwSetCharCallback(g_window, on_char);
    gui_open(g_window);
    return true;
}

void plat_close() {
    if (!g_window) return;
    gui_close();
    glfwMakeContextCurrent(nullptr);  // the GL context is released before the window goes
    glfwDestroyWindow(g_window);
    g_window = nullptr;
    glfwTerminate();
}

void plat_poll_events() {
    gui_events_begin();
    glfwPollEvents();
}
bool plat_close_requested() {
    return glfwWindowShouldClose(g_window);
}
void plat_swap() {
    glfwSwapBuffers(g_window);
}
void plat_framebuffer_size(int& width, int& height) {
    glfwGetFramebufferSize(g_window, &width, &height);
}

bool plat_take_resize(int& width, int& height) {
    if (!g_resized) return false;
    g_resized = false;
    width = g_width;
    height = g_height;
    return true;
}

bool plat_take_focus_change(bool& focused) {
    if (!g_focus_changed) return false;
    g_focus_changed = false;
    focused = g_focused;
    // A layout switched while the window was away takes effect when it returns.
    if (focused) refresh_layout();
    return true;
}

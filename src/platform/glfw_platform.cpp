// The platform layer on GLFW (X11 here).
#include "platform.h"

#include <GLFW/glfw3.h>

#include <time.h>

#include <cerrno>

namespace {

GLFWwindow* g_window = nullptr;

// Keys pressed since the poll last asked about them. A tap that begins and ends
// between two polls still counts once; a key held across a poll counts through
// its state, so its release adds nothing (GLFW's own sticky keys would count it
// twice).
bool g_tapped[int(Key::Count)] = {};
const char* g_error = "unknown error";

constexpr int kGlfwKey[int(Key::Count)] = {
    GLFW_KEY_0,           GLFW_KEY_1,      GLFW_KEY_2,     GLFW_KEY_3,      GLFW_KEY_4,
    GLFW_KEY_5,           GLFW_KEY_6,      GLFW_KEY_7,     GLFW_KEY_8,      GLFW_KEY_9,
    GLFW_KEY_M,           GLFW_KEY_W,      GLFW_KEY_S,     GLFW_KEY_A,      GLFW_KEY_D,
    GLFW_KEY_L,           GLFW_KEY_P,      GLFW_KEY_G,     GLFW_KEY_V,      GLFW_KEY_SPACE,
    GLFW_KEY_KP_SUBTRACT, GLFW_KEY_KP_ADD, GLFW_KEY_ENTER, GLFW_KEY_ESCAPE, GLFW_KEY_F1,
    GLFW_KEY_F12,
};

bool from_glfw(int code, Key& key) {
    if (code == GLFW_KEY_KP_ENTER) code = GLFW_KEY_ENTER;
    for (int k = 0; k < int(Key::Count); ++k)
        if (kGlfwKey[k] == code) {
            key = Key(k);
            return true;
        }
    return false;
}

void on_error(int, const char* description) {
    g_error = description;
}

void on_key(GLFWwindow*, int code, int, int action, int) {
    Key key;
    if (action != GLFW_PRESS || !from_glfw(code, key)) return;
    g_tapped[int(key)] = true;
    plat_on_key_pressed(key);
}

void on_size(GLFWwindow*, int w, int h) {
    plat_on_resize(w, h);
}
void on_focus(GLFWwindow*, int focused) {
    plat_on_focus(focused == GLFW_TRUE);
}

}  // namespace

bool plat_key_held(Key key) {
    const bool tapped = g_tapped[int(key)];
    g_tapped[int(key)] = false;
    bool down = glfwGetKey(g_window, kGlfwKey[int(key)]) == GLFW_PRESS;
    if (key == Key::Return) down = down || glfwGetKey(g_window, GLFW_KEY_KP_ENTER) == GLFW_PRESS;
    return down || tapped;
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
    glfwMakeContextCurrent(g_window);
    glfwSwapInterval(0);  // the loop paces itself: no frame-rate limit but its 1 ms pause
    glfwSetKeyCallback(g_window, on_key);
    glfwSetFramebufferSizeCallback(g_window, on_size);
    glfwSetWindowFocusCallback(g_window, on_focus);
    return true;
}

void plat_close() {
    if (!g_window) return;
    glfwMakeContextCurrent(nullptr);  // the GL context is released before the window goes
    glfwDestroyWindow(g_window);
    g_window = nullptr;
    glfwTerminate();
}

void plat_poll_events() {
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

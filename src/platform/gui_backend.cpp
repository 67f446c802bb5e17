// Dear ImGui on GLFW and GL 1.x, through the backends Debian ships as source.
#include "platform/gui_backend.h"
#include "platform/gui.h"

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl2.h>

#include "platform/input_queue.h"

namespace {

bool g_open = false;
bool g_started = false;  // a GUI frame was built since the last events were polled
bool g_live = false;     // the events being polled follow a frame with the GUI in it

static_assert(GLFW_PRESS == InputQueue::kKeyPress && GLFW_RELEASE == InputQueue::kKeyRelease);

// Keys and characters wait here for the frame that hands them on.
InputQueue g_input;
GLFWwindow* g_window = nullptr;

// Left presses handed to the GUI, and those it has acted on (handed before
// this frame: a button acts on its release, read in the frame after the press).
long g_presses_handed = 0, g_presses_acted = 0;

// Escape left a text field: queued, so the keys typed before it reach the field first.
bool g_leaving = false;
// This frame takes the keyboard from the text field.
bool g_leave_now = false;

void hand_on(const InputEvent& e) {
    if (e.kind == InputEvent::kChar)
        ImGui_ImplGlfw_CharCallback(g_window, e.ch);
    else if (e.kind == InputEvent::kKey)
        ImGui_ImplGlfw_KeyCallback(g_window, e.code, e.scancode, e.action, e.mods);
    else if (e.kind == InputEvent::kMouse) {
        ImGui_ImplGlfw_MouseButtonCallback(g_window, e.code, e.action, e.mods);
        if (e.code == GLFW_MOUSE_BUTTON_LEFT && e.action == GLFW_PRESS) ++g_presses_handed;
    } else
        g_leave_now = true;
}

// Whether each key went down as one whose changes the GUI reads: its release
// is then read too, whatever modifiers are left by then.
bool g_acting_down[InputQueue::kKeyCodes] = {};

bool modifier(int code) {
    return code >= GLFW_KEY_LEFT_SHIFT && code <= GLFW_KEY_RIGHT_SUPER;
}

// A key event on its way: keys that type no character and any key with Ctrl,
// Alt or Super held are read by the GUI, one change a frame (a release as its
// press was); the modifiers wait for such a press to be read; keys that only
// type pass as they come.
InputEvent key_event(int code, int scancode, int action, int mods) {
    const bool known = code >= 0 && code < InputQueue::kKeyCodes;
    const bool mod = modifier(code);
    const bool held = mods & (GLFW_MOD_CONTROL | GLFW_MOD_ALT | GLFW_MOD_SUPER);
    bool acts = !mod && (code >= GLFW_KEY_ESCAPE || held);
    if (known && action == GLFW_PRESS) g_acting_down[code] = acts;
    if (known && action == GLFW_RELEASE) acts = acts || g_acting_down[code];
    return {InputEvent::kKey, acts, acts, mod, code, scancode, action, mods, 0};
}

void queue(const InputEvent& e) {
    if (!g_input.push(e)) {
        g_input.take_one(hand_on);  // full: the oldest goes now rather than be lost
        g_input.push(e);
    }
}

}  // namespace

void gui_open(GLFWwindow* window) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the program writes no file of its own into the working folder
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;  // no cursor calls every frame
    io.LogFilename = nullptr;
    ImGui::StyleColorsDark();
    // The platform layer's callbacks hand the events on, so that it decides
    // which belong to the GUI.
    ImGui_ImplGlfw_InitForOpenGL(window, false);
    ImGui_ImplOpenGL2_Init();
    g_window = window;
    g_open = true;
}

void gui_close() {
    if (!g_open) return;
    g_input.take_all([](const InputEvent&) {});
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    g_open = false;
}

void gui_events_begin() {
    // Without a GUI frame nothing reads the keys frame by frame: the GUI is
    // brought up to date at once.
    if (g_open && !g_started) {
        g_input.take_all(hand_on);
        g_leave_now = g_leaving = false;
        g_presses_acted = g_presses_handed;
    }
    g_live = g_started;
    g_started = false;
}

bool gui_wants_text() {
    return g_open && g_live && ImGui::GetIO().WantTextInput && !g_leaving;
}

long gui_presses_acted() {
    return g_presses_acted;
}

void gui_leave_text() {
    if (!g_open || g_leaving) return;
    g_leaving = true;
    queue({InputEvent::kLeaveText, false, false, false, 0, 0, 0, 0, 0});
}

bool gui_wants_mouse() {
    return g_open && g_live && ImGui::GetIO().WantCaptureMouse;
}

void gui_key(GLFWwindow*, int code, int scancode, int action, int mods) {
    if (g_open) queue(key_event(code, scancode, action, mods));
}

void gui_mouse_button(GLFWwindow*, int button, int action, int mods) {
    if (g_open) queue({InputEvent::kMouse, false, false, false, button, 0, action, mods, 0});
}

void gui_scroll(GLFWwindow* window, double dx, double dy) {
    if (g_open) ImGui_ImplGlfw_ScrollCallback(window, dx, dy);
}

void gui_char(GLFWwindow*, unsigned int c) {
    if (g_open) queue({InputEvent::kChar, false, false, false, 0, 0, 0, 0, c});
}

void gui_focus(GLFWwindow* window, int focused) {
    if (g_open) ImGui_ImplGlfw_WindowFocusCallback(window, focused);
}

void gui_new_frame() {
    g_started = true;
    g_presses_acted = g_presses_handed;
    g_input.take_frame(hand_on);
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    // Focusing no window takes the keyboard from the text field; what was
    // typed stays, as the field writes through as the user types.
    if (g_leave_now) ImGui::SetWindowFocus(nullptr);
    g_leave_now = g_leaving = false;
}

void plat_gui_render() {
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

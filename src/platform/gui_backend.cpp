// Dear ImGui on GLFW and GL 1.x, through the backends Debian ships as source.
#include "platform/gui_backend.h"
#include "platform/gui.h"

#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_impl_glfw.h>
#include <imgui_impl_opengl2.h>

namespace {

bool g_open = false;
bool g_started = false;  // a GUI frame was built since the last events were polled
bool g_live = false;     // the events being polled follow a frame with the GUI in it

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
    g_open = true;
}

void gui_close() {
    if (!g_open) return;
    ImGui_ImplOpenGL2_Shutdown();
    ImGui_ImplGlfw_Shutdown();
    ImGui::DestroyContext();
    g_open = false;
}

void gui_events_begin() {
    g_live = g_started;
    g_started = false;
}

bool gui_wants_text() {
    return g_open && g_live && ImGui::GetIO().WantTextInput;
}

bool gui_wants_mouse() {
    return g_open && g_live && ImGui::GetIO().WantCaptureMouse;
}

void gui_key(GLFWwindow* window, int code, int scancode, int action, int mods) {
    if (g_open) ImGui_ImplGlfw_KeyCallback(window, code, scancode, action, mods);
}

void gui_mouse_button(GLFWwindow* window, int button, int action, int mods) {
    if (g_open) ImGui_ImplGlfw_MouseButtonCallback(window, button, action, mods);
}

void gui_scroll(GLFWwindow* window, double dx, double dy) {
    if (g_open) ImGui_ImplGlfw_ScrollCallback(window, dx, dy);
}

void gui_char(GLFWwindow* window, unsigned int c) {
    if (g_open) ImGui_ImplGlfw_CharCallback(window, c);
}

void gui_focus(GLFWwindow* window, int focused) {
    if (g_open) ImGui_ImplGlfw_WindowFocusCallback(window, focused);
}

void gui_new_frame(bool release_text) {
    g_started = true;
    ImGui_ImplOpenGL2_NewFrame();
    ImGui_ImplGlfw_NewFrame();
    ImGui::NewFrame();
    // Focusing no window takes the keyboard from the text field; what was
    // typed stays, as the field writes through as the user types.
    if (release_text) ImGui::SetWindowFocus(nullptr);
}

void plat_gui_render() {
    ImGui::Render();
    ImGui_ImplOpenGL2_RenderDrawData(ImGui::GetDrawData());
}

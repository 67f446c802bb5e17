// The GLFW side of Dear ImGui, for the platform layer's own callbacks: they
// hand each event on, and ask whether the GUI keeps the keyboard or the mouse.
#pragma once

struct GLFWwindow;

// Creates the GUI's context for `window` (no imgui.ini is written anywhere).
void gui_open(GLFWwindow* window);
// Ends the GUI, before the window goes.
void gui_close();
// Before the window's events are polled: the GUI keeps the keyboard or the
// mouse only if the last frame built it (a closed panel builds none).
void gui_events_begin();
// A text field has the keyboard.
bool gui_wants_text();
// The cursor is over the GUI (or it holds a drag that began there).
bool gui_wants_mouse();
// The window's events, handed on to the GUI.
void gui_key(GLFWwindow* window, int code, int scancode, int action, int mods);
void gui_mouse_button(GLFWwindow* window, int button, int action, int mods);
void gui_scroll(GLFWwindow* window, double dx, double dy);
void gui_char(GLFWwindow* window, unsigned int c);
void gui_focus(GLFWwindow* window, int focused);
// Left-button presses the GUI has acted on (or, with no GUI frame, taken).
long gui_presses_acted();
// Escape in a text field: the field gives the keyboard back once the keys
// typed before it were read; from now on keys are the view's.
void gui_leave_text();
// Starts a GUI frame with the next frame's worth of queued keys.
void gui_new_frame();

// Dear ImGui in the program's window: the platform layer feeds it the
// window's input and draws what the panel built, with the GL 1.x backend.
// Everything on the main thread, inside one frame of the main loop.
#pragma once

// Starts a GUI frame: the ImGui calls of the panel may follow.
void plat_gui_new_frame();
// Ends the GUI frame and draws it over what the frame drew so far; restores
// every piece of GL state it touches.
void plat_gui_render();

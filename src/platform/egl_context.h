// An off-screen GL context for drawing without a display: Mesa's surfaceless
// EGL platform with a pbuffer, a GL compatibility context, so that the window
// program's immediate-mode drawing runs unchanged on machines with no X server.
#pragma once

// Creates a GL compatibility context drawing into a width x height pbuffer
// (8-bit RGB, a depth buffer) and makes it current on the calling thread.
// False, with `why` naming the step that failed, when it cannot be had.
bool egl_open(int width, int height, const char*& why);
// Releases the context, the pbuffer and the display; harmless when not open.
void egl_close();

// The window the view draws in, for the programs that have one. A file of its
// own, so that kelvaro-batch, which draws in an EGL context, never links it.
#include "platform/platform.h"
#include "view/gl_view.h"

#include <GL/gl.h>

bool open_view_window(const WindowSetup& setup, const char*& why) {
    if (!plat_open(setup, why)) return false;
    glEnable(GL_DEPTH_TEST);
    int width = 0, height = 0;
    plat_framebuffer_size(width, height);
    set_projection(width, height);
    return true;
}

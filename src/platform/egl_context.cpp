// The off-screen context: EGL on Mesa's surfaceless platform, which needs
// neither a display server nor a GPU (llvmpipe draws on the CPU when no render
// node is there).
#include "platform/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

namespace {

EGLDisplay g_display = EGL_NO_DISPLAY;
EGLSurface g_surface = EGL_NO_SURFACE;
EGLContext g_context = EGL_NO_CONTEXT;

EGLDisplay surfaceless_display() {
    // EGL 1.5's entry point when the loader has it, the extension's otherwise.
    using GetPlatformDisplay = EGLDisplay (*)(EGLenum, void*, const EGLint*);
    auto get = reinterpret_cast<GetPlatformDisplay>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!get) return EGL_NO_DISPLAY;
    return get(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

bool fail(const char*& why, const char* step) {
    why = step;
    egl_close();
    return false;
}

}  // namespace

bool egl_open(int width, int height, const char*& why) {
    egl_close();
    g_display = surfaceless_display();
    if (g_display == EGL_NO_DISPLAY) return fail(why, "no EGL surfaceless platform (Mesa)");
    EGLint major = 0, minor = 0;
    if (!eglInitialize(g_display, &major, &minor)) return fail(why, "eglInitialize failed");
    if (!eglBindAPI(EGL_OPENGL_API)) return fail(why, "no desktop OpenGL through EGL");
    const EGLint config_attribs[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_DEPTH_SIZE,
                                     24,
                                     EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!eglChooseConfig(g_display, config_attribs, &config, 1, &configs) || configs < 1)
        return fail(why, "no EGL configuration with RGB, depth and a pbuffer");
    const EGLint surface_attribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    g_surface = eglCreatePbufferSurface(g_display, config, surface_attribs);
    if (g_surface == EGL_NO_SURFACE) return fail(why, "cannot create the pbuffer");
    // No attributes: a compatibility context, as the window program's GL 1.x needs.
    g_context = eglCreateContext(g_display, config, EGL_NO_CONTEXT, nullptr);
    if (g_context == EGL_NO_CONTEXT) return fail(why, "cannot create a GL context");
    if (!eglMakeCurrent(g_display, g_surface, g_surface, g_context))
        return fail(why, "cannot make the GL context current");
    return true;
}

void egl_close() {
    if (g_display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(g_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_context != EGL_NO_CONTEXT) eglDestroyContext(g_display, g_context);
    if (g_surface != EGL_NO_SURFACE) eglDestroySurface(g_display, g_surface);
    eglTerminate(g_display);
    g_display = EGL_NO_DISPLAY;
    g_surface = EGL_NO_SURFACE;
    g_context = EGL_NO_CONTEXT;
}

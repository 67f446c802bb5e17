// Perspective, view transform and axis markers. The program never selects a
// matrix mode: the frustum sits at the base of the model-view stack.
#include "view/camera.h"
#include "view/gl_view.h"

#include <GL/gl.h>

void set_projection(int x, int y) {
    // A minimised window reports a height of 0: keep the last projection
    // rather than an infinite aspect.
    if (x <= 0 || y <= 0) return;
    glViewport(0, 0, x, y);
    view_width = x;
    view_height = y;
    const float k = static_cast<float>(x) / static_cast<float>(y);
    const float sz = kFrustumHalf;
    glLoadIdentity();
    glFrustum(-k * sz, k * sz, -sz, sz, kFrustumNear, kFrustumFar);
}

void clear_to_sky() {
    glClearColor(0.6f, 0.8f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void apply_camera() {
    glRotatef(-camera.Xrot, 1, 0, 0);
    glRotatef(-camera.Zrot, 0, 0, 1);
    glTranslatef(-camera.x, -camera.y, -camera.z);
}

void read_back_frame(int width, int height, std::uint8_t* rgb) {
    glPushAttrib(GL_PIXEL_MODE_BIT);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    glPopClientAttrib();
    glPopAttrib();
}

void draw_axis_markers() {
    glPushMatrix();
    apply_camera();
    const float ends[3][3] = {{100, 0, 0}, {0, 100, 0}, {0, 0, 100}};
    for (const auto& e : ends) {
        glBegin(GL_LINES);
        glColor3d(255, 0, 0);  // components above 1 are clamped: full red
        glVertex3f(0, 0, 0);
        glVertex3f(e[0], e[1], e[2]);
        glEnd();
    }
    glPopMatrix();
}

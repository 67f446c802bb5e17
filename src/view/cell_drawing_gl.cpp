// The frame pass as the window program runs it: GL immediate mode, one
// GL_POINTS batch of smoothed 5-pixel points per frame.
#include "view/cell_drawing.h"
#include "view/gl_view.h"
#include "view/inside_gl.h"
#include "view/run_control.h"

#include <GL/gl.h>

namespace {

struct GlSink {
    void begin() {
        glPushMatrix();
        apply_camera();
        glEnable(GL_POINT_SMOOTH);
        glPointSize(5.0f);
        glBegin(GL_POINTS);
    }
    void end() {
        glEnd();
        glDisable(GL_POINT_SMOOTH);
        glPopMatrix();
    }
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) { glColor3ub(r, g, b); }
    void color_d(double r, double g, double b) { glColor3d(r, g, b); }
    void vertex(double x, double y, double z) { glVertex3d(x, y, z); }
};

}  // namespace

void draw_frame_pass() {
    GlSink sink;
    draw_frame_pass_with(sink);
}

void draw_cells_gl() {
    GlSink sink;
    draw_cells(sink);
}

void draw_view_frame() {
    GlSink sink;
    draw_view_frame_with(sink);
}

// The frame pass as the window program runs it: GL immediate mode, one
// GL_POINTS batch of smoothed 5-pixel points per frame.
#include "main.h"

#include "view/infra.h"

#include <GL/gl.h>

namespace {

struct GlSink {
    void begin() {
        glPushMatrix();
        Camera_Apply();
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

void ShowCells() {
    GlSink sink;
    show_cells_with(sink);
}

void go_work(int i) {
    cell_step(i);
    GlSink sink;
    draw_cell(i, sink);
}

void set_color(int i) {
    Rgb c;
    if (type_color(Cells[i].type, c)) glColor3ub(c.r, c.g, c.b);
}

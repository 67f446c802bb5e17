// The drawing alone, for measuring what the window's picture costs: a static
// block of cells (the one bench/gl_fps.py loads into the window program) drawn
// as round 5-pixel points in their type colours, at 1000 x 600 with the depth
// test, from the start camera or framed as Home frames it, and nothing else:
// no simulation, no worker, no overlay. Prints "fps F" once a second on
// standard error, as the frame-logging build does.
//
//   kelvaro-gl-bare smooth|smooth-array|sprite CELLS [all]
//
// smooth: smoothed points in immediate mode, one glColor and glVertex each;
// smooth-array: the same points from one vertex-array call; sprite: one call
// through the window's point-sprite shader.
#include <GL/gl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "view/camera.h"
#include "view/cell_drawing.h"
#include "view/framing.h"
#include "view/gl_view.h"
#include "view/point_batch.h"

namespace {

// n cells in a block in front of the start camera: lattice x from 8, y from 1,
// z from 1, types 2..9 mixed (as gl_fps.py writes it).
CellBox fill_block(int n, PointBatch& b) {
    const int side = std::max(1, int(std::lround(std::cbrt(n / 2.0))));
    CellBox box = {{kAxis, kAxis, kAxis}, {0, 0, 0}};
    int x = 0, y = 0, z = 0;
    b.count = 0;
    for (int i = 0; i < n && i < kMaxCells; ++i) {
        Rgb c{};
        type_color(2 + (x * 7 + y * 3 + z) % 8, c);
        const int site[3] = {8 + x, 1 + y, 1 + z};
        for (int a = 0; a < 3; ++a) {
            b.xyz[3 * i + a] = float(site[a]);
            box.lo[a] = std::min(box.lo[a], site[a]);
            box.hi[a] = std::max(box.hi[a], site[a]);
        }
        b.rgba[4 * i] = c.r, b.rgba[4 * i + 1] = c.g, b.rgba[4 * i + 2] = c.b,
                   b.rgba[4 * i + 3] = 255;
        b.count = i + 1;
        if (++z == side) z = 0, ++y;
        if (y == 2 * side) y = 0, ++x;
    }
    return box;
}

void draw_smooth(const PointBatch& b, bool arrays) {
    glPushMatrix();
    apply_camera();
    glEnable(GL_POINT_SMOOTH);
    glPointSize(5.0f);
    if (arrays) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, b.xyz);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, b.rgba);
        glDrawArrays(GL_POINTS, 0, b.count);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    } else {
        glBegin(GL_POINTS);
        for (int i = 0; i < b.count; ++i) {
            glColor3ub(b.rgba[4 * i], b.rgba[4 * i + 1], b.rgba[4 * i + 2]);
            glVertex3d(b.xyz[3 * i], b.xyz[3 * i + 1], b.xyz[3 * i + 2]);
        }
        glEnd();
    }
    glDisable(GL_POINT_SMOOTH);
    glPopMatrix();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (argc < 3 || (mode != "smooth" && mode != "smooth-array" && mode != "sprite")) {
        std::fputs("usage: kelvaro-gl-bare smooth|smooth-array|sprite CELLS [all]\n", stderr);
        return 2;
    }
    const char* why = nullptr;
    if (!open_view_window({1000, 600, "kelvaro-gl-bare", "TALVEN"}, why)) {
        std::fprintf(stderr, "kelvaro-gl-bare: %s\n", why);
        return 1;
    }
    int width = 0, height = 0;
    plat_framebuffer_size(width, height);
    const CellBox box = fill_block(std::atoi(argv[2]), point_batch);
    camera = kStartCamera;
    if (argc > 3 && std::strcmp(argv[3], "all") == 0)
        camera = framing_camera(box, float(width) / float(height));
    auto last = std::chrono::steady_clock::now();
    for (int frames = 0; !plat_close_requested();) {
        plat_poll_events();
        clear_to_sky();
        if (mode == "sprite" && !draw_point_batch_gl(point_batch)) return 1;
        if (mode != "sprite") draw_smooth(point_batch, mode == "smooth-array");
        plat_swap();
        ++frames;
        const auto now = std::chrono::steady_clock::now();
        const double s = std::chrono::duration<double>(now - last).count();
        if (s >= 1.0) {
            std::fprintf(stderr, "fps %.2f\n", frames / s);
            frames = 0;
            last = now;
        }
    }
    plat_close();
    return 0;
}

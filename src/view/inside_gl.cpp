// Looking inside with plain GL 1.x: the inspected cell's mark, the heat map's
// colour bar and recording.
#include "view/inside_gl.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "view/camera.h"
#include "view/cell_drawing.h"
#include "view/frame_recorder.h"
#include "view/gl_text.h"
#include "view/gl_view.h"

using screen::begin_screen;
using screen::end_screen;
using screen::kLine;

namespace {

FrameRecorder g_recorder;
char g_recording_status[224] = "";  // the last F11's result

}  // namespace

void draw_colour_bar(int width, int height) {
    const float x1 = width - 12.0f, x0 = x1 - 256, y1 = height - 24.0f, y0 = y1 - 18;
    screen::panel(x0 - 6, y0 - 24, x1 + 6, y1 + 20);
    char line[96];
    std::snprintf(line, sizeof line, "Heat map: channel %d", heat_channel);
    screen::text(x0, y0 - 19, line, 235, 235, 235);
    glBegin(GL_QUAD_STRIP);
    for (int s = 0; s < kHeatSteps; ++s) {
        const Rgb c = heat_ramp(s);
        glColor3ub(c.r, c.g, c.b);
        glVertex2f(x0 + s, y0);
        glVertex2f(x0 + s, y1);
    }
    glEnd();
    const HeatRange& r = heat_frame.shown;
    if (r.empty()) return;
    std::snprintf(line, sizeof line, "%d", r.lo);
    screen::text(x0, y1 + 3, line, 235, 235, 235);
    std::snprintf(line, sizeof line, "%d", r.hi);
    screen::text(x1 - screen::text_width(line), y1 + 3, line, 235, 235, 235);
}

void draw_inspected_mark() {
    if (inspected_cell >= Cells_count) inspected_cell = -1;  // a reload emptied its place
    if (inspected_cell < 0) return;
    const TCells& c = Cells[inspected_cell];
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    apply_camera();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_POINT_SMOOTH);
    const float r = 0.6f;
    for (int pass = 0; pass < 2; ++pass) {  // a wide black edge under a white line
        glLineWidth(pass == 0 ? 4.0f : 2.0f);
        if (pass == 0)
            glColor3ub(0, 0, 0);
        else
            glColor3ub(255, 255, 255);
        glBegin(GL_LINES);
        for (int e = 0; e < 12; ++e) {
            // The cube's 12 edges: along axis e / 4, at the corner e % 4 of the other two.
            const int a = e / 4, b = (a + 1) % 3, d = (a + 2) % 3;
            float p[3] = {float(c.x), float(c.y), float(c.z)};
            p[b] += e & 1 ? r : -r;
            p[d] += e & 2 ? r : -r;
            p[a] -= r;
            glVertex3fv(p);
            p[a] += 2 * r;
            glVertex3fv(p);
        }
        glEnd();
    }
    glPopMatrix();
    glPopAttrib();
}

void record_frame(int width, int height) {
    if (recording && !g_recorder.active()) {
        if (!g_recorder.start(frame_number, width, height, ffmpeg_on_path())) {
            std::fprintf(stderr, "kelvaro: cannot start recording\n");
            std::snprintf(g_recording_status, sizeof g_recording_status,
                          "F11: cannot start recording");
            recording = 0;
            return;
        }
        std::snprintf(g_recording_status, sizeof g_recording_status, "F11: recording to %s",
                      g_recorder.target());
    }
    if (!recording || (g_recorder.width() != width || g_recorder.height() != height)) {
        // F11 again, or the window changed size under the recording: it ends.
        stop_recording();
        return;
    }
    read_back_frame(width, height, g_recorder.pixels());
    if (!g_recorder.add_frame()) {
        std::fprintf(stderr, "kelvaro: recording to %s failed; it has stopped\n",
                     g_recorder.target());
        std::snprintf(g_recording_status, sizeof g_recording_status,
                      "F11: recording to %s failed; it has stopped", g_recorder.target());
        recording = 0;
    }
}

void draw_recording_mark(int width, int height) {
    if (!g_recorder.active() || width <= 0 || height <= 0) return;
    begin_screen(width, height);
    static char line[64];
    std::snprintf(line, sizeof line, "   Recording: %ld frames", g_recorder.frames());
    const char* lines[1] = {line};
    // At the bottom, between the overlay's plot and the colour bar.
    const float x = std::max(450.0f, width / 2.0f - 100), y = height - 6.0f - kLine - 8;
    screen::text_panel(x, y, lines, 1, false);
    glColor3ub(230, 0, 0);  // a red dot in front
    screen::rect(x + 8, y + 7, x + 18, y + 17);
    end_screen();
}

void stop_recording() {
    recording = 0;
    if (!g_recorder.active()) return;
    const long frames = g_recorder.frames();
    char target[160];
    std::snprintf(target, sizeof target, "%s", g_recorder.target());
    const bool ended = g_recorder.stop();
    if (!ended) std::fprintf(stderr, "kelvaro: the movie %s did not end well\n", target);
    std::snprintf(g_recording_status, sizeof g_recording_status,
                  ended ? "F11: %ld frames recorded to %s" : "F11: %ld frames to %s, badly ended",
                  frames, target);
}

const char* recording_status() {
    return g_recording_status;
}

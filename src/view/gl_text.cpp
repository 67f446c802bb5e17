// Screen-space text and panels with plain GL 1.x and stb_easy_font.
#include "view/gl_text.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#include <stb/stb_easy_font.h>
#pragma GCC diagnostic pop

namespace screen {

void text(float x, float y, const char* s, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    static char quads[60000];  // stb_easy_font's vertices: x, y, z, colour; 64 bytes a quad
    const int n = stb_easy_font_print(0, 0, const_cast<char*>(s), nullptr, quads, sizeof quads);
    glColor3ub(r, g, b);
    glPushMatrix();
    glTranslatef(x, y, 0);
    glScalef(kTextScale, kTextScale, 1);
    // The quads straight from stb_easy_font's buffer (x, y, z and a colour,
    // 16 bytes a vertex) in one call: a line is hundreds of small quads.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 16, quads);
    glDrawArrays(GL_QUADS, 0, n * 4);
    glPopClientAttrib();
    glPopMatrix();
}

void rect(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

namespace {
int g_screen_height = 0;  // the screen begin_screen set up, for the panels' clears
}  // namespace

void panel(float x0, float y0, float x1, float y1) {
    // A clear of the panel's pixels: on a software rasteriser many times
    // cheaper than a blended rectangle. The scissor box is the panel's,
    // within any scissor box already set.
    GLint outer[4];
    const bool clipped = glIsEnabled(GL_SCISSOR_TEST);
    glGetIntegerv(GL_SCISSOR_BOX, outer);
    int left = int(std::lround(x0)), right = int(std::lround(x1));
    int bottom = g_screen_height - int(std::lround(y1)),
        top = g_screen_height - int(std::lround(y0));
    if (clipped) {
        left = std::max(left, outer[0]), right = std::min(right, outer[0] + outer[2]);
        bottom = std::max(bottom, outer[1]), top = std::min(top, outer[1] + outer[3]);
    }
    if (right <= left || top <= bottom) return;
    glPushAttrib(GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, right - left, top - bottom);
    glClearColor(kPanelGrey / 255.0f, kPanelGrey / 255.0f, kPanelGrey / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

// The width the text takes on screen: the right edge of its last quad.
float text_width(const char* s) {
    static char quads[60000];
    const int n = stb_easy_font_print(0, 0, const_cast<char*>(s), nullptr, quads, sizeof quads);
    float right = 0;
    for (int q = 0; q < n * 4; ++q) {
        float x;
        std::memcpy(&x, quads + q * 16, sizeof x);
        right = std::max(right, x);
    }
    return kTextScale * right;
}

// A panel sized to its lines, at (x, y), or right-aligned to x when `right`.
Box text_panel(float x, float y, const char* const* lines, int n, bool right) {
    float w = 0;
    for (int k = 0; k < n; ++k) w = std::max(w, text_width(lines[k]));
    if (right) x -= w + 12;
    const Box box{x, y, x + w + 12, y + n * kLine + 8.0f};
    panel(box.x0, box.y0, box.x1, box.y1);
    for (int k = 0; k < n; ++k) text(x + 6, y + 6 + k * kLine, lines[k], 235, 235, 235);
    return box;
}

void begin_screen(int width, int height) {
    g_screen_height = height;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1, 1);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_BLEND);  // every panel is opaque: nothing blends (cheaper on llvmpipe)
}

void end_screen() {
    glPopMatrix();
    glPopAttrib();
}

}  // namespace screen

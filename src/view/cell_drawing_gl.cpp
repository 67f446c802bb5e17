// The cells drawn with GL, two ways that paint the same pixels: the point
// arrays of a frame (in two draw calls for a large colony) through a
// point-sprite shader that cuts a round 5-pixel disc, or, where GLSL 1.20 is
// missing or KELVARO_POINTS=smooth asks for it, one immediate-mode batch of
// smoothed 5-pixel points.
#define GL_GLEXT_PROTOTYPES 1
#include "view/cell_drawing.h"
#include "view/gl_view.h"
#include "view/inside_gl.h"
#include "view/point_batch.h"
#include "view/run_control.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Immediate mode: what the program drew before it had the shader, and the
// baseline the shader path is measured against.
struct SmoothPointSink {
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

// ftransform() is the fixed-function transform, so a sprite lands on the very
// pixel a smoothed point does; with blending off a smoothed point is the disc
// of radius 2.5 around it, which the fragment shader cuts out.
constexpr const char* kVertexShader = R"(#version 120
void main() {
    gl_Position = ftransform();
    gl_FrontColor = gl_Color;
    gl_PointSize = 5.0;
}
)";
constexpr const char* kFragmentShader = R"(#version 120
void main() {
    vec2 d = gl_PointCoord - vec2(0.5);
    if (dot(d, d) > 0.25) discard;
    gl_FragColor = gl_Color;
}
)";

GLuint compile(GLenum kind, const char* text) {
    const GLuint s = glCreateShader(kind);
    glShaderSource(s, 1, &text, nullptr);
    glCompileShader(s);
    GLint ok = GL_FALSE;
    glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return s;
    glDeleteShader(s);
    return 0;
}

// GLSL 1.20 or later: OpenGL 2.1's language, the one the shader is written in.
bool has_glsl_120() {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
    int major = 0, minor = 0;
    if (!version || std::sscanf(version, "%d.%d", &major, &minor) != 2) return false;
    return major > 1 || (major == 1 && minor >= 20);
}

// The linked sprite program, or 0 where it cannot be had.
GLuint build_sprite_program() {
    if (!has_glsl_120()) return 0;
    const GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    GLuint program = 0;
    if (vs && fs) {
        program = glCreateProgram();
        glAttachShader(program, vs);
        glAttachShader(program, fs);
        glLinkProgram(program);
        GLint ok = GL_FALSE;
        glGetProgramiv(program, GL_LINK_STATUS, &ok);
        if (ok != GL_TRUE) glDeleteProgram(program), program = 0;
    }
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return program;
}

// The sprite program of the current context; 0 means the smoothed points. Chosen
// at the first drawing in a context, as the environment says and GL allows.
struct PointsPath {
    bool chosen = false;
    GLuint program = 0;
};
PointsPath g_path;

GLuint sprite_program() {
    if (!g_path.chosen) {
        g_path.chosen = true;
        const char* want = std::getenv("KELVARO_POINTS");
        const bool smooth = want && std::strcmp(want, "smooth") == 0;
        g_path.program = smooth ? 0 : build_sprite_program();
    }
    return g_path.program;
}

// The colour GL holds now, as the bytes the next point would take.
Rgb current_gl_color() {
    GLfloat c[4] = {1, 1, 1, 1};
    glGetFloatv(GL_CURRENT_COLOR, c);
    return {unit_to_byte(c[0]), unit_to_byte(c[1]), unit_to_byte(c[2])};
}

// The GL state of sprite drawing from the batch's arrays, set for as long as
// the object lives.
class SpriteState {
   public:
    SpriteState(GLuint program, const PointBatch& b) {
        glPushMatrix();
        apply_camera();
        glUseProgram(program);
        glEnable(GL_VERTEX_PROGRAM_POINT_SIZE);
        glEnable(GL_POINT_SPRITE);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, b.xyz);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, b.rgba);
    }
    ~SpriteState() {
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_POINT_SPRITE);
        glDisable(GL_VERTEX_PROGRAM_POINT_SIZE);
        glUseProgram(0);
        glPopMatrix();
    }
    SpriteState(const SpriteState&) = delete;
    SpriteState& operator=(const SpriteState&) = delete;
};

// One draw call of the batch through the sprite program.
void draw_sprites(GLuint program, const PointBatch& b) {
    const SpriteState state(program, b);
    if (b.count > 0) glDrawArrays(GL_POINTS, 0, b.count);
}

// The fewest points worth a flush of their own: below this a frame is drawn
// in one call, since each flush costs the rasteriser a pass over its tiles.
constexpr int kMinChunk = 20000;

// A batch sink that draws the first half of a frame's points as soon as it
// is filled and flushes it, so that the rasteriser's threads paint it while
// the frame pass steps the other half. The points keep their order, so the
// depth test leaves the same pixels as one draw of the whole batch.
struct StreamingSink : PointBatchSink {
    GLuint program;
    std::optional<SpriteState> state;
    int drawn = 0;
    int chunk = 0;

    void begin() {
        PointBatchSink::begin();
        drawn = 0;
        chunk = std::max(kMinChunk, Cells_count / 2);
        state.emplace(program, batch);
    }
    void end() {
        draw_pending();
        state.reset();
    }
    void vertex(double x, double y, double z) {
        PointBatchSink::vertex(x, y, z);
        if (batch.count - drawn < chunk) return;
        draw_pending();
        glFlush();
    }
    void draw_pending() {
        if (batch.count > drawn) glDrawArrays(GL_POINTS, drawn, batch.count - drawn);
        drawn = batch.count;
    }
};

// Draws with whichever path the context has: `fill` runs the cell decisions
// on the sink it is given.
template <class Fill>
void draw_with_gl(Fill&& fill) {
    const GLuint program = sprite_program();
    if (program == 0) {
        SmoothPointSink sink;
        fill(sink);
        return;
    }
    StreamingSink sink{{point_batch, current_gl_color()}, program, {}, 0, 0};
    fill(sink);
    // The colour left current is the last one the cells issued, as after an
    // immediate-mode batch.
    glColor4ub(sink.current.r, sink.current.g, sink.current.b, 255);
}

}  // namespace

void draw_cells_gl() {
    draw_with_gl([](auto& sink) { draw_cells(sink); });
}

void draw_view_frame() {
    draw_with_gl([](auto& sink) { draw_view_frame_with(sink); });
}

bool draw_point_batch_gl(const PointBatch& batch) {
    const GLuint program = sprite_program();
    if (program != 0) draw_sprites(program, batch);
    return program != 0;
}

bool points_are_sprites() {
    return sprite_program() != 0;
}

void gl_context_changed() {
    g_path = PointsPath{};
}

// Pictures through the window program's drawing in an off-screen EGL context:
// the same sky, cell sink, colours, overlay rule and axis markers, the same
// projection and camera transform; only the context differs.
#include "render.h"

#include "app/files.h"
#include "platform/egl_context.h"
#include "view/camera.h"
#include "view/flags.h"
#include "view/framing.h"
#include "view/gl_view.h"
#include "view/gl_text.h"
#include "view/heat_map.h"
#include "view/inside_gl.h"
#include "view/movie_pipe.h"
#include "view/screenshot.h"
#include "view/png_file.h"

#include <GL/gl.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <filesystem>
#include <vector>

bool rendering_built() {
    return true;
}

struct BatchRenderer::State {
    const BatchOptions* o = nullptr;
    std::vector<std::uint8_t> pixels;  // the last picture, bottom row first
    std::string path;                  // DIR/cells-NNNNNN.png, sized once
    std::string error;
    MoviePipe movie;
    PngWriter png{PngLevel::Fastest};
    bool context = false;

    ~State() {
        if (context) egl_close();
    }
    // Keeps the message (its parts joined) and returns `status`.
    int fail(int status, std::initializer_list<std::string_view> parts) {
        error.clear();
        for (std::string_view p : parts) error.append(p);
        return status;
    }
};

namespace {

// Why the last write failed, when the writer left errno.
const char* reason() {
    return errno ? std::strerror(errno) : "write failed";
}

// The window's view flags and camera, as the command line sets them.
void set_view(const BatchOptions& o) {
    init_view_flags();
    show_map = o.axes ? 1 : 0;
    show_len = o.show_len;
    heat_channel = o.heat_channel;
    heat_frame = HeatFrame{};  // the first picture scans its own range
    slab = {SliceAxis(o.slice_axis), o.slice_first, o.slice_thickness};
    for (int t = 0; t < kTypes; ++t) hidden_type[t] = o.hidden[t];
    camera = kStartCamera;
    if (o.camera_given) camera = {o.camera[0], o.camera[1], o.camera[2], o.camera[3], o.camera[4]};
}

// --camera auto: the Home key's framing of the colony as it stands; an empty
// colony keeps the camera it had.
void frame_colony(const BatchOptions& o) {
    CellBox box;
    if (o.camera_auto && live_cell_box(box))
        camera = framing_camera(box, float(o.render_width) / float(o.render_height));
}

// What the window program's render step draws, in its order.
void draw_picture() {
    clear_to_sky();
    glPushMatrix();
    draw_cells_gl();
    if (show_map) draw_axis_markers();
    glPopMatrix();
}

void stamp(const BatchOptions& o, int frame) {
    if (!o.stamp) return;
    char line[64];
    std::snprintf(line, sizeof line, "Frame %d    Cells %d", frame, int(Cells_count));
    draw_corner_text(o.render_width, o.render_height, line);
}

}  // namespace

BatchRenderer::BatchRenderer() : state_(std::make_unique<State>()) {}
BatchRenderer::~BatchRenderer() = default;

const char* BatchRenderer::error() const {
    return state_->error.c_str();
}

int BatchRenderer::open(const BatchOptions& o) {
    State& s = *state_;
    s.o = &o;
    if (!wants_pictures(o)) return kExitOk;
    // Before anything is drawn or created: a movie that cannot be made is a
    // mistake on the command line, not a failure hours into the run.
    if (!o.movie.empty() && !ffmpeg_on_path())
        return s.fail(kExitUsage, {"--movie needs ffmpeg, which is not on PATH"});
    const char* why = nullptr;
    if (!egl_open(o.render_width, o.render_height, why))
        return s.fail(kExitOutput, {"cannot draw off-screen: ", why});
    s.context = true;
    gl_context_changed();
    glEnable(GL_DEPTH_TEST);
    set_projection(o.render_width, o.render_height);
    set_view(o);
    s.pixels.resize(std::size_t(o.render_width) * o.render_height * 3);
    if (!o.render_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(o.render_dir, ec);
        if (ec)
            return s.fail(kExitOutput,
                          {"cannot create picture folder '", o.render_dir, "': ", ec.message()});
        s.path.assign(o.render_dir.size() + 32, '\0');
        std::snprintf(s.path.data(), s.path.size(), "%s/cells-000000.png", o.render_dir.c_str());
        errno = 0;
        AtomicFileWriter probe(s.path.c_str());
        if (!probe.ok())
            return s.fail(kExitOutput,
                          {"cannot write into picture folder '", o.render_dir, "': ", reason()});
    }
    if (!o.movie.empty() && !s.movie.open(o.movie.c_str(), o.render_width, o.render_height))
        return s.fail(kExitOutput, {"cannot start ffmpeg for '", o.movie, "'"});
    return kExitOk;
}

int BatchRenderer::draw(int frame) {
    State& s = *state_;
    const BatchOptions& o = *s.o;
    frame_colony(o);
    draw_picture();
    stamp(o, frame);
    if (heat_channel >= 0) {  // the colour bar and range, as the window shows them
        screen::begin_screen(o.render_width, o.render_height);
        draw_colour_bar(o.render_width, o.render_height);
        screen::end_screen();
    }
    read_back_frame(o.render_width, o.render_height, s.pixels.data());
    return kExitOk;
}

const std::uint8_t* BatchRenderer::pixels() const {
    return state_->pixels.data();
}

int BatchRenderer::frame(int frame) {
    State& s = *state_;
    const BatchOptions& o = *s.o;
    if (!wants_pictures(o) || frame % o.render_every != 0) return kExitOk;
    draw(frame);
    if (!o.render_dir.empty()) {
        std::snprintf(s.path.data(), s.path.size(), "%s/cells-%06d.png", o.render_dir.c_str(),
                      frame);
        errno = 0;
        if (!s.png.write(s.path.c_str(), o.render_width, o.render_height, s.pixels.data()))
            return s.fail(kExitOutput, {"cannot write picture '", s.path.c_str(), "': ", reason()});
    }
    if (s.movie.is_open() && !s.movie.write(s.pixels.data()))
        return s.fail(kExitOutput, {"ffmpeg stopped taking frames for '", o.movie, "'"});
    return kExitOk;
}

int BatchRenderer::close() {
    State& s = *state_;
    if (s.movie.is_open() && !s.movie.close())
        return s.fail(kExitOutput, {"ffmpeg could not finish '", s.o->movie, "'"});
    return kExitOk;
}

// kelvaro-batch's pictures, drawn off-screen with no display: the sky, cells in
// their type colours where the camera's matrices put them, the overlay rule,
// the axis markers and the stamp; and the option mistakes refused up front.
#include "support.h"

#include <cmath>
#include <memory>
#include <optional>

#include "batch_run.h"
#include "render.h"
#include "view/camera.h"
#include "view/cell_drawing.h"
#include "view/flags.h"
#include "view/movie_pipe.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using kt::Args;
using kt::operator+;
using BatchRender = kt::FileTest;

namespace {

constexpr int kW = 400, kH = 300;
const Rgb kSky = {153, 204, 255};
const Args kRun = {"--genome", KELVARO_EXAMPLES "/dna.vdna", "--cells",
                   KELVARO_EXAMPLES "/list.txt", "--quiet"};

// A PNG file's pixels, top row first.
struct Image {
    int w = 0, h = 0;
    std::unique_ptr<std::uint8_t, void (*)(void*)> rgb;
    explicit Image(const char* path) : rgb(stbi_load(path, &w, &h, nullptr, 3), stbi_image_free) {}
    // Pixel (x, y) is `c`, give or take 2 per channel.
    bool near(int x, int y, Rgb c) const {
        const std::uint8_t* p = &rgb.get()[(std::size_t(y) * w + x) * 3];
        return std::abs(p[0] - c.r) <= 2 && std::abs(p[1] - c.g) <= 2 && std::abs(p[2] - c.b) <= 2;
    }
};

// depth 0: behind the camera
struct Pixel {
    double x, y, depth;
};

// Where a lattice point lands: apply_camera's rotations and translation, then
// set_projection's frustum (near plane 0.2, half height 0.1) and viewport.
Pixel project(const float cam[5], double x, double y, double z) {
    const double zr = -cam[4] * M_PI / 180, xr = -cam[3] * M_PI / 180;
    x -= cam[0], y -= cam[1], z -= cam[2];
    const double x1 = std::cos(zr) * x - std::sin(zr) * y, y1 = std::sin(zr) * x + std::cos(zr) * y;
    const double y2 = std::cos(xr) * y1 - std::sin(xr) * z,
                 d = -std::sin(xr) * y1 - std::cos(xr) * z;
    if (d <= 0.2) return {0, 0, 0};
    return {(2.0 * kH / kW * x1 / d + 1) / 2 * kW, kH - (2.0 * y2 / d + 1) / 2 * kH, d};
}

// The colour the window gives cell i (false: none of its own): the heat map's,
// or its type's and then the overlay rule.
std::optional<Rgb> expected_colour(int i) {
    const std::int32_t* level = world_signal[Cells[i].x][Cells[i].y][Cells[i].z];
    if (heat_channel >= 0) return heat_color(heat_frame.scale, level[heat_channel]);
    Rgb c;
    if (!type_color(Cells[i].type, c)) return std::nullopt;
    const Rgb marks[4] = {{0, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    for (int ch = 2; ch <= 5; ++ch)
        if (level[ch] == show_len) c = marks[ch - 2];
    return c;
}

// Checks the drawn cells with a colour of their own that no nearer drawn cell
// covers (within a point's width) against the picture; returns how many were
// checked. Every drawn cell lies inside the view.
int check_cells(const Image& im, const float cam[5]) {
    std::vector<Pixel> at;
    for (int i = 0; i < Cells_count; ++i)
        at.push_back(cell_drawn(i) ? project(cam, Cells[i].x, Cells[i].y, Cells[i].z) : Pixel{});
    int checked = 0;
    for (int i = 0; i < Cells_count; ++i) {
        const Pixel& p = at[i];
        const double margin = std::min({p.x, p.y, kW - p.x, kH - p.y});
        EXPECT_TRUE(p.depth == 0 || margin > 0) << "cell " << i << " outside the view";
        const auto covers = [&](const Pixel& q) {
            return q.depth > 0 && q.depth < p.depth && std::hypot(q.x - p.x, q.y - p.y) < 4;
        };
        const std::optional<Rgb> want = expected_colour(i);
        const bool under_bar = heat_channel >= 0 && p.x > kW - 280 && p.y > kH - 72;
        if (p.depth == 0 || margin < 3 || !want || under_bar ||
            std::any_of(at.begin(), at.end(), covers))
            continue;
        ++checked;
        EXPECT_TRUE(im.near(int(p.x), int(p.y), *want)) << "cell " << i;
    }
    return checked;
}

}  // namespace

TEST_F(BatchRender, SkyCellsAxesAndStampWhereTheCameraPutsThem) {
    const float above[5] = {22, 9, 60, 0, 0};      // straight down onto the slab
    const float side[5] = {12, -12, 22, 55, -35};  // from the side, looking across the slab
    const struct {
        const float* camera;  // null: the framing's
        Args args;
    } cases[] = {
        {above, {"--camera", "22,9,60,0,0"}},
        {above, {"--camera", "22,9,60,0,0", "--axes", "--stamp"}},
        {side, {"--camera", "12,-12,22,55,-35", "--show-len", "2"}},
        {nullptr, {"--camera", "auto", "--slice", "x:20:3"}},
        {nullptr, {"--camera", "auto", "--heat", "3"}},
        {nullptr, {"--camera", "auto", "--hide-types", "1,5"}},
    };
    const Args frames =
        kt::words("--frames 5 --render-every 5 --render-dir pics --render-size 400x300");
    const Pixel axis = project(above, above[0], 0, 0);  // the x axis marker's row y = 0
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        ASSERT_EQ(kt::batch(kRun + frames + c.args).status, kExitOk);
        const Image im("pics/cells-000005.png");
        ASSERT_TRUE(im.w == kW && im.h == kH);
        for (const auto& [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}})
            EXPECT_TRUE(im.near(x, y, kSky)) << x << "," << y;
        // The camera the picture was drawn with: the given one, or the framing's.
        const float used[5] = {camera.x, camera.y, camera.z, camera.Xrot, camera.Zrot};
        EXPECT_TRUE(!c.camera || std::equal(used, used + 5, c.camera));
        EXPECT_GT(check_cells(im, used), 100);
        // The hidden types leave no pixel of their colours; the heat map its colour bar.
        const Rgb yellow{255, 255, 0}, magenta{255, 0, 255};
        int hidden_colours = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                hidden_colours += im.near(x, y, yellow) || im.near(x, y, magenta);
        EXPECT_EQ(hidden_colours == 0, c.args.back() == "1,5" || c.args.back() == "3");
        EXPECT_EQ(!im.near(kW - 20, kH - 30, kSky), c.args.back() == "3");  // the colour bar
        if (c.camera != above) continue;
        const bool marked = c.args.size() > 2;
        EXPECT_EQ(im.near(int(axis.x), int(axis.y), {255, 0, 0}), marked);
        EXPECT_EQ(!im.near(12, 12, kSky), marked);  // the stamp
    }
}

// A run drawn (and filmed) every 7 frames leaves the colony of the run drawn never.
TEST_F(BatchRender, PicturesAndMovieChangeNoSimulatedValue) {
    const bool film = ffmpeg_on_path();
    const Args run = kRun + Args{"--frames", "30", "--division", "--out"};
    Args drawn = kt::words(
        "drawn.txt --render-every 7 --render-dir pics --stamp --render-size 101x61 --axes");
    if (film) drawn = drawn + Args{"--movie", "m.mp4"};
    ASSERT_EQ(kt::batch(run + Args{"plain.txt"}).status, kExitOk);
    ASSERT_EQ(kt::batch(run + drawn).status, kExitOk);
    EXPECT_EQ(kt::read_file("plain.txt"), kt::read_file("drawn.txt"));
    EXPECT_TRUE(std::filesystem::exists("pics/cells-000028.png") &&
                !std::filesystem::exists("pics/cells-000030.png"));
    if (!film) GTEST_SKIP() << "no ffmpeg on PATH: no movie made";
    const char* count =
        "ffprobe -v error -count_frames -of csv=p=0 "
        "-show_entries stream=nb_read_frames,width,height m.mp4";
    std::FILE* probe = popen(count, "r");
    char line[64] = "";
    ASSERT_TRUE(probe && std::fgets(line, sizeof line, probe));
    pclose(probe);
    // Frames 7, 14, 21 and 28, an odd size padded to even by one black edge.
    EXPECT_STREQ(line, "102,62,4\n");
}

// The movie without ffmpeg on PATH: batch_exit_movie_without_ffmpeg.
TEST_F(BatchRender, MistakesFailBeforeTheFirstFrameWithOneLine) {
    kt::write_file("file", "x");
    const std::pair<Args, std::string> cases[] = {
        {{"--render-every", "5"}, "--render-every needs --render-dir or --movie"},
        {{"--movie", "m.mp4", "--render-size", "1000x8"}, "--render-size: '1000x8'"},
        {{"--movie", "m.mp4", "--camera", "1,2,nan,4,5"}, "--camera"},
        {{"--movie", "m.mp4", "--heat", "20"}, "--heat: '20' is not"},
        {{"--movie", "m.mp4", "--slice", "w:3"}, "--slice: 'w:3' is not"},
        {{"--movie", "m.mp4", "--hide-types", "1,100"}, "--hide-types: '1,100' is not"},
        {{"--render-every", "1", "--render-dir", "file/pics"}, "picture folder"},
    };
    for (const auto& [args, names] : cases) {
        const kt::Outcome r = kt::batch(Args{"--frames", "3", "--out", "out.txt"} + args);
        // Only a folder that cannot be made is the disk's fault, not the command line's.
        EXPECT_EQ(r.status, names == "picture folder" ? kExitOutput : kExitUsage) << names;
        EXPECT_TRUE(kt::one_line_naming(r.err, names)) << r.err;
        EXPECT_EQ(kt::entries(), 1);  // "file": nothing written
    }
}

// A block of 48,000 cells of eight types, deep enough that the depth test
// decides most pixels: the window draws its first half while the frame pass
// steps the second.
std::string deep_block() {
    std::string text;
    for (int z = 1; z <= 30; ++z)
        for (int y = 20; y < 60; ++y)
            for (int x = 20; x < 60; ++x)
                text += std::to_string(2 + (x + y + z) % 8) + " " + std::to_string(x) + " " +
                        std::to_string(y) + " " + std::to_string(z) + "\n";
    return text;
}

// The point-sprite shader and the smoothed points it replaces paint the same
// picture: at most one pixel in 10,000 differs, in any view mode and for a
// colony drawn in more than one call.
TEST_F(BatchRender, SpritesPaintWhatSmoothedPointsPaint) {
    kt::write_file("block.txt", deep_block());
    const Args grown = kRun + Args{"--frames", "12", "--division", "--render-every", "12"};
    const Args block = kt::words("--cells block.txt --quiet --frames 12 --render-every 12");
    const Args modes[] = {grown + Args{"--axes"}, grown + Args{"--heat", "2"},
                          grown + Args{"--slice", "y:6:4", "--show-len", "3"}, block};
    for (const Args& mode : modes) {
        SCOPED_TRACE(mode[1] + " " + mode.back());
        for (const char* points : {"smooth", "sprites"}) {
            setenv("KELVARO_POINTS", points, 1);
            ASSERT_EQ(kt::batch(mode + Args{"--camera", "auto", "--render-dir", points}).status,
                      kExitOk);
        }
        unsetenv("KELVARO_POINTS");
        const Image smooth("smooth/cells-000012.png"), sprites("sprites/cells-000012.png");
        ASSERT_TRUE(smooth.rgb && sprites.rgb && smooth.w == sprites.w && smooth.h == sprites.h);
        const std::size_t n = std::size_t(smooth.w) * smooth.h;
        std::size_t differ = 0, cells = 0;
        for (std::size_t p = 0; p < n; ++p) {
            const std::uint8_t *a = &smooth.rgb.get()[3 * p], *b = &sprites.rgb.get()[3 * p];
            differ += !std::equal(a, a + 3, b);
            cells += !smooth.near(int(p % smooth.w), int(p / smooth.w), kSky);
        }
        EXPECT_GT(cells, n / 100);  // a picture of something
        EXPECT_LE(differ, n / 10000) << differ << " of " << n;
    }
}

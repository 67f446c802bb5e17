// kelvaro-batch's pictures, drawn off-screen with no display: the sky, cells in
// their type colours where the camera's matrices put them, the overlay rule,
// the axis markers and the stamp; and the option mistakes refused up front.
#include "support.h"

#include <cmath>
#include <cstdlib>

#include "batch_run.h"
#include "render.h"
#include "view/cell_drawing.h"
#include "view/camera.h"
#include "view/flags.h"
#include "view/movie_pipe.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using kt::batch;
using kt::Outcome;
using kt::operator+;

namespace {

const std::string kGenome = KELVARO_EXAMPLES "/dna.vdna";
const std::string kColony = KELVARO_EXAMPLES "/list.txt";
constexpr int kW = 400, kH = 300;
const Rgb kSky = {153, 204, 255};

struct Image {
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb;  // top row first
    Rgb at(int x, int y) const {
        const std::uint8_t* p = &rgb[(std::size_t(y) * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

Image load_png(const std::string& path) {
    Image im;
    std::uint8_t* data = stbi_load(path.c_str(), &im.w, &im.h, nullptr, 3);
    if (data) im.rgb.assign(data, data + std::size_t(im.w) * im.h * 3);
    stbi_image_free(data);
    return im;
}

bool near(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) <= 2 && std::abs(a.g - b.g) <= 2 && std::abs(a.b - b.b) <= 2;
}

// Where a lattice point lands: apply_camera's rotations and translation, then
// set_projection's frustum (near plane 0.2, half height 0.1) and viewport, in
// the picture's rows (top first). False behind the camera.
struct Pixel {
    double x, y, depth;
};
bool project(const float cam[5], double px, double py, double pz, Pixel& out) {
    const double rad = 3.141592653589793 / 180.0;
    double x = px - cam[0], y = py - cam[1], z = pz - cam[2];
    const double cz = std::cos(-cam[4] * rad), sz = std::sin(-cam[4] * rad);
    const double x1 = cz * x - sz * y, y1 = sz * x + cz * y;
    const double cx = std::cos(-cam[3] * rad), sx = std::sin(-cam[3] * rad);
    const double y2 = cx * y1 - sx * z, z2 = sx * y1 + cx * z;
    x = x1, y = y2, z = z2;
    if (z >= -0.2) return false;
    const double aspect = double(kW) / kH;
    const double ndc_x = 2.0 / aspect * x / -z, ndc_y = 2.0 * y / -z;
    out = {(ndc_x + 1) / 2 * kW, kH - (ndc_y + 1) / 2 * kH, -z};
    return true;
}

// The colour the window gives cell i (false: none of its own): the heat map's,
// or its type's and then the overlay rule.
bool expected_colour(int i, Rgb& c) {
    const std::int32_t* level = world_signal[Cells[i].x][Cells[i].y][Cells[i].z];
    if (heat_channel >= 0) {
        c = heat_color(heat_frame.scale, level[heat_channel]);
        return true;
    }
    if (!type_color(Cells[i].type, c)) return false;
    const Rgb marks[4] = {{0, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    for (int ch = 2; ch <= 5; ++ch)
        if (level[ch] == show_len) c = marks[ch - 2];
    return true;
}

std::string camera_text(const float cam[5]) {
    char text[128];
    std::snprintf(text, sizeof text, "%g,%g,%g,%g,%g", cam[0], cam[1], cam[2], cam[3], cam[4]);
    return text;
}

class BatchRender : public kt::FileTest {
   protected:
    // Renders the example colony after `frames` frames.
    Outcome render(int frames, const std::string& camera, const kt::Args& more = {}) {
        const std::string n = std::to_string(frames);
        return batch(kt::Args{"--genome", kGenome, "--cells", kColony, "--frames", n,
                              "--render-every", n, "--render-dir", "pics", "--camera", camera,
                              "--render-size", "400x300", "--quiet"} +
                     more);
    }

    // Checks the drawn cells in front at their pixel (no nearer drawn cell
    // within a point's width) whose colour is known against the picture;
    // returns how many were checked. Every drawn cell lies inside the view.
    int check_cells(const Image& im, const float cam[5]) {
        std::vector<Pixel> at(Cells_count);
        std::vector<bool> drawn(Cells_count);
        for (int i = 0; i < Cells_count; ++i) {
            drawn[i] = cell_drawn(i) && project(cam, Cells[i].x, Cells[i].y, Cells[i].z, at[i]);
            EXPECT_TRUE(!drawn[i] ||
                        (at[i].x >= 0 && at[i].y >= 0 && at[i].x < kW && at[i].y < kH));
        }
        int checked = 0;
        for (int i = 0; i < Cells_count; ++i) {
            Rgb want;
            if (!drawn[i] || !expected_colour(i, want)) continue;
            if (at[i].x < 3 || at[i].y < 3 || at[i].x > kW - 3 || at[i].y > kH - 3) continue;
            bool hidden = false;
            for (int j = 0; j < Cells_count && !hidden; ++j)
                hidden = j != i && drawn[j] && at[j].depth < at[i].depth &&
                         std::hypot(at[j].x - at[i].x, at[j].y - at[i].y) < 4;
            if (hidden) continue;
            ++checked;
            const Rgb got = im.at(int(at[i].x), int(at[i].y));
            EXPECT_TRUE(near(got, want))
                << "cell " << i << " got " << int(got.r) << "," << int(got.g) << "," << int(got.b);
        }
        return checked;
    }
};

const float kAbove[5] = {22, 9, 60, 0, 0};         // straight down onto the slab
const float kOblique[5] = {12, -12, 22, 55, -35};  // from the side, looking across it

}  // namespace

TEST_F(BatchRender, SkyAndCellColoursWhereCellsProjectUnderTheCamera) {
    struct Case {
        const float* cam;  // null: --camera auto
        std::vector<std::string> args;
    } cases[] = {
        {kAbove, {}},
        {kOblique, {"--show-len", "2"}},
        {nullptr, {"--slice", "x:20:3"}},
        {nullptr, {"--heat", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        const Outcome r = render(5, c.cam ? camera_text(c.cam) : "auto", c.args);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Image im = load_png("pics/cells-000005.png");
        ASSERT_TRUE(im.w == kW && im.h == kH);
        for (const auto& [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}})
            EXPECT_TRUE(near(im.at(x, y), kSky)) << x << "," << y;
        // The camera the picture was drawn with: the given one, or the framing's.
        const float used[5] = {camera.x, camera.y, camera.z, camera.Xrot, camera.Zrot};
        if (c.cam) {
            EXPECT_TRUE(std::equal(used, used + 5, c.cam));
        }
        EXPECT_GT(check_cells(im, used), 100);
    }
}

TEST_F(BatchRender, AxisMarkersAndStampFollowTheirOptions) {
    Pixel axis;  // the x axis marker passes under the camera's row of y = 0
    ASSERT_TRUE(project(kAbove, kAbove[0], 0, 0, axis));
    for (const bool on : {false, true}) {
        const Outcome r =
            render(1, camera_text(kAbove), on ? kt::Args{"--axes", "--stamp"} : kt::Args{});
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Image im = load_png("pics/cells-000001.png");
        ASSERT_EQ(im.w, kW);
        bool red = false;
        for (int dy = -1; dy <= 1; ++dy)
            red |= near(im.at(int(axis.x), int(axis.y) + dy), {255, 0, 0});
        EXPECT_EQ(red, on);
        EXPECT_EQ(!near(im.at(12, 12), kSky), on);
    }
}

// A run drawn every 7 frames leaves the colony of the run drawn never.
TEST_F(BatchRender, PicturesChangeNoSimulatedValue) {
    const kt::Args run = {"--genome", kGenome,      "--cells", kColony, "--frames",
                          "30",       "--division", "--quiet", "--out"};
    ASSERT_EQ(batch(run + kt::Args{"plain.txt"}).status, kExitOk);
    ASSERT_EQ(batch(run + kt::Args{"drawn.txt", "--render-every", "7", "--render-dir", "pics",
                                   "--stamp", "--axes"})
                  .status,
              kExitOk);
    EXPECT_EQ(kt::read_file("plain.txt"), kt::read_file("drawn.txt"));
    EXPECT_TRUE(std::filesystem::exists("pics/cells-000028.png") &&
                !std::filesystem::exists("pics/cells-000030.png"));
}

TEST_F(BatchRender, MistakesFailBeforeTheFirstFrameWithOneLine) {
    kt::write_file("file", "x");
    std::filesystem::create_directory("empty-path");
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
        const char* path = nullptr;  // PATH for the run
    } cases[] = {
        {{"--render-every", "5"}, kExitUsage, "--render-every needs --render-dir or --movie"},
        {{"--render-dir", "pics"}, kExitUsage, "--render-dir needs --render-every"},
        {{"--axes"}, kExitUsage, "--axes sets how pictures look"},
        {{"--movie", "m.mp4", "--render-size", "1000x8"}, kExitUsage, "--render-size: '1000x8'"},
        {{"--movie", "m.mp4", "--camera", "1,2,3,4"}, kExitUsage, "--camera: '1,2,3,4' is not"},
        {{"--movie", "m.mp4", "--camera", "1,2,nan,4,5"}, kExitUsage, "--camera"},
        {{"--movie", "m.mp4", "--heat", "20"}, kExitUsage, "--heat: '20' is not"},
        {{"--movie", "m.mp4", "--slice", "w:3"}, kExitUsage, "--slice: 'w:3' is not"},
        {{"--movie", "m.mp4", "--slice", "x:5:0"}, kExitUsage, "--slice"},
        {{"--movie", "m.mp4", "--render-dir", "pics"}, kExitUsage, "ffmpeg", "empty-path"},
        {{"--render-every", "1", "--render-dir", "file/pics"}, kExitOutput, "picture folder"},
    };
    for (const Case& c : cases) {
        const kt::Args args = kt::Args{"--frames", "3", "--out", "out.txt"} + c.args;
        if (c.path) setenv("PATH", (dir_.path() / c.path).c_str(), 1);
        const Outcome r = batch(args);
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_TRUE(kt::one_line_naming(r.err, c.message)) << r.err;
        EXPECT_EQ(kt::entries(), 2);  // "file" and "empty-path": nothing written
    }
}

TEST_F(BatchRender, MovieHoldsEveryRenderedFrame) {
    if (!ffmpeg_on_path()) GTEST_SKIP() << "no ffmpeg on PATH";
    const Outcome r = batch({"--cells", kColony, "--frames", "7", "--render-every", "2", "--movie",
                             "m.mp4", "--render-size", "101x61", "--quiet"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::FILE* probe = popen(
        "ffprobe -v error -count_frames -show_entries stream=nb_read_frames,width,height "
        "-of csv=p=0 m.mp4",
        "r");
    char line[64] = "";
    ASSERT_TRUE(probe && std::fgets(line, sizeof line, probe));
    pclose(probe);
    // Frames 2, 4 and 6, an odd size padded to even by one black edge.
    EXPECT_EQ(std::string(line), "102,62,3\n");
}

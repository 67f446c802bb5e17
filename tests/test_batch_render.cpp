// kelvaro-batch's pictures, drawn off-screen with no display: the sky, cells in
// their type colours where the camera's matrices put them, the overlay rule,
// the axis markers and the stamp; and the option mistakes refused up front.
#include "support.h"

#include <cmath>
#include <cstdlib>

#include "batch_run.h"
#include "render.h"
#include "view/cell_drawing.h"
#include "view/flags.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

using kt::batch;
using kt::Outcome;

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
    int n = 0;
    std::uint8_t* data = stbi_load(path.c_str(), &im.w, &im.h, &n, 3);
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

// The colour the window gives cell i: its type's, then the overlay rule.
bool expected_colour(int i, Rgb& c) {
    if (!type_color(Cells[i].type, c)) return false;
    const std::int32_t* level = world_signal[Cells[i].x][Cells[i].y][Cells[i].z];
    const Rgb marks[4] = {{0, 0, 0}, {255, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    for (int ch = 2; ch <= 5; ++ch)
        if (level[ch] == show_len) c = marks[ch - 2];
    return true;
}

class BatchRender : public kt::FileTest {
   protected:
    // Renders the example colony after `frames` frames with the camera `cam`.
    Outcome render(int frames, const float cam[5], std::vector<std::string> more = {}) {
        char camera[128];
        std::snprintf(camera, sizeof camera, "%g,%g,%g,%g,%g", cam[0], cam[1], cam[2], cam[3],
                      cam[4]);
        std::vector<std::string> args = {
            "--genome",       kGenome,
            "--cells",        kColony,
            "--frames",       std::to_string(frames),
            "--render-every", std::to_string(frames),
            "--render-dir",   "pics",
            "--render-size",  std::to_string(kW) + "x" + std::to_string(kH),
            "--camera",       camera,
            "--quiet"};
        args.insert(args.end(), more.begin(), more.end());
        return batch(args);
    }

    // The cells in front at their pixel (no nearer cell within a point's
    // width) whose colour is known, and how many of them the picture shows.
    void check_cells(const Image& im, const float cam[5], int& checked, int& matching) {
        std::vector<Pixel> at(Cells_count);
        std::vector<bool> seen(Cells_count);
        for (int i = 0; i < Cells_count; ++i)
            seen[i] = project(cam, Cells[i].x, Cells[i].y, Cells[i].z, at[i]);
        checked = matching = 0;
        for (int i = 0; i < Cells_count; ++i) {
            Rgb want;
            if (!seen[i] || !expected_colour(i, want)) continue;
            if (at[i].x < 3 || at[i].y < 3 || at[i].x > kW - 3 || at[i].y > kH - 3) continue;
            bool hidden = false;
            for (int j = 0; j < Cells_count && !hidden; ++j)
                hidden = j != i && seen[j] && at[j].depth < at[i].depth &&
                         std::hypot(at[j].x - at[i].x, at[j].y - at[i].y) < 4;
            if (hidden) continue;
            ++checked;
            matching += near(im.at(int(at[i].x), int(at[i].y)), want);
        }
    }
};

const float kAbove[5] = {22, 9, 60, 0, 0};         // straight down onto the slab
const float kOblique[5] = {12, -12, 22, 55, -35};  // from the side, looking across it

}  // namespace

TEST_F(BatchRender, SkyAndTypeColoursWhereCellsProjectFromEveryCamera) {
    for (const float* cam : {kAbove, kOblique}) {
        SCOPED_TRACE(cam[3]);
        const Outcome r = render(5, cam);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Image im = load_png("pics/cells-000005.png");
        ASSERT_EQ(im.w, kW);
        ASSERT_EQ(im.h, kH);
        for (const auto& [x, y] : {std::pair{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW - 1, kH - 1}})
            EXPECT_TRUE(near(im.at(x, y), kSky)) << x << "," << y;
        int checked = 0, matching = 0;
        check_cells(im, cam, checked, matching);
        EXPECT_GT(checked, 100);
        EXPECT_EQ(matching, checked) << checked;
    }
}

TEST_F(BatchRender, AxisMarkersAndStampFollowTheirOptions) {
    // The x axis marker passes under the camera's row of y = 0.
    Pixel axis;
    ASSERT_TRUE(project(kAbove, kAbove[0], 0, 0, axis));
    struct Case {
        std::vector<std::string> args;
        bool axis_red, stamped;
    } cases[] = {{{}, false, false}, {{"--axes"}, true, false}, {{"--stamp"}, false, true}};
    for (const Case& c : cases) {
        const Outcome r = render(1, kAbove, c.args);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        const Image im = load_png("pics/cells-000001.png");
        ASSERT_EQ(im.w, kW);
        bool red = false;
        for (int dy = -1; dy <= 1; ++dy)
            red |= near(im.at(int(axis.x), int(axis.y) + dy), {255, 0, 0});
        EXPECT_EQ(red, c.axis_red) << c.args.size();
        EXPECT_EQ(!near(im.at(12, 12), kSky), c.stamped);
        EXPECT_TRUE(near(im.at(0, 0), kSky));
    }
}

TEST_F(BatchRender, PicturesChangeNoSimulatedValue) {
    const std::vector<std::string> run = {"--genome", kGenome,      "--cells", kColony, "--frames",
                                          "30",       "--division", "--quiet", "--out"};
    auto with = [&](std::vector<std::string> args, std::vector<std::string> more) {
        args.insert(args.end(), more.begin(), more.end());
        EXPECT_EQ(batch(args).status, kExitOk);
    };
    with(run, {"plain.txt"});
    with(run, {"drawn.txt", "--render-every", "7", "--render-dir", "pics", "--stamp", "--axes"});
    EXPECT_EQ(kt::read_file("plain.txt"), kt::read_file("drawn.txt"));
    EXPECT_FALSE(kt::read_file("plain.txt").empty());
    EXPECT_TRUE(std::filesystem::exists("pics/cells-000028.png"));
    EXPECT_FALSE(std::filesystem::exists("pics/cells-000030.png"));
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
        {{"--movie", "m.mp4", "--render-size", "1000"}, kExitUsage, "--render-size"},
        {{"--movie", "m.mp4", "--camera", "1,2,3,4"}, kExitUsage, "--camera: '1,2,3,4' is not"},
        {{"--movie", "m.mp4", "--camera", "1,2,3,4,5,6"}, kExitUsage, "--camera"},
        {{"--movie", "m.mp4", "--camera", "1,2,nan,4,5"}, kExitUsage, "--camera"},
        {{"--movie", "m.mp4", "--render-dir", "pics"}, kExitUsage, "ffmpeg", "empty-path"},
        {{"--render-every", "1", "--render-dir", "file/pics"}, kExitOutput, "picture folder"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--frames", "3", "--out", "out.txt"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (c.path) setenv("PATH", (dir_.path() / c.path).c_str(), 1);
        const Outcome r = batch(args);
        setenv("PATH", path.c_str(), 1);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists("out.txt"));
        EXPECT_FALSE(std::filesystem::exists("pics/cells-000001.png"));
        EXPECT_FALSE(std::filesystem::exists("m.mp4"));
    }
}

// What a picture adds to a batch frame at 200 000 cells: the window's drawing
// in the EGL pbuffer, reading the pixels back, and (png:1) encoding and writing
// the PNG. Each iteration is one BatchRenderer::frame, as kelvaro-batch runs it.
//
//   build/bench/kelvaro_render_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "colony.h"
#include "render.h"

namespace {

// A ball of 200 000 cells of types 2..9 at the lattice centre, as in the core
// benchmarks, seen whole from the side at 1000 x 600.
void BM_RenderFrame(benchmark::State& state) {
    kt::reset_world();
    kt::ball(200000, 1);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = 2 + (Cells[i].x * 7 + Cells[i].y * 3 + Cells[i].z) % 8;
        put_to_world(&Cells[i]);
    }
    settle_signal(3);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvaro-render";
    BatchOptions o;
    o.render_every = 1;
    if (state.range(0)) o.render_dir = dir.string();  // without: drawing and read-back only
    o.camera_given = true;
    const float cam[5] = {100, -40, 100, 90, 0};  // level, looking along +y at the ball
    std::copy(cam, cam + 5, o.camera);
    BatchRenderer r;
    if (r.open(o) != kExitOk) {
        state.SkipWithError(r.error());
        return;
    }
    for (auto _ : state) {
        if (r.frame(1) != kExitOk) state.SkipWithError(r.error());
    }
    state.SetItemsProcessed(state.iterations() * Cells_count);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RenderFrame)->ArgName("png")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

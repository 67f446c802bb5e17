// What a picture adds to a batch frame at 200 000 cells: the window's drawing
// in the EGL pbuffer and reading the pixels back, and with png:1 the PNG
// encoded and written too. Each iteration is one BatchRenderer::frame, as
// kelvaro-batch runs it, at the default 1000 x 600.
//
// The colony is the block of bench/gl_fps.py (types 2..9 mixed, on the floor
// in front of the start camera), seen from the start camera (view:0, as the
// window's frame-rate figure) or framed whole as --camera auto does (view:1,
// every cell in view: the worst case).
//
// "Time" is wall-clock time, "CPU" the whole process's, llvmpipe's threads included.
//
//   build/bench/kelvaro_render_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "colony.h"
#include "render.h"

namespace {

void block(int n) {
    const int side = std::max(1, int(std::lround(std::cbrt(n / 2.0))));
    for (int k = 0; k < n; ++k) {
        const int z = k % side, y = k / side % (2 * side), x = k / (2 * side * side);
        kt::place(2 + (x * 7 + y * 3 + z) % 8, 8 + x, 1 + y, 1 + z);
    }
}

void BM_RenderFrame(benchmark::State& state) {
    kt::reset_world();
    block(200000);
    settle_signal(3);
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kelvaro-render";
    BatchOptions o;
    o.render_every = 1;
    if (state.range(0)) o.render_dir = dir.string();
    o.camera_auto = state.range(1) != 0;
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
BENCHMARK(BM_RenderFrame)
    ->ArgNames({"png", "view"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

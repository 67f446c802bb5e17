// The view's own loops at 200 000 cells: picking a cell under the cursor, and
// the drawing decisions of a frame (on a sink that only counts) plain, with the
// heat map, and with the heat map and a slice.
//
//   build/bench/kelvaro_bench_view --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>

#include "colony.h"
#include "view/framing.h"
#include "view/picking.h"

namespace {

// A settled ball of 200 000 cells of types 2..9, the view's flags at start.
void ball_colony() {
    kt::reset_world();
    init_view_flags();
    kt::ball(kMaxCells, 1);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = 2 + (Cells[i].x * 7 + Cells[i].y * 3 + Cells[i].z) % 8;
        put_to_world(&Cells[i]);
    }
    for (int t = 2; t < 10; ++t) Signal_strength[t] = 20;
    settle_signal(30);
}

// Counts what a frame would send to GL.
struct CountingSink {
    long colours = 0, vertices = 0;
    void begin() {}
    void end() {}
    void color_ub(std::uint8_t, std::uint8_t, std::uint8_t) { ++colours; }
    void color_d(double, double, double) { ++colours; }
    void vertex(double, double, double) { ++vertices; }
};

// A click on the framed ball's middle (a hit) and on empty sky beside it (a
// miss): every live cell is looked at either way.
void BM_Pick(benchmark::State& state) {
    ball_colony();
    CellBox box;
    live_cell_box(box);
    const Tcamera cam = framing_camera(box, 1000.0f / 600.0f);
    const double x = state.range(0) ? 500 : 20;
    int picked = -1;
    for (auto _ : state) {
        picked = pick_cell(cam, 1000, 600, x, 300);
        benchmark::DoNotOptimize(picked);
    }
    state.counters["hit"] = picked >= 0;
    state.SetItemsProcessed(state.iterations() * Cells_count);
}
BENCHMARK(BM_Pick)->ArgName("hit")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The drawing decisions of a paused frame: 0 plain, 1 heat map, 2 heat map and
// a slab of 10 layers across x.
void BM_DrawCells(benchmark::State& state) {
    ball_colony();
    const int mode = int(state.range(0));
    heat_channel = mode >= 1 ? 5 : -1;
    if (mode == 2) slab = {SliceAxis::X, 95, 10};
    CountingSink sink;
    for (auto _ : state) {
        draw_cells(sink);
        benchmark::DoNotOptimize(sink.vertices);
    }
    state.counters["drawn"] = double(sink.vertices) / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * Cells_count);
    init_view_flags();
}
BENCHMARK(BM_DrawCells)->ArgName("mode")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

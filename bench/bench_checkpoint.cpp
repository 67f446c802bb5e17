// Checkpoints of a colony at the table's capacity: 200 000 cells in growth
// order with their field, clamps and column heights, written to and read back
// from a file (the atomic writer's fsync included).
//
//   build/bench/kelvaro_bench_checkpoint --benchmark_repetitions=5
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "app/checkpoint.h"
#include "colony.h"

namespace {

const std::string& checkpoint_path() {
    static const std::string path =
        (std::filesystem::temp_directory_path() / "kelvaro-bench.ckpt").string();
    return path;
}

// 200 000 cells of types 2..9, shuffled as a grown colony's table is, settled,
// after one frame with gravity: every grid has its share of sites. Compact: a
// solid ball; scattered: every third site on every axis, all over the
// lattice, the worst case for the file's size.
void full_colony(bool scattered) {
    kt::reset_world();
    if (!scattered) kt::ball(kMaxCells, 1);
    for (int x = 2; scattered && x <= kInteriorMax; x += 3)
        for (int y = 2; y <= kInteriorMax; y += 3)
            for (int z = 2; z <= kInteriorMax && Cells_count < kMaxCells; z += 3)
                kt::place(1, x, y, z);
    std::mt19937 gen(42);
    std::shuffle(Cells, Cells + Cells_count, gen);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = 2 + (Cells[i].x * 7 + Cells[i].y * 3 + Cells[i].z) % 8;
        put_to_world(&Cells[i]);
    }
    const std::string genome = kt::sample_genome(20);
    kt::write_file("/tmp/kelvaro-bench.vdna", genome);
    load_genome_from("/tmp/kelvaro-bench.vdna", nullptr);
    settle_signal(kSettlingPasses);
    k_g = 1;
    frame_pass();
}

void BM_CheckpointWrite(benchmark::State& state) {
    full_colony(state.range(0) != 0);
    for (auto _ : state)
        if (!save_checkpoint(checkpoint_path().c_str(), 1, CheckpointView{}))
            state.SkipWithError("the save failed");
    state.counters["file_MB"] = double(std::filesystem::file_size(checkpoint_path())) / 1e6;
    state.counters["cells"] = Cells_count;
}
BENCHMARK(BM_CheckpointWrite)
    ->ArgName("scattered")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CheckpointRead(benchmark::State& state) {
    full_colony(state.range(0) != 0);
    save_checkpoint(checkpoint_path().c_str(), 1, CheckpointView{});
    for (auto _ : state)
        if (!load_checkpoint(checkpoint_path().c_str()).ok) state.SkipWithError("the load failed");
    state.counters["cells"] = Cells_count;
}
BENCHMARK(BM_CheckpointRead)
    ->ArgName("scattered")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

// Throughput of the hot loops on compact colonies (solid balls of cells), in
// lattice order (the table sorted by x, y, z) and in growth order (the same
// cells shuffled, as a colony grown by division lies in its table).
//
//   build/bench/kelvaro_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include "colony.h"
#include "reference_signal.h"

namespace {

enum Order { kLattice = 0, kGrowth = 1 };

// A genome of `genes` genes whose enhancers never agree on these colonies'
// fields (channel 11 stays 0), so no cell switches and every gene is evaluated;
// each mutes one channel for its type.
void genome_of(int genes) {
    std::memset(DNA, 0, sizeof DNA);
    for (int k = 0; k < genes; ++k) {
        DNA[k].Enhancer[0] = 2;
        DNA[k].Enhancer[1] = 11;
        DNA[k].Enhancer_count = 2;
        DNA[k].Exon[0] = 4 + k % 10;
        DNA[k].Silencer[0] = 5 + k % 7;
    }
    DNA_Count = genes;
    genome_changed();
}

void shuffle_table() {
    std::mt19937 gen(42);
    std::shuffle(Cells, Cells + Cells_count, gen);
}

// A ball of `cells` cells of types 2..9 (or all type 1), settled.
void colony(int cells, int genes, Order order, bool undifferentiated = false) {
    kt::reset_world();
    kt::ball(cells, 1);
    if (order == kGrowth) shuffle_table();
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type =
            undifferentiated ? 1 : 2 + (Cells[i].x * 7 + Cells[i].y * 3 + Cells[i].z) % 8;
        put_to_world(&Cells[i]);
    }
    genome_of(genes);
    settle_signal(3);
}

// The step-by-step update's rate on the current colony, in cell updates per
// second (median of three passes).
double reference_rate() {
    double t[3];
    for (double& s : t) {
        const auto start = std::chrono::steady_clock::now();
        kt::reference_pass();
        s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::sort(t, t + 3);
    return Cells_count / t[1];
}

const std::atomic<bool> kNeverStop{false};

// The signal worker's loop over the whole table. The counter "vs_reference" is
// our rate over the step-by-step update's, measured in the same run.
void BM_SignalSweep(benchmark::State& state) {
    const auto order = Order(state.range(0));
    colony(int(state.range(1)), int(state.range(2)), order);
    const double reference = reference_rate();
    settle_signal(3);
    const int n = Cells_count;
    const auto start = std::chrono::steady_clock::now();
    bool changed = false;
    for (auto _ : state) signal_sweep(0, kNeverStop, changed);
    const double ours =
        double(state.iterations()) * n /
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["vs_reference"] = ours / reference;
}
BENCHMARK(BM_SignalSweep)
    ->ArgNames({"order", "cells", "genes"})
    ->ArgsProduct({{kLattice, kGrowth}, {10000, 50000, 200000}, {0, 50}})
    ->Unit(benchmark::kMillisecond);

// The step-by-step update itself.
void BM_SignalReference(benchmark::State& state) {
    colony(200000, int(state.range(1)), Order(state.range(0)));
    for (auto _ : state) kt::reference_pass();
    state.SetItemsProcessed(state.iterations() * Cells_count);
}
BENCHMARK(BM_SignalReference)
    ->ArgNames({"order", "genes"})
    ->ArgsProduct({{kLattice, kGrowth}, {50}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A reload of a 200 000-cell colony: clearing the grids, reading the file, and
// the settling passes (which stop once a pass changes nothing).
void BM_Reload(benchmark::State& state) {
    kt::ScratchFolder dir;
    colony(200000, 20, Order(state.range(0)));
    save_cell_list();
    for (auto _ : state) load_cell_list_from(kCellFile, 0);
    state.counters["cells"] = Cells_count;
}
BENCHMARK(BM_Reload)->ArgName("order")->Arg(kLattice)->Arg(kGrowth)->Unit(benchmark::kMillisecond);

// One settling pass (the plain kernel that runs while the worker is parked).
// A reload that needs all 200 passes costs 200 of these plus the reading.
void BM_SettlePass(benchmark::State& state) {
    colony(200000, 20, Order(state.range(0)));
    for (auto _ : state) settle_signal(1);
    state.SetItemsProcessed(state.iterations() * Cells_count);
}
BENCHMARK(BM_SettlePass)
    ->ArgName("order")
    ->Arg(kLattice)
    ->Arg(kGrowth)
    ->Unit(benchmark::kMillisecond);

// The frame pass without drawing (what kelvaro-batch runs), division off. The
// undifferentiated colony is the worst case: every gene is tested on every cell.
void BM_FramePass(benchmark::State& state) {
    colony(200000, int(state.range(1)), Order(state.range(0)), state.range(2) != 0);
    init_view_flags();
    for (auto _ : state) frame_pass();
    state.SetItemsProcessed(state.iterations() * Cells_count);
}
BENCHMARK(BM_FramePass)
    ->ArgNames({"order", "genes", "type1"})
    ->ArgsProduct({{kLattice, kGrowth}, {20}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Gene expression with division on, on type-1 cells that never switch: one draw
// and one enhancer test per gene. Items are cell-gene evaluations.
void BM_GeneExpression(benchmark::State& state) {
    const int genes = int(state.range(0));
    colony(200000, genes, kLattice, true);
    DNA[0].MPF = 1;  // a division gene whose enhancers never agree: every draw is taken
    genome_changed();
    k_v = 1;
    const int n = Cells_count;
    for (auto _ : state)
        for (int i = 0; i < n; ++i) express_genes(i);
    state.SetItemsProcessed(state.iterations() * n * std::max(genes, 1));
    k_v = 0;
}
BENCHMARK(BM_GeneExpression)
    ->ArgName("genes")
    ->Arg(1)
    ->Arg(20)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

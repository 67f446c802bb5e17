// Throughput of the hot loops on compact colonies (solid balls of cells).
#include <benchmark/benchmark.h>

#include "colony.h"

namespace {

// A genome of `genes` genes whose enhancers never agree on the field of a ball
// of type-2 emitters, so no cell switches: every gene is evaluated in full.
void genome_of(int genes) {
    std::memset(DNA, 0, sizeof DNA);
    for (int k = 0; k < genes; ++k) {
        DNA[k].Enhancer[0] = 2;
        DNA[k].Enhancer[1] = 11;  // channel 11 stays 0 in these colonies
        DNA[k].Enhancer_count = 2;
        DNA[k].Exon[0] = 4 + k % 10;
        DNA[k].Silencer[0] = 5 + k % 7;
    }
    DNA_Count = genes;
    genome_changed();
}

// A ball of `cells` cells in lattice order, mixing emitters of channels 2..9.
void colony(int cells, int genes) {
    kt::reset_world();
    kt::ball(cells, 1);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = 2 + (i * 7) % 8;
        Put_to_World(&Cells[i]);
    }
    genome_of(genes);
    settle_signal(3);
}

void BM_SignalUpdate(benchmark::State& state) {
    colony(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const int n = Cells_count;
    for (auto _ : state)
        for (int i = 0; i < n; ++i) add_signal(i);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["cells"] = n;
}
BENCHMARK(BM_SignalUpdate)
    ->ArgNames({"cells", "genes"})
    ->ArgsProduct({{10000, 50000, 200000}, {0, 50}})
    ->Unit(benchmark::kMillisecond);

// Gene expression on type-1 cells that never switch: the full loop, one draw
// and one enhancer test per gene. Items are cell-gene evaluations.
void BM_GeneExpression(benchmark::State& state) {
    const int genes = static_cast<int>(state.range(0));
    colony(200000, genes);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = 1;
        Put_to_World(&Cells[i]);
    }
    const int n = Cells_count;
    for (auto _ : state)
        for (int i = 0; i < n; ++i) Get_type_Cell(i);
    state.SetItemsProcessed(state.iterations() * n * std::max(genes, 1));
}
BENCHMARK(BM_GeneExpression)
    ->ArgName("genes")
    ->Arg(1)
    ->Arg(20)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);

// The same on differentiated cells with division off: no gene can act, the
// draws are jumped over.
void BM_GeneExpressionDifferentiated(benchmark::State& state) {
    const int genes = static_cast<int>(state.range(0));
    colony(200000, genes);
    const int n = Cells_count;
    for (auto _ : state)
        for (int i = 0; i < n; ++i) Get_type_Cell(i);
    state.SetItemsProcessed(state.iterations() * n * std::max(genes, 1));
}
BENCHMARK(BM_GeneExpressionDifferentiated)
    ->ArgName("genes")
    ->Arg(20)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

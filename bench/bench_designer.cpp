// The costs of the genome designer's loop at the table's capacity: the
// history's recording on the frame pass, a paused step with its kept state
// (F3), a step back (F7), the ring's memory over 100 steps, and following the
// genome file while it does not change (F8).
//
//   build/bench/kelvaro_bench_designer --benchmark_repetitions=5 --benchmark_report_aggregates_only
//
// The frame pass without events is kelvaro_bench's BM_FramePass; run it on
// this build and on one without the history for the history's cost there.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "app/bytes.h"
#include "app/file_watch.h"
#include "app/step_ring.h"
#include "colony.h"

namespace {

// 200 000 cells in growth order (a shuffled ball), settled, with 20 genes.
// Undifferentiated: every cell switches to type 5 in the next pass, by the
// last gene (the first 19 never match). Lifted: the ball floats above the
// floor, so that with gravity its cells fall and walk, and steps differ.
void capacity_colony(bool undifferentiated, bool lifted) {
    kt::reset_world();
    kt::ball(kMaxCells, 1, 100, 100, lifted ? 120 : 100);
    std::mt19937 gen(42);
    std::shuffle(Cells, Cells + Cells_count, gen);
    for (int i = 0; i < Cells_count; ++i) {
        Cells[i].type = undifferentiated ? 1 : 2 + (Cells[i].x * 7 + Cells[i].y * 3) % 8;
        put_to_world(&Cells[i]);
    }
    for (int k = 0; k < 19; ++k) kt::gene(k, {11, 12}, 4 + k % 10, 5 + k % 7);
    kt::gene(19, {1, 1}, 5);  // type 1 lays down channel 1: every type-1 cell switches
    settle_signal(3);
    init_view_flags();
}

void count_event(void* n, const HistoryEvent&) {
    ++*static_cast<long*>(n);
}

// A frame pass in which every one of the 200 000 cells changes type: the
// history's worst case, with and without an events sink (--events).
void BM_FramePassEveryCellSwitches(benchmark::State& state) {
    capacity_colony(true, false);
    long events = 0;
    if (state.range(0)) set_history_sink(count_event, &events);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < Cells_count; ++i) {
            Cells[i].type = 1;
            put_to_world(&Cells[i]);
        }
        state.ResumeTiming();
        frame_pass();
    }
    set_history_sink(nullptr, nullptr);
    state.SetItemsProcessed(state.iterations() * Cells_count);
    state.counters["events_per_pass"] = double(events) / double(state.iterations());
}
BENCHMARK(BM_FramePassEveryCellSwitches)
    ->ArgName("sink")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

// The history's own work for 200 000 type changes and births, alone.
void BM_HistoryRecording(benchmark::State& state) {
    capacity_colony(false, false);
    for (auto _ : state) {
        for (int i = 1; i < Cells_count; ++i) history_type_changed(i, 3, 1, 5);
        for (int i = 1; i < Cells_count; ++i) history_born(i, i / 2, 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 2 * (Cells_count - 1));
}
BENCHMARK(BM_HistoryRecording)->Unit(benchmark::kMillisecond);

// One paused step as F3 runs it, with the state it starts from kept for F7:
// the kept state, one signal pass, one frame pass with gravity.
void BM_StepWithKeptState(benchmark::State& state) {
    capacity_colony(false, true);
    k_g = 1;
    keep_step_state(0);  // the ring is set up before the first timed step
    long frame = 1;
    for (auto _ : state) {
        keep_step_state(frame++);
        settle_signal(1);
        frame_pass();
    }
    state.counters["kept"] = step_states_kept();
    state.counters["ring_MB"] = double(step_ring_bytes()) / 1e6;
    clear_step_states();
}
BENCHMARK(BM_StepWithKeptState)->Unit(benchmark::kMillisecond)->UseRealTime();

// F7: the newest kept state back, and the one before it rebuilt from its patch.
void BM_StepBack(benchmark::State& state) {
    capacity_colony(false, true);
    k_g = 1;
    for (auto _ : state) {
        state.PauseTiming();
        for (int s = 0; s < 2; ++s) {
            keep_step_state(s);
            settle_signal(1);
            frame_pass();
        }
        state.ResumeTiming();
        if (!restore_step_state().ok) state.SkipWithError("nothing to step back to");
    }
    clear_step_states();
}
BENCHMARK(BM_StepBack)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ring after 100 steps at 200 000 cells: how many it kept, in how much memory.
void BM_HundredKeptSteps(benchmark::State& state) {
    capacity_colony(false, true);
    k_g = 1;
    for (auto _ : state)
        for (int f = 0; f < 100; ++f) {
            keep_step_state(f);
            settle_signal(1);
            frame_pass();
        }
    state.counters["kept"] = step_states_kept();
    state.counters["ring_MB"] = double(step_ring_bytes()) / 1e6;
    Bytes whole;  // one state's payload, uncompressed
    capture_checkpoint_payload(whole, 0);
    state.counters["payload_MB"] = double(whole.size()) / 1e6;
    state.counters["patches_MB"] = double(step_ring_patch_bytes()) / 1e6;
    clear_step_states();
}
BENCHMARK(BM_HundredKeptSteps)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// F8 while the file does not change: one look at the watch's empty queue, as
// each frame makes.
void BM_FollowingAnUnchangedGenome(benchmark::State& state) {
    kt::ScratchFolder dir;
    kt::write_file("dna.vdna", "EN=2;EN=3;EX=5\n");
    FileWatch watch;
    if (!watch.start(".", "dna.vdna")) state.SkipWithError("no inotify");
    for (auto _ : state) benchmark::DoNotOptimize(watch.take());
}
BENCHMARK(BM_FollowingAnUnchangedGenome);

}  // namespace

BENCHMARK_MAIN();

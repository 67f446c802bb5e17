// Per-cell history, recorded by division and gene expression.
#include "sim/history.h"
#include "sim/world.h"

#include <cassert>
#include <cstring>

CellHistory Cells_history[kMaxCells];
std::int32_t history_frame = 0;

namespace {

HistorySink g_sink = nullptr;
void* g_sink_context = nullptr;

void emit(const HistoryEvent& e) {
    if (g_sink) g_sink(g_sink_context, e);
}

}  // namespace

void set_history_sink(HistorySink sink, void* context) {
    g_sink = sink;
    g_sink_context = context;
}

void history_loaded(int n) {
    for (int i = 0; i < n; ++i) Cells_history[i] = {history_frame, -1, 0, -1, -1, -1};
}

void history_unknown(int n) {
    // Every field -1: all bytes set.
    std::memset(Cells_history, 0xff, sizeof(CellHistory) * std::size_t(n));
}

void history_born(int daughter, int parent, int gene) {
    assert(parent >= 0 && parent < daughter && daughter < kMaxCells);
    const std::int32_t g = Cells_history[parent].generation;
    // A parent of unknown descent has a daughter of unknown generation.
    Cells_history[daughter] = {history_frame, parent, g < 0 ? -1 : g + 1, -1, -1, -1};
    if (g_sink) {
        // The grid holds the parent's type: its record is refreshed only after its genes ran.
        const TCells& p = Cells[parent];
        emit({history_frame, HistoryEventKind::Divide, parent, daughter, gene, world[p.x][p.y][p.z],
              Cells[daughter].type});
    }
}

void history_type_changed(int i, int gene, std::int32_t from, std::int32_t to) {
    CellHistory& h = Cells_history[i];
    h.type_frame = history_frame;
    h.type_gene = gene;
    h.previous_type = from;
    if (g_sink) emit({history_frame, HistoryEventKind::Type, i, -1, gene, from, to});
}

void reset_history() {
    history_unknown(kMaxCells);
    history_frame = 0;
}

namespace {
// Unknown everywhere before main() runs, as after a reset.
[[maybe_unused]] const bool g_history_ready = (reset_history(), true);
}  // namespace

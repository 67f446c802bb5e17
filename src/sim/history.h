// Per-cell history: where each cell came from and what last set its type.
// Division and gene expression record it as they act, with no draw of their
// own, so it never changes what the simulation does. A table parallel to
// Cells, allocated once at capacity; main thread only.
#pragma once

#include <cstdint>

#include "sim/sizes.h"

#pragma GCC visibility push(hidden)  // as in world.h

// What is known of one cell; -1 where nothing is (a cell loaded from an old
// checkpoint has -1 everywhere).
struct CellHistory {
    std::int32_t born_frame;     // frame it was born in, or was loaded at
    std::int32_t parent;         // the cell it divided from; -1 for a loaded cell
    std::int32_t generation;     // 0 for a loaded cell, the parent's + 1 for a daughter
    std::int32_t type_frame;     // frame its type last changed; -1 while it never has
    std::int32_t type_gene;      // gene slot that changed it; -1 for none (type 8)
    std::int32_t previous_type;  // its type before that change; -1 while it never changed
};
static_assert(sizeof(CellHistory) == 24);

// The history of record i of Cells, for the live records 0..Cells_count-1.
extern CellHistory Cells_history[kMaxCells];

// The frame being run: what births and type changes are stamped with. The
// programs set it before each frame's pass (and before a load).
extern std::int32_t history_frame;

// What one event is.
enum class HistoryEventKind { Divide, Type };

// One division or type change, as it happens.
struct HistoryEvent {
    std::int32_t frame;      // history_frame when it happened
    HistoryEventKind kind;   // a division or a type change
    std::int32_t cell;       // the dividing cell, or the cell whose type changed
    std::int32_t other;      // the daughter for a division, -1 otherwise
    std::int32_t gene;       // the gene that acted; -1 for none (divide-all, type 8)
    std::int32_t from_type;  // the cell's type before (the parent's, for a division)
    std::int32_t to_type;    // its type after (the daughter's, for a division)
};

// Where events go while a run wants them (kelvaro-batch's --events); no
// events are made while it is null.
using HistorySink = void (*)(void* context, const HistoryEvent& event);
// Makes `sink` receive every event from now on; null stops them.
void set_history_sink(HistorySink sink, void* context);

// Records 0..n-1 were loaded now: no parent, generation 0, no type change.
void history_loaded(int n);
// Records 0..n-1 have no known history (an old checkpoint): -1 everywhere.
void history_unknown(int n);
// Cell `daughter` was just born from `parent`, divided by `gene` (-1: divide-all).
void history_born(int daughter, int parent, int gene);
// Cell i's type just changed from `from` to `to`, by `gene` (-1: none).
void history_type_changed(int i, int gene, std::int32_t from, std::int32_t to);
// Forgets every record and sets the frame to 0, as at program start.
void reset_history();

#pragma GCC visibility pop

// The view's one cell filter: which cells the window draws, picks and scans
// for the heat map's range. It decides only what is shown, never what runs.
#pragma once

#include "sim/world.h"
#include "view/flags.h"

// What the view's filters make of a cell.
enum class CellShown {
    Isolated,  // isolate mode shows another type: nothing is issued for it
    Hidden,    // a hidden type-1 cell or one outside the slice: its colour is issued, no point
    Shown,     // drawn
};

// The view's one cell filter: isolate mode, then the type-1 switch, the types
// hidden one by one and the slice.
inline CellShown cell_shown(const TCells& c) {
    if (move_file != 0 && c.type != show_len) return CellShown::Isolated;
    if ((!k_l && c.type == 1) || type_hidden(c.type) || !in_slab(slab, c.x, c.y, c.z))
        return CellShown::Hidden;
    return CellShown::Shown;
}

// Cell i is drawn under the view's filters.
inline bool cell_drawn(int i) {
    return cell_shown(Cells[i]) == CellShown::Shown;
}

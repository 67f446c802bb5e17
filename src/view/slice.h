// The slice: only the cells in a slab of layers across one axis are drawn, so
// that the inside of a solid colony shows. Pure arithmetic; the key poll keeps
// the window's slab in the view flags.
#pragma once

#include "sim/sizes.h"
#include "view/cell_box.h"

// The axis the slab lies across; Off draws every cell.
enum class SliceAxis { Off, X, Y, Z };

// Layers first .. first + thickness - 1 across `axis`.
struct Slab {
    SliceAxis axis = SliceAxis::Off;  // across which axis; Off: no slice
    int first = 1;                    // the lowest layer in the slab, 1..200
    int thickness = 1;                // layers in the slab, 1..200
};

inline constexpr int kMaxSlabThickness = kInteriorMax;  // the whole lattice

// The site lies in the slab (always, when the slice is off).
inline bool in_slab(const Slab& slab, int x, int y, int z) {
    const int v = slab.axis == SliceAxis::X ? x : slab.axis == SliceAxis::Y ? y : z;
    return slab.axis == SliceAxis::Off || unsigned(v - slab.first) < unsigned(slab.thickness);
}

// The first layer of a slab of `thickness` centred on the middle of `box` along
// `axis` (its lower middle layer when the middle falls between two), kept in 1..200.
int slab_start(const CellBox& box, SliceAxis axis, int thickness);
// A slice across `axis`, starting at the middle of `box` (or of the lattice
// when the colony is empty, `box` null).
void start_slice(Slab& slab, SliceAxis axis, const CellBox* box);
// The next axis, Off -> X -> Y -> Z -> Off, started as start_slice starts it.
void next_slice_axis(Slab& slab, const CellBox* box);
// Moves the slab by `layers` (negative: down), keeping its first layer in 1..200.
void move_slab(Slab& slab, int layers);
// Makes the slab `delta` layers thicker (negative: thinner), kept in 1..200.
void resize_slab(Slab& slab, int delta);
// A short name of the axis for the view's captions: "off", "x", "y", "z".
const char* slice_axis_name(SliceAxis axis);

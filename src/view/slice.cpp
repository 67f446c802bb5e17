// The slab's arithmetic.
#include "view/slice.h"

#include <algorithm>

namespace {

int clamp_layer(int v) {
    return std::clamp(v, kInteriorMin, kInteriorMax);
}

}  // namespace

int slab_start(const CellBox& box, SliceAxis axis, int thickness) {
    if (axis == SliceAxis::Off) return kInteriorMin;
    const int a = int(axis) - 1;
    const int middle = (box.lo[a] + box.hi[a]) / 2;
    return clamp_layer(middle - (thickness - 1) / 2);
}

void start_slice(Slab& slab, SliceAxis axis, const CellBox* box) {
    const CellBox lattice = {{kInteriorMin, kInteriorMin, kInteriorMin},
                             {kInteriorMax, kInteriorMax, kInteriorMax}};
    slab.axis = axis;
    slab.first = slab_start(box ? *box : lattice, axis, slab.thickness);
}

void next_slice_axis(Slab& slab, const CellBox* box) {
    start_slice(slab, slab.axis == SliceAxis::Z ? SliceAxis::Off : SliceAxis(int(slab.axis) + 1),
                box);
}

void move_slab(Slab& slab, int layers) {
    slab.first = clamp_layer(slab.first + layers);
}

void resize_slab(Slab& slab, int delta) {
    slab.thickness = std::clamp(slab.thickness + delta, 1, kMaxSlabThickness);
}

const char* slice_axis_name(SliceAxis axis) {
    switch (axis) {
        case SliceAxis::X: return "x";
        case SliceAxis::Y: return "y";
        case SliceAxis::Z: return "z";
        case SliceAxis::Off: break;
    }
    return "off";
}

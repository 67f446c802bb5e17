// The heat map: a channel's levels as colours through a perceptual colour map
// (dark violet through blue, teal and green to yellow, even steps of
// lightness). The scale is the channel's range among the cells drawn: each
// frame is coloured with the range gathered while the previous frame was drawn,
// so the scale costs no pass of its own; a fresh range is scanned when the
// channel changes.
#pragma once

#include <climits>
#include <cstdint>

#include "view/rgb.h"

// The lowest and highest level seen; empty until a level is seen.
struct HeatRange {
    std::int32_t lo = INT_MAX;  // lowest level seen
    std::int32_t hi = INT_MIN;  // highest level seen
    // Takes one level into the range.
    void widen(std::int32_t v) {
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
    // No level was seen.
    bool empty() const { return lo > hi; }
};

// A range turned into steps of the colour map: level lo is step 0, level hi the
// last step; a range of one level sits on the middle step.
struct HeatScale {
    std::int32_t lo = 0;  // the level of step 0
    float per_level = 0;  // steps per level
    int flat_step = 0;    // the step of every level when the range holds one level
};

// Steps of the colour map.
inline constexpr int kHeatSteps = 256;

// The colour map's step `step` (0..kHeatSteps-1; others are clamped).
Rgb heat_ramp(int step);
// The scale that spreads `range` over the colour map (an empty range: all middle).
HeatScale heat_scale(const HeatRange& range);
// The step of `level` on `scale`, clamped to the map.
inline int heat_step(const HeatScale& scale, std::int32_t level) {
    if (scale.per_level == 0) return scale.flat_step;
    const float s = float(level - scale.lo) * scale.per_level;
    return s <= 0 ? 0 : s >= kHeatSteps - 1 ? kHeatSteps - 1 : int(s + 0.5f);
}
// The colour of `level` on `scale`.
inline Rgb heat_color(const HeatScale& scale, std::int32_t level) {
    return heat_ramp(heat_step(scale, level));
}

// The heat map between frames: the channel the ranges belong to, the range that
// colours this frame, and the range of the cells drawn so far. Main thread only.
struct HeatFrame {
    int channel = -1;     // the channel of `shown`, -1 before the first heat frame
    HeatRange shown;      // the range of the scale, as the colour bar tells it
    HeatScale scale;      // `shown` as steps
    HeatRange gathering;  // the levels of the cells drawn in this frame so far
};
// The window's (or a picture's) heat map state.
extern HeatFrame heat_frame;

// Before a frame's drawing on `channel` (-1: no heat map): a changed channel
// scans a fresh range over the cells drawn now; otherwise the last frame's
// range gives the scale.
void heat_frame_begin(int channel);
// After a frame's drawing: the range gathered becomes the next frame's (a frame
// that drew no cell keeps the old one).
void heat_frame_end();
// The range of `channel` among the live cells that the view draws now.
HeatRange heat_range_scan(int channel);

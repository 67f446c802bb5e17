// The colour map and the heat map's range from frame to frame.
#include "view/heat_map.h"

#include <array>

#include "view/cell_filter.h"

HeatFrame heat_frame;

namespace {

// The map at eleven even stops (0, 0.1, ..., 1); lightness rises evenly along
// it and it stays readable to red-green colour-blind eyes.
constexpr Rgb kStops[11] = {
    {68, 1, 84},    {72, 36, 117},  {65, 68, 135},  {53, 95, 141},  {42, 120, 142}, {33, 145, 140},
    {34, 168, 132}, {68, 191, 112}, {122, 209, 81}, {189, 223, 38}, {253, 231, 37},
};

constexpr std::array<Rgb, kHeatSteps> make_ramp() {
    std::array<Rgb, kHeatSteps> ramp{};
    for (int s = 0; s < kHeatSteps; ++s) {
        const int scaled = s * 10 * 256 / (kHeatSteps - 1);  // position in 1/256 of a stop
        const int k = scaled / 256 < 10 ? scaled / 256 : 9;
        const int t = scaled - k * 256;
        auto mix = [t](int a, int b) { return std::uint8_t((a * (256 - t) + b * t + 128) / 256); };
        ramp[s] = {mix(kStops[k].r, kStops[k + 1].r), mix(kStops[k].g, kStops[k + 1].g),
                   mix(kStops[k].b, kStops[k + 1].b)};
    }
    return ramp;
}

constexpr std::array<Rgb, kHeatSteps> kRamp = make_ramp();

}  // namespace

Rgb heat_ramp(int step) {
    return kRamp[step < 0 ? 0 : step >= kHeatSteps ? kHeatSteps - 1 : step];
}

HeatScale heat_scale(const HeatRange& range) {
    HeatScale s;
    s.flat_step = kHeatSteps / 2;
    if (range.empty() || range.lo == range.hi) {
        s.lo = range.empty() ? 0 : range.lo;
        return s;
    }
    s.lo = range.lo;
    s.per_level = float(kHeatSteps - 1) / (float(range.hi) - float(range.lo));
    return s;
}

HeatRange heat_range_scan(int channel) {
    HeatRange r;
    if (channel < 0 || channel >= kChannels) return r;
    const int n = Cells_count;
    for (int i = 0; i < n; ++i)
        if (cell_drawn(i)) {
            const TCells& c = Cells[i];
            r.widen(ld(world_signal[c.x][c.y][c.z][channel]));
        }
    return r;
}

void heat_frame_begin(int channel) {
    HeatFrame& h = heat_frame;
    if (channel < 0) {
        h.channel = -1;  // a later heat frame starts from a fresh range
        return;
    }
    if (channel != h.channel || h.shown.empty()) {
        h.channel = channel;
        h.shown = heat_range_scan(channel);
    }
    h.scale = heat_scale(h.shown);
    h.gathering = HeatRange{};
}

void heat_frame_end() {
    if (!heat_frame.gathering.empty()) heat_frame.shown = heat_frame.gathering;
}

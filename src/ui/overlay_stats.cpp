// The overlay's statistics: no GL.
#include "ui/overlay_stats.h"

#include "sim/world.h"
#include "view/cell_drawing.h"

#include <algorithm>
#include <iterator>

Rgb census_colour(int type) {
    Rgb c;
    if (type == TypeCensus::kOther || !type_color(type, c)) c = {128, 128, 128};
    return c;
}

void TypeCensus::take() {
    std::fill(std::begin(count), std::end(count), 0);
    live = Cells_count;
    for (int i = 0; i < live; ++i) {
        const std::int32_t t = Cells[i].type;
        ++count[t >= 0 && t < kTypes ? t : kOther];
    }
}

int TypeCensus::top(int n, int* out) const {
    int found = 0;
    for (int t = 0; t <= kOther; ++t) {
        if (count[t] == 0) continue;
        // Insertion into the short list, most numerous first, earlier type on ties.
        int at = std::min(found, n);
        while (at > 0 && count[out[at - 1]] < count[t]) --at;
        if (at >= n) continue;
        for (int k = std::min(found, n - 1); k > at; --k) out[k] = out[k - 1];
        out[at] = t;
        found = std::min(found + 1, n);
    }
    return found;
}

void RateMeter::add(double time_s, double total) {
    time_[head_] = time_s;
    total_[head_] = total;
    head_ = (head_ + 1) % kSamples;
    size_ = std::min(size_ + 1, kSamples);
}

double RateMeter::rate() const {
    if (size_ < 2) return 0;
    const int newest = (head_ - 1 + kSamples) % kSamples;
    // The oldest sample still inside the window (at least the one before the newest).
    int oldest = (newest - 1 + kSamples) % kSamples;
    for (int k = 2; k < size_; ++k) {
        const int s = (newest - k + kSamples) % kSamples;
        if (time_[newest] - time_[s] > window_) break;
        oldest = s;
    }
    const double span = time_[newest] - time_[oldest];
    return span > 0 ? (total_[newest] - total_[oldest]) / span : 0;
}

void PopulationHistory::record(const TypeCensus& census) {
    live_[head_] = census.live;
    std::copy(std::begin(census.count), std::end(census.count), count_[head_]);
    head_ = (head_ + 1) % kFrames;
    size_ = std::min(size_ + 1, kFrames);
}

std::int32_t PopulationHistory::peak_live() const {
    std::int32_t peak = 0;
    for (int a = 0; a < size_; ++a) peak = std::max(peak, live(a));
    return peak;
}

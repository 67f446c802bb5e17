// What the overlay shows, kept every frame without GL: the type census, rates
// over a sliding window and the population history.
#pragma once

#include <cstdint>

#include "sim/sizes.h"
#include "view/rgb.h"

// Cells per type in the live colony: types 0..99, and one bucket for all others.
struct TypeCensus {
    static constexpr int kOther = kTypes;  // the bucket of every type outside 0..99
    std::int32_t count[kTypes + 1];        // cells per type, kOther for the rest
    std::int32_t live;                     // live cells counted

    // Counts the live colony.
    void take();
    // The `n` most numerous types present, most numerous first (ties: lower
    // type first; the "other" bucket is index kOther). Returns how many.
    int top(int n, int* out) const;
};

// A type's colour for swatches and plot lines: its own, or grey for a type
// without one and for the "other" bucket.
Rgb census_colour(int type);

// A rate over a sliding window: samples of a running total (frames drawn,
// signal passes done) with their times; the rate is the growth of the total
// over the last `window` seconds.
class RateMeter {
   public:
    // A meter over the last `window_s` seconds.
    explicit RateMeter(double window_s = 1.0) : window_(window_s) {}
    // Adds a sample: the running total at a time in seconds.
    void add(double time_s, double total);
    // Growth of the total per second over the window; 0 before two samples.
    double rate() const;

   private:
    static constexpr int kSamples = 512;
    double time_[kSamples] = {}, total_[kSamples] = {};
    int head_ = 0, size_ = 0;
    double window_;
};

// The census of the last kFrames frames, for the population plot.
class PopulationHistory {
   public:
    static constexpr int kFrames = 600;  // frames kept
    // Adds the newest frame's census, dropping the oldest beyond kFrames.
    void record(const TypeCensus& census);
    // Frames recorded, at most kFrames.
    int size() const { return size_; }
    // Frame `age` back (0 the newest): the live cells, or the cells of `type`.
    std::int32_t live(int age) const { return live_[slot(age)]; }
    std::int32_t count(int age, int type) const { return count_[slot(age)][type]; }
    // The most live cells over the frames kept.
    std::int32_t peak_live() const;

   private:
    int slot(int age) const { return (head_ - 1 - age + kFrames) % kFrames; }
    std::int32_t live_[kFrames] = {};
    std::int32_t count_[kFrames][kTypes + 1] = {};
    int head_ = 0, size_ = 0;
};

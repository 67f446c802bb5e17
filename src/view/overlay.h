// overlay: what a person watching the embryo wants to know, drawn over the view
// on F1 (frame, cells, type counts, rates, switches, keys, a population plot),
// and screenshots on F12. Neither key belongs to the simulation's key table,
// and nothing here changes a simulated value.
#pragma once

#include <cstdint>

#include "sim/Cell.h"

// ---------------------------------------------------------------------------
// Statistics (no GL): what the overlay shows, kept every frame.
// ---------------------------------------------------------------------------

// Cells per type in the live colony: types 0..99, and one bucket for all others.
struct TypeCensus {
    static constexpr int kOther = kTypes;
    std::int32_t count[kTypes + 1];
    std::int32_t live;

    void take();
    // The `n` most numerous types present, most numerous first (ties: lower
    // type first; the "other" bucket is index kOther). Returns how many.
    int top(int n, int* out) const;
};

// A rate over a sliding window: samples of a running total (frames drawn,
// signal passes done) with their times; the rate is the growth of the total
// over the last `window` seconds.
class RateMeter {
   public:
    explicit RateMeter(double window_s = 1.0) : window_(window_s) {}
    void add(double time_s, double total);
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
    static constexpr int kFrames = 600;
    void record(const TypeCensus& census);
    int size() const { return size_; }
    // Frame `age` back (0 the newest): the live cells, or the cells of `type`.
    std::int32_t live(int age) const { return live_[slot(age)]; }
    std::int32_t count(int age, int type) const { return count_[slot(age)][type]; }
    std::int32_t peak_live() const;

   private:
    int slot(int age) const { return (head_ - 1 - age + kFrames) % kFrames; }
    std::int32_t live_[kFrames] = {};
    std::int32_t count_[kFrames][kTypes + 1] = {};
    int head_ = 0, size_ = 0;
};

// A PNG of `width` x `height` RGB pixels (rows bottom-up, as GL reads them),
// written under a temporary name and renamed. False when it cannot be written.
bool write_png(const char* path, int width, int height, const std::uint8_t* rgb_bottom_up);

// ---------------------------------------------------------------------------
// The window program's side (GL)
// ---------------------------------------------------------------------------

extern BOOLEAN show_overlay;  // F1; off at start
extern long frame_number;     // frames rendered since start

// Once per frame, after the scene: updates the statistics and, while
// show_overlay is set, draws the overlay over a client area of width x height.
// Leaves every piece of GL state as it found it, the current colour included.
void overlay_frame(int width, int height);

// Reads the frame just drawn (before the swap) and saves it as
// "kelvaro-NNNNNN.png" (NNNNNN the frame number) in the working folder.
bool save_screenshot(int width, int height);

// The progress of Colony.run as a tqdm bar, where tqdm is installed; nothing
// otherwise, and nothing unless asked for.
#pragma once

#include <pybind11/pybind11.h>

#include <chrono>

#include "run_loop.h"

namespace kelvaro {

// A tqdm bar fed by the run loop after every frame. The run loop calls it
// without the GIL; it takes the GIL a few times a second to move the bar.
class ProgressBar final : public FrameHook {
   public:
    // A bar over `frames` frames when `wanted` and tqdm imports; with the GIL.
    ProgressBar(bool wanted, int frames);
    // Closes the bar; with the GIL.
    ~ProgressBar() override;
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // The hook to give the run loop: null when there is no bar.
    FrameHook* hook() { return bar_ ? this : nullptr; }
    // Without the GIL: counts the frame, and shows the count now and then.
    void after_frame(int frame) override;

   private:
    // With the GIL: moves the bar by the frames not shown yet.
    void show();
    pybind11::object bar_;
    int pending_ = 0;
    std::chrono::steady_clock::time_point shown_;
};

}  // namespace kelvaro

// The tqdm bar of Colony.run.
#include "progress.h"

namespace py = pybind11;

namespace kelvaro {

namespace {
// Often enough to look live, rarely enough to cost nothing next to a frame.
constexpr auto kShowEvery = std::chrono::milliseconds(100);
}  // namespace

ProgressBar::ProgressBar(bool wanted, int frames) {
    if (!wanted || frames <= 0) return;
    try {
        const py::object tqdm = py::module_::import("tqdm").attr("tqdm");
        bar_ =
            tqdm(py::arg("total") = frames, py::arg("unit") = "frame", py::arg("desc") = "kelvaro");
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_ImportError)) throw;
        // Without tqdm there is no bar, as promised: nothing is shown.
    }
    shown_ = std::chrono::steady_clock::now();
}

ProgressBar::~ProgressBar() {
    if (!bar_) return;
    try {
        show();
        bar_.attr("close")();
    } catch (py::error_already_set&) {
        // A bar that fails to close costs the run nothing.
    }
}

void ProgressBar::after_frame(int) {
    ++pending_;
    const auto now = std::chrono::steady_clock::now();
    if (now - shown_ < kShowEvery) return;
    shown_ = now;
    py::gil_scoped_acquire gil;
    show();
}

void ProgressBar::show() {
    if (!bar_ || pending_ == 0) return;
    try {
        bar_.attr("set_postfix_str")(std::to_string(Cells_count) + " cells",
                                     py::arg("refresh") = false);
        bar_.attr("update")(pending_);
    } catch (py::error_already_set&) {
        // A bar that cannot be drawn is dropped; the run goes on.
        bar_ = py::object();
    }
    pending_ = 0;
}

}  // namespace kelvaro

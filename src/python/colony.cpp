// The Colony's calls into the batch run loop: each takes the run loop's lines
// into a CapturedLog and turns them into warnings or one exception.
#include "colony.h"

#include <cstring>
#include <optional>

#include "arrays.h"
#include "messages.h"
#include "progress.h"
#include "render.h"
#include "run_loop.h"

namespace py = pybind11;

namespace kelvaro {

namespace {

// The Colony that holds the process's simulation state, or null. Read and
// written with the GIL held.
Colony* g_live = nullptr;

constexpr const char* kReplacing =
    "a new kelvaro.Colony replaced the one alive in this process, which is now closed (the "
    "simulation state is the process's own; run colonies side by side in processes of their own)";
constexpr const char* kReplaceBusy =
    "a kelvaro.Colony is running in another thread of this process; a new one can replace it "
    "only once that call returns";

// Closes the live colony, if any, for one about to load: warns first, so that
// a warning turned into an error leaves the old colony as it was.
void replace_live() {
    if (g_live == nullptr) return;
    if (g_live->busy()) throw std::runtime_error(kReplaceBusy);
    if (PyErr_WarnEx(PyExc_UserWarning, kReplacing, 1) != 0) throw py::error_already_set();
    g_live->close_replaced();
}

}  // namespace

class Colony::Busy {
   public:
    explicit Busy(Colony& c) : c_(c) {
        c_.check_usable();
        c_.busy_ = true;
    }
    ~Busy() { c_.busy_ = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Colony& c_;
};

Colony::Colony(const BatchOptions& o) {
    replace_live();
    g_live = this;
    CapturedLog captured;
    int status;
    {
        py::gil_scoped_release nogil;
        status = open_run(o, captured.log(), frame_);
    }
    if (status != kExitOk) {
        g_live = nullptr;
        captured.raise(status);
    }
    genome_text_ = page_info(o).genome;
    try {
        captured.warn();
    } catch (...) {
        g_live = nullptr;  // warnings turned into errors: no colony either
        throw;
    }
}

Colony::~Colony() {
    close();
}

void Colony::close() {
    if (closed_) return;
    closed_ = true;
    if (g_live == this) g_live = nullptr;
}

void Colony::close_replaced() {
    close();
    replaced_ = true;
}

void Colony::check_usable() const {
    if (replaced_)
        throw std::runtime_error(
            "this kelvaro.Colony was replaced by a newer one made in this process, and is closed");
    if (closed_) throw std::runtime_error("the colony is closed");
    if (busy_) throw std::runtime_error("the colony is busy in another thread");
}

namespace {

// Python takes signals on its main thread only, and so does a run.
bool on_main_thread() {
    const py::module_ threading = py::module_::import("threading");
    return threading.attr("current_thread")().is(threading.attr("main_thread")());
}

}  // namespace

int Colony::run(BatchOptions& o, bool progress) {
    Busy busy(*this);
    CapturedLog captured;
    if (const int s = check_frames_from(o, frame_, "the colony", captured.log()); s != kExitOk)
        captured.raise(s);
    // A Ctrl+C that came before the run is Python's to raise now, before the
    // run takes SIGINT for itself.
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
    ProgressBar bar(progress, o.frames);
    std::optional<StopSignals> stop;
    if (on_main_thread()) stop.emplace(StopMode::kCaller);
    // One that landed while the handler went in: nothing has changed yet.
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();

    set_switches(o, true);
    const FrameSinks sinks{nullptr, nullptr, stop ? &*stop : nullptr, bar.hook()};
    RunResult result;
    {
        py::gil_scoped_release nogil;
        result = run_frames(o, frame_, sinks, captured.log());
    }
    frame_ += result.frames_done;
    const int signo = stop ? stop->pass_on() : 0;
    if (result.status != kExitOk) captured.raise(result.status);
    captured.warn();
    // The signal went back to Python's handler, which raises KeyboardInterrupt.
    if (signo != 0 && PyErr_CheckSignals() != 0) throw py::error_already_set();
    return result.settled_at;
}

void Colony::write(const BatchOptions& o) {
    Busy busy(*this);
    CapturedLog captured;
    const StatsTable no_stats;
    int status;
    {
        py::gil_scoped_release nogil;
        status = write_outputs(o, no_stats, frame_, captured.log());
    }
    if (status != kExitOk) captured.raise(status);
}

py::array_t<std::uint8_t> Colony::render(const BatchOptions& o) {
    Busy busy(*this);
    if (!rendering_built())
        throw std::runtime_error(
            "render: this kelvaro was built without pictures (KELVARO_RENDER off, or OpenGL and "
            "EGL missing when it was built)");
    const int w = o.render_width, h = o.render_height;
    require_numpy();
    py::array_t<std::uint8_t> image({h, w, 3});
    std::uint8_t* top_down = image.mutable_data();
    BatchRenderer renderer;
    int status;
    {
        py::gil_scoped_release nogil;
        status = renderer.open(o);
        if (status == kExitOk) status = renderer.draw(frame_);
        // GL reads the bottom row first; an image array starts at the top.
        const std::size_t row = std::size_t(w) * 3;
        for (int y = 0; status == kExitOk && y < h; ++y)
            std::memcpy(top_down + row * y, renderer.pixels() + row * (h - 1 - y), row);
    }
    if (status != kExitOk) throw std::runtime_error(std::string("render: ") + renderer.error());
    return image;
}

bool can_render() {
    return rendering_built();
}

}  // namespace kelvaro

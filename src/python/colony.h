// The colony of the Python module: the simulation state of this process,
// driven through the batch run loop. The state is the process's own, so at
// most one Colony holds it at a time; a new one replaces (closes) the old.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "batch.h"

namespace kelvaro {

// The process's colony: loaded by the run loop's open_run, run by its
// run_frames, written by its write_outputs and drawn by its renderer.
class Colony {
   public:
    // Claims the process's colony, closing a live one with a UserWarning, and
    // loads what `o` names (genome and cells, or a checkpoint to resume);
    // raises, leaving the claim free, when the inputs cannot be used, and
    // changes nothing when the live one is busy in another thread.
    explicit Colony(const BatchOptions& o);
    // Gives up the claim unless close() has.
    ~Colony();
    Colony(const Colony&) = delete;
    Colony& operator=(const Colony&) = delete;

    // The genome's text as loaded (empty without one), for the page's info box.
    const std::string& genome_text() const { return genome_text_; }
    // Frames run so far (those of a resumed checkpoint included).
    int frame() const { return frame_; }
    // True once close() has given up the claim.
    bool closed() const { return closed_; }
    // True once a newer Colony replaced this one.
    bool replaced() const { return replaced_; }
    // True while a call runs without the GIL.
    bool busy() const { return busy_; }
    // Gives up the claim, so that another Colony may load; nothing else works
    // afterwards. Closing twice is harmless.
    void close();
    // Closes the colony for a newer one; later use says it was replaced.
    void close_replaced();
    // Raises RuntimeError when the colony is closed or busy in another thread.
    void check_usable() const;

    // Runs o.frames frames with o's switches and divide-all frames (absolute),
    // without the GIL; Ctrl+C stops it after the frame under way and raises
    // KeyboardInterrupt. Nothing changes when the options are refused. Returns
    // the frame found at rest with o.until_settled, else 0.
    int run(BatchOptions& o, bool progress);
    // Writes the outputs that `o` names (--out, --checkpoint) for this frame.
    void write(const BatchOptions& o);
    // The picture that kelvaro-batch would draw now, as (height, width, 3) uint8.
    pybind11::array_t<std::uint8_t> render(const BatchOptions& o);

   private:
    // Marks the colony busy for the lifetime of a call that lets go of the GIL.
    class Busy;
    int frame_ = 0;
    std::string genome_text_;
    bool closed_ = false;
    bool replaced_ = false;
    bool busy_ = false;
};

// True when this module was built with rendering (OpenGL and EGL).
bool can_render();

}  // namespace kelvaro

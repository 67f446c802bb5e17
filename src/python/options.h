// Python arguments as batch options: each value goes through the option
// table of kelvaro-batch under the option's own name, so that a value the
// command line refuses is refused here with the same one-line message.
#pragma once

#include <pybind11/pybind11.h>

#include "batch.h"

namespace kelvaro {

// The options of a new colony: genome and cells (paths or None), or the genome
// as a text (str, bytes or None) instead of a file, seed (int or None), shift (int).
BatchOptions colony_options(pybind11::handle genome, pybind11::handle genome_text,
                            pybind11::handle cells, pybind11::handle seed, pybind11::handle shift);
// The options of a resumed colony: the checkpoint's path.
BatchOptions resume_options(pybind11::handle path);
// The options of Colony.run; division and gravity are True, False or None
// (unchanged).
BatchOptions run_options(pybind11::handle frames, pybind11::handle division,
                         pybind11::handle gravity, pybind11::handle signal_passes,
                         pybind11::handle divide_all_at);
// The options of one output: `option` is "out" or "checkpoint".
BatchOptions output_options(const char* option, pybind11::handle path);
// The options of Colony.to_html: the page's path, the types hidden at start
// (--hide-types) and the level the signal marks show (--show-len).
BatchOptions page_options(pybind11::handle path, pybind11::handle hide, pybind11::handle show_len);
// The options of Colony.render, parsed as --render-size, --camera, --heat,
// --slice, --axes, --show-len and --hide-types are.
BatchOptions picture_options(pybind11::handle size, pybind11::handle camera, pybind11::handle heat,
                             pybind11::handle slice, bool axes, pybind11::handle show_len,
                             pybind11::handle hide);

}  // namespace kelvaro

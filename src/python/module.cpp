// The module kelvaro._kelvaro: the Colony class and its docstrings. The
// signatures are written into the docstrings by hand, since the arguments
// are taken as Python objects (so that each is checked by kelvaro-batch's own
// option table) and pybind11 would show them as "object".
#include <pybind11/pybind11.h>

#include "arrays.h"
#include "colony.h"
#include "genome_check.h"
#include "colours.h"
#include "options.h"
#include "page.h"
#include "sim/world.h"

namespace py = pybind11;
using kelvaro::Colony;

namespace {

constexpr const char* kColonyDoc =
    R"(Colony(*, genome=None, genome_text=None, cells=None, seed=None, shift=40)

The colony of this process, grown by kelvaro-batch's own run loop: the same
frame pass, the same files and the same checkpoints, so that a run here and
the kelvaro-batch run with the same options write the same bytes.

genome  a genome file (the dna.vdna format); None: no genes
genome_text
        the genome as a text (str or bytes) in that format, instead of a
        file; excludes genome
cells   a cell list (the list.txt format); None: the seed cell
seed    the seed of the random sequence, 0 to 2**64-1; None: the window
        program's sequence
shift   added to x and y of every loaded cell (40, as the reload key does)

The simulation state belongs to the process, so one Colony holds it at a
time: a new one replaces a live one, which is closed with a UserWarning (its
later use raises RuntimeError, its arrays read as after close()). close() or
the end of a `with` block lets a new one load without the warning. For many
colonies at once use processes (multiprocessing, concurrent.futures,
dask.distributed with one thread per worker).

An input that cannot be read raises OSError; one that cannot be used (a
binary file, a refused checkpoint, a bad value) raises ValueError, with
kelvaro-batch's message. What kelvaro-batch would warn about comes as a
UserWarning.)";

constexpr const char* kResumeDoc = R"(resume(path) -> Colony

A colony from a checkpoint (Colony.checkpoint, kelvaro-batch --checkpoint, or
the window program's F5 file): its genome, cells, random sequence, switches
and frame number. A refused checkpoint raises ValueError, a missing one
OSError.)";

constexpr const char* kRunDoc =
    R"(run(frames, *, division=None, gravity=None, signal_passes=1, divide_all_at=(), until_settled=False, progress=False)

Runs `frames` more frames, as kelvaro-batch does (its --frames, --division,
--gravity, --signal-passes and --divide-all-at).

division, gravity  True or False switch them on or off; None keeps them as
                   they are (off in a new colony, as the checkpoint had them
                   in a resumed one)
signal_passes      settling passes of the signal field before each frame
divide_all_at      absolute frame numbers, each among the frames of this run,
                   whose pass first divides every cell once
until_settled      stop at the first frame that leaves the colony at rest
                   (no type, site, clamp or level can change again, whatever
                   the draws); the frames left are accounted for, not run:
                   the colony, its frame and its random sequence end as a
                   whole run leaves them. Returns that frame, or None when
                   the colony did not come to rest (None without it)
progress           a tqdm bar on standard error, where tqdm is installed

The GIL is released while the frames run. Ctrl+C (SIGINT on the main thread)
stops the run after the frame under way and raises KeyboardInterrupt; the
colony is left whole at that frame, and `frame` tells which. Refused values
raise ValueError (TypeError for a wrong type) and change nothing.)";

constexpr const char* kCellsDoc =
    R"((n, 4) int32, the cell table: columns x, y, z, type (kelvaro.X, Y, Z, TYPE).

A read-only view of the live records, not a copy: the same memory the frames
write, so its values change when the colony runs (its length is the count when
the view was made; take c.cells again after a run). The view keeps the colony
alive. After close() it still reads mapped memory, never freed memory, but no
longer describes this colony: a new colony reuses it.)";

constexpr const char* kSignalDoc =
    R"((202, 202, 202, 20) int32, the signal field world_signal[x][y][z][channel].

A read-only view, not a copy (about 660 MB of mapped memory, mostly
untouched): it changes when the colony runs, and keeps the colony alive.
After close() it still reads mapped memory, never freed memory, but no longer
describes this colony: a new colony reuses it.)";

// Options that make a Colony, or ValueError.
std::unique_ptr<Colony> make_colony(const BatchOptions& o) {
    return std::make_unique<Colony>(o);
}

// Checks that the colony is usable and hands it back.
Colony& usable(Colony& c) {
    c.check_usable();
    return c;
}

void bind_arrays(py::class_<Colony>& cls) {
    cls.def_property_readonly(
        "cells",
        [](py::object self) {
            usable(self.cast<Colony&>());
            return kelvaro::cells_view(self);
        },
        kCellsDoc);
    cls.def_property_readonly(
        "signal",
        [](py::object self) {
            usable(self.cast<Colony&>());
            return kelvaro::signal_view(self);
        },
        kSignalDoc);
    cls.def_property_readonly(
        "levels",
        [](Colony& c) {
            usable(c);
            return kelvaro::levels_copy();
        },
        "(n, 20) int32: the signal levels at each cell's site, in table order (a copy).");
    cls.def_property_readonly(
        "clamp",
        [](Colony& c) {
            usable(c);
            return kelvaro::clamp_copy();
        },
        "(n,) int32: each cell's clamp state, 0 never clamped, 1 locked, 2 pushed (a copy).");
    cls.def(
        "census",
        [](Colony& c) {
            usable(c);
            return kelvaro::census();
        },
        "census() -> dict\n\n{type: count} of the live cells, in increasing type.");
}

void bind_files(py::class_<Colony>& cls) {
    cls.def(
        "save_cells",
        [](Colony& c, py::handle path) { c.write(kelvaro::output_options("out", path)); },
        py::arg("path"),
        "save_cells(path)\n\n"
        "Writes the colony in the list.txt format, unshifted, as kelvaro-batch --out\n"
        "does (under a temporary name, then renamed). OSError when it cannot be written.");
    cls.def(
        "checkpoint",
        [](Colony& c, py::handle path) { c.write(kelvaro::output_options("checkpoint", path)); },
        py::arg("path"),
        "checkpoint(path)\n\n"
        "Writes a checkpoint of the colony at this frame, as kelvaro-batch --checkpoint\n"
        "does; Colony.resume continues from it exactly. OSError when it cannot be written.");
    cls.def(
        "to_html",
        [](Colony& c, py::handle path, py::handle hide, py::handle show_len) {
            usable(c);
            BatchOptions o = kelvaro::page_options(path, hide, show_len);
            o.genome_text = c.genome_text();
            o.has_genome_text = true;
            o.command = "kelvaro.Colony.to_html (kelvaro " KELVARO_VERSION ")";
            c.write(o);
        },
        py::arg("path"), py::kw_only(), py::arg("hide") = py::none(), py::arg("show_len") = 1,
        "to_html(path, *, hide=None, show_len=1)\n\n"
        "Writes the colony as the page of kelvaro-batch --html: one HTML file that any\n"
        "browser opens offline to turn the colony round, hide types and read the\n"
        "genome. hide: types hidden at start, as [1, 5]. OSError when it cannot be\n"
        "written. In a notebook a Colony shows this page by itself (_repr_html_).");
    cls.def(
        "render",
        [](Colony& c, py::handle size, py::handle camera, py::handle heat, py::handle slice,
           bool axes, py::handle show_len, py::handle hide) {
            usable(c);
            return c.render(
                kelvaro::picture_options(size, camera, heat, slice, axes, show_len, hide));
        },
        py::kw_only(), py::arg("size") = py::make_tuple(1000, 600), py::arg("camera") = "auto",
        py::arg("heat") = py::none(), py::arg("slice") = py::none(), py::arg("axes") = false,
        py::arg("show_len") = 1, py::arg("hide") = py::none(),
        "render(*, size=(1000, 600), camera='auto', heat=None, slice=None, axes=False, "
        "show_len=1, hide=None) -> numpy.ndarray\n\n"
        "The picture kelvaro-batch draws of this frame (its --render-size, --camera,\n"
        "--heat, --slice, --axes, --show-len, --hide-types), as a (height, width, 3)\n"
        "uint8 array,\n"
        "top row first, drawn off-screen (EGL).\n\n"
        "camera    'auto' (framed as the Home key frames), None (the window's start\n"
        "          camera) or (x, y, z, xrot, zrot)\n"
        "heat      a signal channel for the heat map, or None\n"
        "slice     'z:100', 'z:100:3' or ('z', 100, 3): only the cells in that slab\n"
        "hide      types left out, as [1, 5]\n\n"
        "RuntimeError where the module was built without rendering (kelvaro.can_render).");
}

void bind_colony(py::module_& m) {
    py::class_<Colony> cls(m, "Colony", kColonyDoc);
    cls.def(
        py::init([](py::handle genome, py::handle genome_text, py::handle cells, py::handle seed,
                    py::handle shift) {
            return make_colony(kelvaro::colony_options(genome, genome_text, cells, seed, shift));
        }),
        py::kw_only(), py::arg("genome") = py::none(), py::arg("genome_text") = py::none(),
        py::arg("cells") = py::none(), py::arg("seed") = py::none(), py::arg("shift") = 40,
        "Colony(*, genome=None, genome_text=None, cells=None, seed=None, shift=40)\n\n"
        "Loads the genome and the cell list (see help(kelvaro.Colony)).");
    cls.def_static(
        "resume", [](py::handle path) { return make_colony(kelvaro::resume_options(path)); },
        py::arg("path"), kResumeDoc);
    cls.def(
        "run",
        [](Colony& c, py::handle frames, py::handle division, py::handle gravity,
           py::handle signal_passes, py::handle divide_all_at, bool until_settled,
           bool progress) -> py::object {
            usable(c);
            BatchOptions o =
                kelvaro::run_options(frames, division, gravity, signal_passes, divide_all_at);
            o.until_settled = until_settled;
            const int settled = c.run(o, progress);
            if (settled == 0) return py::none();
            return py::int_(settled);
        },
        py::arg("frames"), py::kw_only(), py::arg("division") = py::none(),
        py::arg("gravity") = py::none(), py::arg("signal_passes") = 1,
        py::arg("divide_all_at") = py::tuple(), py::arg("until_settled") = false,
        py::arg("progress") = false, kRunDoc);
    cls.def_property_readonly("frame", &Colony::frame,
                              "Frames run so far, those before a resume included (int).");
    cls.def_property_readonly("closed", &Colony::closed, "True once close() was called.");
    cls.def("close", &Colony::close,
            "close()\n\n"
            "Lets another Colony load in this process; this one is then unusable. Arrays\n"
            "taken before still read mapped memory, which no longer describes it.");
    cls.def(
        "__enter__",
        [](py::object self) {
            usable(self.cast<Colony&>());
            return self;
        },
        "The colony itself; the end of the with block closes it.");
    cls.def(
        "__exit__", [](Colony& c, py::args) { c.close(); }, "Closes the colony.");
    cls.def(
        "__repr__",
        [](const Colony& c) {
            if (c.replaced()) return std::string("<kelvaro.Colony, replaced by a newer one>");
            if (c.closed()) return std::string("<kelvaro.Colony, closed>");
            return "<kelvaro.Colony at frame " + std::to_string(c.frame()) + ", " +
                   std::to_string(Cells_count) + " cells>";
        },
        "The frame and the cell count, or that the colony is closed.");
    bind_arrays(cls);
    bind_files(cls);
    cls.attr("__module__") = "kelvaro";  // where users import it from
}

}  // namespace

// START_GLUEDS and START_SIGNAL: the per-type tables as the program starts,
// before a genome line sets an entry (tuples indexed by type).
static void bind_start_tables(py::module_& m) {
    std::int32_t glueds[kTypes], strength[kTypes];
    start_table_values(glueds, strength);
    py::tuple g(kTypes), s(kTypes);
    for (int t = 0; t < kTypes; ++t) {
        g[t] = glueds[t];
        s[t] = strength[t];
    }
    m.attr("START_GLUEDS") = g;
    m.attr("START_SIGNAL") = s;
}

PYBIND11_MODULE(_kelvaro, m) {
    py::options options;
    options.disable_function_signatures();
    m.doc() = "The compiled part of kelvaro; import kelvaro instead.";
    bind_colony(m);
    kelvaro::bind_genome_check(m);
    kelvaro::bind_colours(m);
    kelvaro::bind_page(m);
    m.attr("can_render") = kelvaro::can_render();
    m.attr("X") = kelvaro::kColumnX;
    m.attr("Y") = kelvaro::kColumnY;
    m.attr("Z") = kelvaro::kColumnZ;
    m.attr("TYPE") = kelvaro::kColumnType;
    m.attr("AXIS") = kAxis;  // sites per axis of the lattice
    bind_start_tables(m);
    m.attr("__version__") = KELVARO_VERSION;
}

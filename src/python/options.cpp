// From Python values to the texts of kelvaro-batch's options.
#include "options.h"

#include <algorithm>
#include <string>

#include "render.h"

namespace py = pybind11;

namespace kelvaro {

namespace {

// Takes one option as the command line would, or raises ValueError with the
// batch program's message.
void take(BatchOptions& o, const char* name, const std::string* value) {
    std::string error;
    if (!set_batch_option(o, name, value ? value->c_str() : nullptr, error))
        throw py::value_error(error);
}

void take(BatchOptions& o, const char* name, const std::string& value) {
    take(o, name, &value);
}

// The checks that follow a whole command line.
BatchOptions& checked(BatchOptions& o) {
    std::string error;
    if (!check_batch_options(o, error)) throw py::value_error(error);
    return o;
}

// An int (or anything with __index__, such as a NumPy integer) in decimal.
std::string int_text(py::handle v, const char* name) {
    PyObject* index = PyBool_Check(v.ptr()) ? nullptr : PyNumber_Index(v.ptr());
    if (!index) {
        PyErr_Clear();
        throw py::type_error(std::string(name) + " must be an int, not " +
                             Py_TYPE(v.ptr())->tp_name);
    }
    return py::str(py::reinterpret_steal<py::object>(index));
}

// A str, bytes or os.PathLike as the bytes the file system takes.
std::string path_text(py::handle v) {
    PyObject* bytes = nullptr;
    if (!PyUnicode_FSConverter(v.ptr(), &bytes)) throw py::error_already_set();
    return py::reinterpret_steal<py::bytes>(bytes);
}

// None, True or False for a switch that holds until it is given again.
void switch_option(BatchOptions& o, py::handle v, const char* on, const char* off) {
    if (v.is_none()) return;
    if (!PyBool_Check(v.ptr()))
        throw py::type_error(std::string(on) + " must be True, False or None");
    take(o, v.ptr() == Py_True ? on : off, nullptr);
}

// Items of a sequence, each through `item`, joined with `sep`.
template <class Item>
std::string joined(py::handle seq, const char* sep, Item item) {
    std::string text;
    bool first = true;
    for (py::handle v : py::iter(seq)) {
        if (!first) text += sep;
        text += item(v);
        first = false;
    }
    return text;
}

}  // namespace

BatchOptions colony_options(py::handle genome, py::handle genome_text, py::handle cells,
                            py::handle seed, py::handle shift) {
    BatchOptions o;
    if (!genome.is_none() && !genome_text.is_none())
        throw py::value_error("genome and genome_text exclude each other (one genome per colony)");
    if (!genome.is_none()) take(o, "genome", path_text(genome));
    if (!genome_text.is_none()) {
        if (!py::isinstance<py::str>(genome_text) && !py::isinstance<py::bytes>(genome_text))
            throw py::type_error(std::string("genome_text must be a str or bytes, not ") +
                                 Py_TYPE(genome_text.ptr())->tp_name);
        o.has_genome_text = true;
        o.genome_text = genome_text.cast<std::string>();  // a str as UTF-8
    }
    if (!cells.is_none()) take(o, "cells", path_text(cells));
    if (!seed.is_none()) take(o, "seed", int_text(seed, "seed"));
    take(o, "shift", int_text(shift, "shift"));
    checked(o).frames = 0;  // frames come with run()
    return o;
}

BatchOptions resume_options(py::handle path) {
    BatchOptions o;
    take(o, "resume", path_text(path));
    checked(o).frames = 0;
    return o;
}

BatchOptions run_options(py::handle frames, py::handle division, py::handle gravity,
                         py::handle signal_passes, py::handle divide_all_at) {
    BatchOptions o;
    take(o, "frames", int_text(frames, "frames"));
    switch_option(o, division, "division", "no-division");
    switch_option(o, gravity, "gravity", "no-gravity");
    take(o, "signal-passes", int_text(signal_passes, "signal_passes"));
    if (!divide_all_at.is_none()) {
        const std::string list = joined(
            divide_all_at, ",", [](py::handle v) { return int_text(v, "divide_all_at items"); });
        if (!list.empty()) take(o, "divide-all-at", list);
    }
    // As the command line's check does; the frames are checked against the
    // colony's own frame when the run starts.
    std::sort(o.divide_all_at.begin(), o.divide_all_at.end());
    o.divide_all_at.erase(std::unique(o.divide_all_at.begin(), o.divide_all_at.end()),
                          o.divide_all_at.end());
    return o;
}

BatchOptions output_options(const char* option, py::handle path) {
    BatchOptions o;
    take(o, option, path_text(path));
    return checked(o);
}

BatchOptions page_options(py::handle path, py::handle hide, py::handle show_len) {
    BatchOptions o;
    take(o, "html", path_text(path));
    if (!hide.is_none())
        take(o, "hide-types", joined(hide, ",", [](py::handle v) { return int_text(v, "hide"); }));
    take(o, "show-len", int_text(show_len, "show_len"));
    return checked(o);
}

BatchOptions picture_options(py::handle size, py::handle camera, py::handle heat, py::handle slice,
                             bool axes, py::handle show_len, py::handle hide) {
    BatchOptions o;
    const py::tuple wh = py::tuple(py::reinterpret_borrow<py::object>(size));
    if (wh.size() != 2) throw py::value_error("size must be (width, height)");
    take(o, "render-size", int_text(wh[0], "width") + "x" + int_text(wh[1], "height"));
    if (py::isinstance<py::str>(camera))
        take(o, "camera", camera.cast<std::string>());
    else if (!camera.is_none())
        take(o, "camera", joined(camera, ",", [](py::handle v) {
                 return py::repr(py::float_(py::reinterpret_borrow<py::object>(v)))
                     .cast<std::string>();
             }));
    if (!heat.is_none()) take(o, "heat", int_text(heat, "heat"));
    if (py::isinstance<py::str>(slice))
        take(o, "slice", slice.cast<std::string>());
    else if (!slice.is_none())
        take(o, "slice",
             joined(slice, ":", [](py::handle v) { return py::str(v).cast<std::string>(); }));
    if (!hide.is_none())
        take(o, "hide-types", joined(hide, ",", [](py::handle v) { return int_text(v, "hide"); }));
    if (axes) take(o, "axes", nullptr);
    take(o, "show-len", int_text(show_len, "show_len"));
    std::string error;
    if (!parse_picture_look(o, error)) throw py::value_error(error);
    o.render_every = 1;  // one picture, into memory: no folder, no movie
    return o;
}

}  // namespace kelvaro

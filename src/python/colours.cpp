// The type colours of the window, so that a plot draws a type in the colour the
// window shows it in. One table: the view's own (view/cell_drawing.h).
#include "colours.h"

#include <climits>
#include <iterator>

#include "view/cell_drawing.h"

namespace py = pybind11;

namespace kelvaro {

namespace {

// (r, g, b) of a type, or None for one the window draws in no colour of its own.
py::object colour_of(long long type) {
    Rgb rgb;
    if (type < INT_MIN || type > INT_MAX || !type_color(int(type), rgb)) return py::none();
    return py::make_tuple(int(rgb.r), int(rgb.g), int(rgb.b));
}

// Any integer Python can index with (int, numpy.int32 from the cell table);
// TypeError for anything else.
py::object type_colour(py::handle t) {
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(t.ptr()));
    if (!index) throw py::error_already_set();
    int overflow = 0;
    const long long type = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow != 0) return py::none();
    return colour_of(type);
}

constexpr const char* kTypeColourDoc = R"(type_colour(t) -> (r, g, b) or None

The colour the window draws cell type t in, as 0..255 ints, or None for a type
with no colour of its own (0, negative, 19 and up: the window draws those in
whatever colour is current). t is any integer, a NumPy one included. For
matplotlib: [v / 255 for v in rgb].)";

}  // namespace

void bind_colours(py::module_& m) {
    m.def("type_colour", &type_colour, py::arg("t"), kTypeColourDoc);
    py::dict table;
    for (int t = 0; t < int(std::size(kTypeColors)); ++t) {
        py::object rgb = colour_of(t);
        if (!rgb.is_none()) table[py::int_(t)] = rgb;
    }
    // Read-only: {type: (r, g, b)} for every type with a colour of its own.
    m.attr("TYPE_COLOURS") = py::module_::import("types").attr("MappingProxyType")(table);
}

}  // namespace kelvaro

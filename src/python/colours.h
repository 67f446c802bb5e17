// The window's type colours for Python: kelvaro.type_colour and
// kelvaro.TYPE_COLOURS, read from the table the view draws with.
#pragma once

#include <pybind11/pybind11.h>

namespace kelvaro {

// Adds type_colour(t) and TYPE_COLOURS to the module.
void bind_colours(pybind11::module_& m);

}  // namespace kelvaro

// kelvaro.Page: one embryo page holding several colonies in turn (the
// search's best and its target), each a series the page switches between.
#pragma once

#include <pybind11/pybind11.h>

namespace kelvaro {

// Adds the Page class to the module.
void bind_page(pybind11::module_& m);

}  // namespace kelvaro

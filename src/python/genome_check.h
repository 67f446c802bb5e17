// The genome check for Python: kelvaro.check_genome(text), the reading that
// kelvaro-batch --check-genome prints, handed back as Python values.
#pragma once

#include <pybind11/pybind11.h>

namespace kelvaro {

// Adds check_genome(text, name="genome") and read_genes(text) to the module.
void bind_genome_check(pybind11::module_& m);

}  // namespace kelvaro

// The colony as NumPy arrays: read-only views of the data that lives in one
// place (the cell table, the signal field) and copies of what is gathered per
// cell (levels, clamp states).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace kelvaro {

// Raises ImportError naming NumPy, this interpreter and how to get NumPy into
// its environment, when NumPy cannot be imported; every array call checks.
void require_numpy();

// Columns of the cell table view: the record's own order.
inline constexpr int kColumnX = 0, kColumnY = 1, kColumnZ = 2, kColumnType = 3;

// (n, 4) int32 [x, y, z, type] over the live records, read-only, keeping
// `owner` alive; n is the cell count when the view is made.
pybind11::array cells_view(pybind11::handle owner);
// (202, 202, 202, 20) int32 over world_signal, read-only, keeping `owner` alive.
pybind11::array signal_view(pybind11::handle owner);
// (n, 20) int32: the levels at each cell's site, a copy.
pybind11::array_t<std::int32_t> levels_copy();
// (n,) int32: the clamp state at each cell's site, a copy.
pybind11::array_t<std::int32_t> clamp_copy();
// {type: count} over the live records.
pybind11::dict census();

}  // namespace kelvaro

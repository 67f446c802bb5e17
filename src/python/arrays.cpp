// Views and copies of the world for NumPy. A view is made in constant time
// (a pointer, a shape and strides), whatever the colony's size.
#include "arrays.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>

#include "sim/world.h"

namespace py = pybind11;

namespace kelvaro {

void require_numpy() {
    static bool found = false;  // the first import that worked settles it
    if (found) return;
    try {
        py::module_::import("numpy");
        found = true;
    } catch (py::error_already_set& e) {
        if (!e.matches(PyExc_ImportError)) throw;
        const std::string python = py::str(py::module_::import("sys").attr("executable"));
        const std::string message =
            "kelvaro's arrays need NumPy, which this Python cannot import: " + python +
            ". Install it into that environment (" + python +
            " -m pip install numpy), or use a Python that has it (Debian's /usr/bin/python3 "
            "with apt install python3-numpy; a venv made with --system-site-packages sees it)";
        py::raise_from(e, PyExc_ImportError, message.c_str());
        throw py::error_already_set();
    }
}

namespace {

// A read-only int32 array over memory the process maps for its whole life.
py::array read_only(std::initializer_list<py::ssize_t> shape,
                    std::initializer_list<py::ssize_t> strides, const std::int32_t* data,
                    py::handle owner) {
    require_numpy();
    py::array a(py::dtype::of<std::int32_t>(), std::vector<py::ssize_t>(shape),
                std::vector<py::ssize_t>(strides), data, owner);
    py::detail::array_proxy(a.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
    return a;
}

}  // namespace

py::array cells_view(py::handle owner) {
    static_assert(offsetof(TCells, x) == 0 && offsetof(TCells, y) == 4 &&
                      offsetof(TCells, z) == 8 && offsetof(TCells, type) == 12,
                  "the columns of the view are the record's first four fields");
    return read_only({Cells_count, 4}, {sizeof(TCells), sizeof(std::int32_t)}, &Cells[0].x, owner);
}

py::array signal_view(py::handle owner) {
    constexpr py::ssize_t kInt = sizeof(std::int32_t);
    return read_only({kAxis, kAxis, kAxis, kChannels},
                     {kSignalStrideX * kInt, kSignalStrideY * kInt, kSignalStrideZ * kInt, kInt},
                     &world_signal[0][0][0][0], owner);
}

py::array_t<std::int32_t> levels_copy() {
    require_numpy();
    const int n = Cells_count;
    py::array_t<std::int32_t> levels({n, kChannels});
    std::int32_t* out = levels.mutable_data();
    for (int i = 0; i < n; ++i) {
        const TCells& c = Cells[i];
        const std::int32_t* site = world_signal[c.x][c.y][c.z];
        std::copy(site, site + kChannels, out + std::size_t(i) * kChannels);
    }
    return levels;
}

py::array_t<std::int32_t> clamp_copy() {
    require_numpy();
    const int n = Cells_count;
    py::array_t<std::int32_t> clamp(n);
    std::int32_t* out = clamp.mutable_data();
    for (int i = 0; i < n; ++i) out[i] = world_clamp[Cells[i].x][Cells[i].y][Cells[i].z];
    return clamp;
}

py::dict census() {
    // Types outside the per-type tables are rare but possible (a loaded list
    // may hold any): counted apart. The keys come out in increasing type.
    std::int64_t counts[kTypes] = {};
    std::map<std::int32_t, std::int64_t> others;
    for (int i = 0; i < Cells_count; ++i) {
        const std::int32_t t = Cells[i].type;
        if (t >= 0 && t < kTypes)
            ++counts[t];
        else
            ++others[t];
    }
    py::dict out;
    auto other = others.begin();
    for (; other != others.end() && other->first < 0; ++other)
        out[py::int_(other->first)] = other->second;
    for (int t = 0; t < kTypes; ++t)
        if (counts[t]) out[py::int_(t)] = counts[t];
    for (; other != others.end(); ++other) out[py::int_(other->first)] = other->second;
    return out;
}

}  // namespace kelvaro

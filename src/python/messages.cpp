// The run loop's lines, from an in-memory stream to warnings and exceptions.
#include "messages.h"

#include <cstdio>
#include <cstdlib>

#include "batch.h"

namespace py = pybind11;

namespace kelvaro {

CapturedLog::CapturedLog() : log_{open_memstream(&text_, &size_)} {
    if (!log_.err) throw std::bad_alloc();
}

CapturedLog::~CapturedLog() {
    std::fclose(log_.err);
    std::free(text_);
}

std::vector<std::string> CapturedLog::lines() {
    std::fflush(log_.err);
    const std::string prefix = std::string(kProgramName) + ": ";
    std::vector<std::string> out;
    std::string_view rest(text_ ? text_ : "", size_);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (line.starts_with(prefix)) line.remove_prefix(prefix.size());
        if (!line.empty()) out.emplace_back(line);
        rest.remove_prefix(end == rest.npos ? rest.size() : end + 1);
    }
    return out;
}

void warn_lines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (PyErr_WarnEx(PyExc_UserWarning, line.c_str(), 1) != 0) throw py::error_already_set();
}

void CapturedLog::warn() {
    warn_lines(lines());
}

void CapturedLog::raise(int status) {
    std::vector<std::string> all = lines();
    const std::string message = all.empty() ? "failed" : all.back();
    if (!all.empty()) all.pop_back();
    warn_lines(all);
    if (log_.failure_errno != 0) {
        // OSError(errno, text) picks the subclass: FileNotFoundError and so on.
        py::object error =
            py::reinterpret_borrow<py::object>(PyExc_OSError)(log_.failure_errno, message);
        PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
        throw py::error_already_set();
    }
    if (status == kExitOutput) {
        PyErr_SetString(PyExc_OSError, message.c_str());
        throw py::error_already_set();
    }
    throw py::value_error(message);
}

}  // namespace kelvaro

// kelvaro.Page over the view's PageWriter: the process holds one colony at a
// time, so a page of several colonies takes each one's frame while it is live.
#include "page.h"

#include <cerrno>
#include <memory>
#include <stdexcept>

#include "colony.h"
#include "options.h"
#include "run_loop.h"
#include "view/page_file.h"

namespace py = pybind11;

namespace kelvaro {
namespace {

// A page being written; committed by close() or the end of a with block.
class Page {
   public:
    Page(py::handle path, py::handle genome_text, py::handle command, py::handle hide,
         py::handle show_len) {
        BatchOptions o = page_options(path, hide, show_len);
        if (!genome_text.is_none()) o.genome_text = genome_text.cast<std::string>();
        if (!command.is_none()) o.command = command.cast<std::string>();
        o.has_genome_text = true;
        path_ = o.html;
        writer_ = std::make_unique<PageWriter>(path_.c_str(), page_info(o));
        if (!writer_->ok()) throw_unwritable();
    }
    // The colony's frame as a series of its own, under `name`.
    void add(Colony& c, const std::string& name) {
        c.check_usable();
        if (!writer_) throw std::runtime_error("Page: already closed");
        writer_->begin_series(name.c_str());
        writer_->add_frame(c.frame());
        if (!writer_->ok()) throw_unwritable();
    }
    // Drops the page: nothing is written.
    void abandon() { writer_.reset(); }
    // Writes the page's end and renames it into place.
    void close() {
        if (!writer_) return;
        errno = 0;
        const bool ok = writer_->commit();
        writer_.reset();
        if (!ok) throw_unwritable();
    }

   private:
    [[noreturn]] void throw_unwritable() {
        writer_.reset();
        PyErr_SetFromErrnoWithFilename(PyExc_OSError, path_.c_str());
        throw py::error_already_set();
    }
    std::string path_;
    std::unique_ptr<PageWriter> writer_;
};

constexpr const char* kPageDoc =
    R"(Page(path, *, genome_text=None, command=None, hide=None, show_len=1)

The page of Colony.to_html holding several colonies, switchable in the page:
    with kelvaro.Page("both.html") as page:
        with kelvaro.Colony(genome="dna.vdna", cells="list.txt") as c:
            c.run(100, division=True)
            page.add(c, "grown")
        with kelvaro.Colony(cells="target.txt", shift=0) as c:
            page.add(c, "target")
The file appears, whole, when the with block ends (or at close()); a block
that raises leaves none.)";

}  // namespace

void bind_page(py::module_& m) {
    py::class_<Page>(m, "Page", kPageDoc)
        .def(py::init<py::handle, py::handle, py::handle, py::handle, py::handle>(),
             py::arg("path"), py::kw_only(), py::arg("genome_text") = py::none(),
             py::arg("command") = py::none(), py::arg("hide") = py::none(), py::arg("show_len") = 1)
        .def("add", &Page::add, py::arg("colony"), py::arg("name"),
             "add(colony, name)\n\nThe colony as it stands, as a series of the page named `name`.")
        .def("close", &Page::close, "close()\n\nWrites the page; OSError when it cannot be.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Page& p, py::handle type, py::handle, py::handle) {
            if (type.is_none())
                p.close();
            else
                p.abandon();  // a block that raised leaves no page
        });
}

}  // namespace kelvaro

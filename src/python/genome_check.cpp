// kelvaro.check_genome: the app layer's genome check on a text, with the
// findings as (line, column, text) and the summary line of --check-genome.
#include "genome_check.h"

#include <memory>
#include <string>

#include "app/genome_check.h"

namespace py = pybind11;

namespace kelvaro {

namespace {

constexpr const char* kCheckDoc = R"(check_genome(text, name='genome') -> dict

Reads a genome given as a text (str or bytes, the dna.vdna format) as a fresh
program loads it, as kelvaro-batch --check-genome reads a file, and changes
nothing. Returns a dict:

findings        [(line, column, text), ...], both counted from 1, in order
                (the first 200; `count` has them all)
count           the number of findings
genes           genes the text puts in force
division_genes  of them, genes with MPF=1
types           the types the genes set, ascending
summary         the closing line of --check-genome, for `name`
lines           each finding as --check-genome prints it ("name:L:C: warning: ...")

A text with a NUL byte (in its first 64 KiB) is binary data: ValueError.)";

py::dict check_text(const std::string& text, const std::string& name) {
    auto check = std::make_unique<GenomeCheck>();
    check_genome(GenomeInput{nullptr, text.data(), text.size()}, *check);
    if (check->report.binary)
        throw py::value_error("cannot use " + name + ": binary data (a NUL byte)");
    py::list findings, lines;
    char line[4096];
    for (int i = 0; i < check->kept; ++i) {
        const GenomeFinding& f = check->finding[i];
        findings.append(py::make_tuple(f.at.line, f.at.column, py::str(f.text)));
        format_finding(line, sizeof line, name.c_str(), f);
        lines.append(py::str(line));
    }
    py::list types;
    for (int i = 0; i < check->summary.types; ++i) types.append(check->summary.type[i]);
    format_check_summary(line, sizeof line, name.c_str(), check->report, check->summary);
    py::dict out;
    out["findings"] = findings;
    out["count"] = check->report.findings;
    out["genes"] = check->summary.genes;
    out["division_genes"] = check->summary.division_genes;
    out["types"] = types;
    out["summary"] = py::str(line);
    out["lines"] = lines;
    return out;
}

}  // namespace

void bind_genome_check(py::module_& m) {
    m.def(
        "check_genome",
        [](py::handle text, const std::string& name) {
            if (!py::isinstance<py::str>(text) && !py::isinstance<py::bytes>(text))
                throw py::type_error(std::string("text must be a str or bytes, not ") +
                                     Py_TYPE(text.ptr())->tp_name);
            return check_text(text.cast<std::string>(), name);
        },
        py::arg("text"), py::arg("name") = "genome", kCheckDoc);
}

}  // namespace kelvaro

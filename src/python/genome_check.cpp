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

constexpr const char* kReadDoc = R"(read_genes(text) -> list of dicts

The genes of a genome text (str or bytes) as a fresh program's loader reads
them, one dict per gene line, in order:

line          the text's line, from 1
en, si, ex    the EN, SI and EX values the line gave, in order (only the first
              SI and EX act)
mpf           the gene's MPF (1: a division gene), 0 when the line sets none
glueds        the last GLUEDS after the line's first EX (it sets the gene's own
signal        type), or None; likewise SIGNAL
elsewhere     GLUEDS and SIGNAL fields before the first EX, which set the type
              the slot held (type 0 in a fresh program)

Findings are check_genome's. A text with a NUL byte is binary data: ValueError.)";

// Collects each gene line as the loader reads it.
class GenesRead : public GenomeFindings {
   public:
    void found(GenomePlace, const char*) override {}
    void gene_read(const GeneRead& g) override {
        auto list = [](const std::int32_t* v, int n) {
            py::list out;
            for (int i = 0; i < n; ++i) out.append(v[i]);
            return out;
        };
        const TDNA& d = *g.gene;
        py::dict gene;
        gene["line"] = g.line;
        gene["en"] = list(d.Enhancer, d.Enhancer_count);
        gene["si"] = list(d.Silencer, d.Silencer_count);
        gene["ex"] = list(d.Exon, g.exons);
        gene["mpf"] = d.MPF;
        gene["glueds"] = g.glueds_set ? py::object(py::int_(g.glueds)) : py::object(py::none());
        gene["signal"] = g.signal_set ? py::object(py::int_(g.signal)) : py::object(py::none());
        gene["elsewhere"] = g.tables_elsewhere;
        genes.append(gene);
    }
    py::list genes;
};

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
    m.def(
        "read_genes",
        [](py::handle text) {
            if (!py::isinstance<py::str>(text) && !py::isinstance<py::bytes>(text))
                throw py::type_error(std::string("text must be a str or bytes, not ") +
                                     Py_TYPE(text.ptr())->tp_name);
            const std::string bytes = text.cast<std::string>();
            GenesRead genes;
            GenomeSummary summary;
            const GenomeLoadReport r =
                check_genome_input(GenomeInput{nullptr, bytes.data(), bytes.size()},
                                   GenomeBase::Start, genes, summary);
            if (r.binary) throw py::value_error("binary data (a NUL byte)");
            return genes.genes;
        },
        py::arg("text"), kReadDoc);
}

}  // namespace kelvaro

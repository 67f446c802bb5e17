// The genome check and the words it reports in.
#include "app/genome_check.h"

#include <cstdio>

namespace {

// Keeps the findings of one reading in a GenomeCheck.
class KeptFindings : public GenomeFindings {
   public:
    explicit KeptFindings(GenomeCheck& c) : c_(c) {}
    void found(GenomePlace at, const char* text) override {
        if (c_.kept == kKeptFindings) return;
        GenomeFinding& f = c_.finding[c_.kept++];
        f.at = at;
        std::snprintf(f.text, sizeof f.text, "%s", text);
    }

   private:
    GenomeCheck& c_;
};

const char* plural(int n) {
    return n == 1 ? "" : "s";
}

}  // namespace

void check_genome(const GenomeInput& in, GenomeCheck& out) {
    out.kept = 0;
    KeptFindings kept(out);
    out.report = check_genome_input(in, GenomeBase::Start, kept, out.summary);
}

int format_finding(char* out, std::size_t size, const char* name, const GenomeFinding& f) {
    return std::snprintf(out, size, "%s:%d:%d: warning: %s", name, f.at.line, f.at.column, f.text);
}

int format_check_summary(char* out, std::size_t size, const char* name,
                         const GenomeLoadReport& report, const GenomeSummary& s) {
    char tables[48] = "";
    if (report.table_lines > 0)
        std::snprintf(tables, sizeof tables, " (%d table line%s)", report.table_lines,
                      plural(report.table_lines));
    char types[kMaxGenes * 12 + 8] = " none";
    int used = 0;
    for (int k = 0; k < s.types; ++k)
        used += std::snprintf(types + used, sizeof types - std::size_t(used), " %d", s.type[k]);
    return std::snprintf(out, size,
                         "%s: %d gene%s%s, %d division gene%s, types set:%s; %d finding%s", name,
                         s.genes, plural(s.genes), tables, s.division_genes,
                         plural(s.division_genes), types, report.findings, plural(report.findings));
}

// kelvaro-batch --check-genome FILE: reads a genome as a reload does and says,
// line by line, where the format forgave something and what the program does
// instead; then what the genes do. For scripts and editors: the status says
// whether anything was found.
#include "batch.h"
#include "check_genome.h"

#include <cerrno>
#include <cstring>

namespace {

// Prints each finding as FILE:LINE:COLUMN: warning: TEXT, the form editors read.
class PrintedFindings : public GenomeFindings {
   public:
    PrintedFindings(const std::string& path, std::FILE* out) : path_(path), out_(out) {}
    void found(GenomePlace at, const char* text) override {
        std::fprintf(out_, "%s:%d:%d: warning: %s\n", path_.c_str(), at.line, at.column, text);
    }

   private:
    const std::string& path_;
    std::FILE* out_;
};

}  // namespace

int check_genome_main(const std::string& path, std::FILE* out, std::FILE* err) {
    reset_to_program_start();  // the tables a fresh program reloads onto
    PrintedFindings printed(path, out);
    GenomeSummary summary;
    errno = 0;
    const GenomeLoadReport r = check_genome_file(path.c_str(), printed, summary);
    if (!r.opened || r.read_error) {
        std::fprintf(err, "%s: cannot read genome '%s': %s\n", kProgramName, path.c_str(),
                     errno ? std::strerror(errno) : "not a regular file");
        return kExitUsage;
    }
    const auto plural = [](int n) { return n == 1 ? "" : "s"; };
    std::fprintf(out, "%s: %d gene%s, %d division gene%s, types set:", path.c_str(), summary.genes,
                 plural(summary.genes), summary.division_genes, plural(summary.division_genes));
    for (int k = 0; k < summary.types; ++k) std::fprintf(out, " %d", summary.type[k]);
    std::fprintf(out, "%s; %d finding%s\n", summary.types ? "" : " none", r.findings,
                 plural(r.findings));
    return r.findings == 0 ? kExitOk : kExitFindings;
}

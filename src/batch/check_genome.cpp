// kelvaro-batch --check-genome FILE: reads a genome as a fresh program loads it
// and says, line by line, where the format forgave something and what the
// program does instead; then what the genes do. For scripts and editors: the
// status says whether anything was found.
#include "batch.h"
#include "check_genome.h"

#include <cerrno>
#include <cstring>

#include "app/genome_check.h"

namespace {

// Prints each finding as it comes, in the check's own words.
class PrintedFindings : public GenomeFindings {
   public:
    PrintedFindings(const std::string& path, std::FILE* out) : path_(path), out_(out) {}
    void found(GenomePlace at, const char* text) override {
        GenomeFinding f{at, {}};
        std::snprintf(f.text, sizeof f.text, "%s", text);
        char line[4096];
        format_finding(line, sizeof line, path_.c_str(), f);
        std::fprintf(out_, "%s\n", line);
    }

   private:
    const std::string& path_;
    std::FILE* out_;
};

}  // namespace

int check_genome_main(const std::string& path, std::FILE* out, std::FILE* err) {
    PrintedFindings printed(path, out);
    GenomeSummary summary;
    errno = 0;
    const GenomeLoadReport r =
        check_genome_input(GenomeInput{path.c_str()}, GenomeBase::Start, printed, summary);
    if (r.binary) {
        std::fprintf(err, "%s: cannot use genome '%s': binary data (a NUL byte)\n", kProgramName,
                     path.c_str());
        return kExitUsage;
    }
    if (!r.opened || r.read_error) {
        std::fprintf(err, "%s: cannot read genome '%s': %s\n", kProgramName, path.c_str(),
                     errno ? std::strerror(errno) : "not a regular file");
        return kExitUsage;
    }
    char line[4096];
    format_check_summary(line, sizeof line, path.c_str(), r, summary);
    std::fprintf(out, "%s\n", line);
    return r.findings == 0 ? kExitOk : kExitFindings;
}

// The genome file "dna.vdna" and the genome dump "dedug.tmp".
//
// One gene per line, fields "KEY=value" separated by ";". Lines are read in
// chunks of at most 19 999 characters, as a 20 000-character line buffer does:
// the rest of a longer line is read as a line of its own.
#include "app/genome_file.h"
#include "app/files.h"
#include "sim/simulation.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

constexpr int kLineBuffer = 20000;
constexpr int kMaxFields = 15;
constexpr std::size_t kMaxKey = 199;

// The value of a field: optional white space, an optional sign, then decimal
// digits; what follows is ignored. Saturates instead of overflowing.
bool parse_value(std::string_view s, std::int32_t& out) {
    std::size_t p = 0;
    while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p]))) ++p;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) return false;
    std::int64_t v = 0;
    for (; p < s.size() && std::isdigit(static_cast<unsigned char>(s[p])); ++p)
        if (v <= std::int64_t(INT_MAX) + 1) v = v * 10 + (s[p] - '0');
    if (negative) v = -v;
    out = static_cast<std::int32_t>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    return true;
}

struct LineState {
    TDNA& gene;
    int enhancers = 0, silencers = 0, exons = 0;
    GenomeLoadReport& report;
};

void apply_field(std::string_view field, LineState& line) {
    const std::size_t eq = field.find('=');
    // No "=", an empty key or an over-long one: the field is ignored.
    if (eq == std::string_view::npos || eq == 0 || eq > kMaxKey) return;
    const std::string_view key = field.substr(0, eq);
    std::int32_t v;
    if (!parse_value(field.substr(eq + 1), v)) return;

    TDNA& g = line.gene;
    // A line holds at most 15 fields, so no list passes its 20 entries.
    if (key == "EN") {
        g.Enhancer[line.enhancers++] = v;
        g.Enhancer_count = line.enhancers;
    } else if (key == "SI") {
        g.Silencer[line.silencers++] = v;
        g.Silencer_count = line.silencers;
    } else if (key == "EX") {
        g.Exon[line.exons++] = v;
    } else if (key == "GLUEDS" || key == "SIGNAL") {
        // These address the type that Exon[0] names at this moment.
        const std::int32_t t = g.Exon[0];
        if (t < 0 || t >= kTypes) {
            ++line.report.tables_refused;
            return;
        }
        (key == "GLUEDS" ? Glueds : Signal_strength)[t] = v;
    } else if (key == "MPF") {
        g.MPF = v;
    }
}

void apply_line(const char* text, TDNA& gene, GenomeLoadReport& report) {
    LineState line{gene, 0, 0, 0, report};
    // Fields end at ";" or at the end of the text; the line break belongs to
    // the last field. An empty field ends the line's reading.
    std::string_view rest(text);
    for (int f = 0; f < kMaxFields; ++f) {
        const std::size_t len = rest.find(';');
        const std::string_view field = rest.substr(0, len);
        if (field.empty()) break;
        apply_field(field, line);
        if (len == std::string_view::npos) break;
        rest.remove_prefix(len + 1);
    }
}

}  // namespace

GenomeLoadReport load_genome_from(const char* path, const char* dump_path) {
    GenomeLoadReport report;
    {
        WorkerPause pause;  // the worker reads the genome: it waits at a cell boundary
        FileReader file(path);
        DNA_Count = 0;
        if (file.opened()) {
            report.opened = true;
            static char buffer[kLineBuffer];
            while (file.read_line(buffer, kLineBuffer)) {
                if (buffer[0] == '#') continue;
                if (DNA_Count >= kMaxGenes) {  // the table is full: later genes are dropped
                    ++report.lines_dropped;
                    continue;
                }
                apply_line(buffer, DNA[DNA_Count], report);
                ++DNA_Count;
            }
        }
        report.genes = DNA_Count;
        genome_changed();
    }
    if (dump_path) save_genome_dump_to(dump_path);
    return report;
}

void load_genome() {
    load_genome_from(kGenomeFile, kGenomeDump);
}

bool save_genome_dump_to(const char* path) {
    AtomicFileWriter out(path);
    // "%d/%d/%d/%d/ \n" per gene: index, type, first two enhancers.
    for (int k = 0; k < DNA_Count; ++k) {
        out.put_int(k);
        for (std::int32_t v : {DNA[k].Exon[0], DNA[k].Enhancer[0], DNA[k].Enhancer[1]}) {
            out.put('/');
            out.put_int(v);
        }
        out.put("/ \n");
    }
    // "%d/%d \n" for the thresholds of types 0 to 29.
    for (int t = 0; t < 30; ++t) {
        out.put_int(t);
        out.put('/');
        out.put_int(Glueds[t]);
        out.put(" \n");
    }
    return out.commit();
}

// The genome file "dna.vdna" and the genome dump "dedug.tmp".
//
// One gene per line, fields "KEY=value" separated by ";". Lines are read in
// chunks of at most 19 999 characters, as a 20 000-character line buffer does:
// the rest of a longer line is read as a line of its own. The file is read
// into a copy of the running tables, and that copy replaces them only once
// the whole file is read; the genome check is the same reading, with each
// place where the format forgives something reported as a finding.
#include "app/genome_file.h"
#include "app/files.h"
#include "sim/simulation.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr int kLineBuffer = 20000;
constexpr int kMaxFields = 15;
constexpr std::size_t kMaxKey = 199;

// What a reading fills: a copy of the gene table and the per-type tables.
struct GenomeTables {
    TDNA dna[kMaxGenes];
    std::int32_t count;
    std::int32_t glueds[kTypes];
    std::int32_t strength[kTypes];
};
GenomeTables g_read;  // the reading's scratch: loads run mid-simulation and allocate nothing

GenomeTables g_fresh;  // the same reading from the start tables, to see what a reload kept

GenomeLoadReport g_last;
long g_loads = 0;

// Where a reading takes its lines from: a file, or a text in memory. Lines
// come as fgets gives them: at most size - 1 bytes, through the first line break.
class GenomeSource {
   public:
    explicit GenomeSource(const GenomeInput& in) : in_(in) {
        if (in.path) file_.emplace(in.path);
    }
    bool opened() const { return !in_.path || file_->opened(); }
    bool failed() const { return in_.path && file_->failed(); }
    bool read_line(char* line, int size) {
        if (in_.path) return file_->read_line(line, size);
        if (pos_ >= in_.size) return false;
        int n = 0;
        while (n < size - 1 && pos_ < in_.size) {
            const char c = in_.text[pos_++];
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = '\0';
        return true;
    }

   private:
    const GenomeInput& in_;
    std::optional<FileReader> file_;
    std::size_t pos_ = 0;
};

// A NUL byte in the first 64 KiB marks binary data, as grep and git judge it.
bool input_is_binary(const GenomeInput& in) {
    if (in.path) return file_has_nul(in.path);
    const std::size_t n = std::min<std::size_t>(in.size, kBinaryProbe);
    return std::memchr(in.text, 0, n) != nullptr;
}

void keep_first_finding(GenomeLoadReport& report, GenomePlace at, const char* text) {
    report.first_at = at;
    const std::size_t n = std::min(std::strlen(text), sizeof report.first_finding - 1);
    std::memcpy(report.first_finding, text, n);  // cut at the field's length, as shown
    report.first_finding[n] = '\0';
}

// Who hears the findings of one reading, and where in the file it is.
struct Reading {
    GenomeTables& tables;
    GenomeFindings* findings;
    GenomeLoadReport& report;
    int line = 0;         // the file's line of the current chunk
    int column_base = 0;  // columns of that line before the current chunk
    const char* text = nullptr;

    [[gnu::format(printf, 3, 4)]] void find(const char* at, const char* fmt, ...) {
        const bool first = report.findings++ == 0;
        if (!findings && !first) return;
        char message[256];
        va_list args;
        va_start(args, fmt);
        std::vsnprintf(message, sizeof message, fmt, args);
        va_end(args);
        const GenomePlace place{line, column_base + int(at - text) + 1};
        if (first) keep_first_finding(report, place, message);
        if (findings) findings->found(place, message);
    }
};

bool blank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return std::isspace((unsigned char)c); });
}

// The value of a field: optional white space, an optional sign, then decimal
// digits; what follows is ignored. Saturates instead of overflowing.
bool parse_value(std::string_view s, std::int32_t& out, bool& saturated) {
    std::size_t p = 0;
    while (p < s.size() && std::isspace(static_cast<unsigned char>(s[p]))) ++p;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    if (p >= s.size() || !std::isdigit(static_cast<unsigned char>(s[p]))) return false;
    std::int64_t v = 0;
    for (; p < s.size() && std::isdigit(static_cast<unsigned char>(s[p])); ++p)
        if (v <= std::int64_t(INT_MAX) + 1) v = v * 10 + (s[p] - '0');
    if (negative) v = -v;
    saturated = v < INT_MIN || v > INT_MAX;
    out = static_cast<std::int32_t>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    return true;
}

struct LineState {
    Reading& reading;
    TDNA& gene;
    int index;  // the gene's slot
    int enhancers = 0, silencers = 0, exons = 0;
    int tables = 0;   // GLUEDS and SIGNAL fields taken
    GeneRead read{};  // what the record does not keep, for the reader's listener
};

constexpr std::string_view kKeys[] = {"EN", "SI", "EX", "GLUEDS", "SIGNAL", "MPF"};

bool known_key(std::string_view key) {
    return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

// A field whose key the reader does not take: why, for the check.
void unknown_field(std::string_view field, std::size_t eq, LineState& line) {
    Reading& r = line.reading;
    const char* at = field.data();
    std::string_view text = field.substr(0, 40);  // the field as shown, without its line break
    while (!text.empty() && std::isspace((unsigned char)text.back())) text.remove_suffix(1);
    const int shown = int(text.size());
    if (eq == std::string_view::npos)
        return r.find(at, "'%.*s' has no '=': the field is ignored", shown, at);
    if (eq == 0) return r.find(at, "a field without a key: ignored");
    if (eq > kMaxKey) return r.find(at, "a key of %zu characters (more than 199): ignored", eq);
    std::string_view key = field.substr(0, eq), trimmed = key;
    while (!trimmed.empty() && std::isspace((unsigned char)trimmed.front()))
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && std::isspace((unsigned char)trimmed.back()))
        trimmed.remove_suffix(1);
    if (known_key(trimmed))
        return r.find(at, "key '%.*s' has blanks, so it is not %.*s: the field is ignored",
                      int(key.size()), key.data(), int(trimmed.size()), trimmed.data());
    r.find(at, "unknown key '%.*s': the field is ignored", int(std::min<std::size_t>(eq, 40)),
           key.data());
}

// The ranges the rules use a value in; only the check looks.
void check_range(std::string_view key, std::int32_t v, const char* at, LineState& line) {
    Reading& r = line.reading;
    const bool channel = key == "EN" || key == "SI";
    if (channel && (v < 0 || v >= kChannels))
        r.find(at, "%.*s=%d is outside channels 0..19: %s", int(key.size()), key.data(), v,
               key == "EN" ? "the gene reads level 0 there" : "it silences nothing");
    if (key == "EX" && (v < 0 || v >= kTypes))
        r.find(at, "EX=%d is outside types 0..99: cells of it emit nothing and have adhesion 0", v);
}

void apply_field(std::string_view field, LineState& line) {
    const std::size_t eq = field.find('=');
    const std::string_view key = eq == std::string_view::npos ? field : field.substr(0, eq);
    // No "=", an empty key, an over-long one, or a key the reader does not take:
    // the field is ignored. A blank field (a line's break after its last ";") is
    // no finding.
    if (eq == std::string_view::npos || eq == 0 || eq > kMaxKey || !known_key(key)) {
        if (!blank(field)) unknown_field(field, eq, line);
        return;
    }
    Reading& r = line.reading;
    const char* at = field.data();
    std::int32_t v;
    bool saturated = false;
    if (!parse_value(field.substr(eq + 1), v, saturated))
        return r.find(at, "%.*s has no number after '=': the field is ignored", int(eq), at);
    if (saturated) r.find(at + eq + 1, "the number saturates at %d", v);
    check_range(key, v, at, line);

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
        if (line.exons == 0)
            r.find(at,
                   "%.*s before the line's first EX: it sets type %d, the slot's type until then",
                   int(eq), at, t);
        if (t < 0 || t >= kTypes) {
            ++r.report.tables_refused;
            return r.find(at, "%.*s for type %d, outside 0..99: ignored", int(eq), at, t);
        }
        (key == "GLUEDS" ? r.tables.glueds : r.tables.strength)[t] = v;
        ++line.tables;
        GeneRead& read = line.read;
        if (line.exons == 0) {
            ++read.tables_elsewhere;
        } else if (key == "GLUEDS") {
            read.glueds_set = true;
            read.glueds = v;
        } else {
            read.signal_set = true;
            read.signal = v;
        }
    } else {
        g.MPF = v;
    }
}

// What a whole line leaves in its gene that it may not have meant.
void check_gene(const LineState& line) {
    Reading& r = line.reading;
    const TDNA& g = line.gene;
    const int k = line.index;
    if (blank(r.text))
        return r.find(r.text, "a blank line is gene %d all the same: it keeps what its slot held",
                      k);
    // A line that only sets its type's tables (EX, then GLUEDS or SIGNAL, and
    // no EN) switches nothing, and means to.
    if (line.enhancers == 0 && line.exons > 0 && line.tables > 0 && g.MPF != 1) {
        ++r.report.table_lines;
        return;
    }
    if (line.exons == 0 && g.MPF != 1) {
        if (g.Exon[0] == 0)
            r.find(r.text, "gene %d neither divides (MPF=1) nor has an EX: it does nothing", k);
        else
            r.find(r.text, "gene %d has no EX: it keeps type %d from the slot's earlier load", k,
                   g.Exon[0]);
    }
    if (line.enhancers < 2)
        r.find(r.text, "gene %d has fewer than two EN: it reads channels %d and %d", k,
               g.Enhancer[0], g.Enhancer[1]);
}

void apply_line(Reading& r, int index) {
    LineState line{r, r.tables.dna[index], index};
    // Fields end at ";" or at the end of the text; the line break belongs to
    // the last field. An empty field ends the line's reading.
    std::string_view rest(r.text);
    for (int f = 0;; ++f) {
        const std::size_t len = rest.find(';');
        const std::string_view field = rest.substr(0, len);
        if (field.empty() || f == kMaxFields) {
            const std::string_view after =
                field.empty() ? rest.substr(std::min<std::size_t>(1, rest.size())) : rest;
            if (after.find_first_not_of("; \t\r\n\v\f") != std::string_view::npos) {
                if (field.empty())
                    r.find(rest.data(), "an empty field ends the line: what follows is ignored");
                else
                    r.find(rest.data(),
                           "a line reads 15 fields: this one and those after are ignored");
            }
            break;
        }
        apply_field(field, line);
        if (len == std::string_view::npos) break;
        rest.remove_prefix(len + 1);
    }
    check_gene(line);
    if (r.findings) {
        line.read.index = index;
        line.read.line = r.line;
        line.read.gene = &line.gene;
        line.read.exons = line.exons;
        r.findings->gene_read(line.read);
    }
}

// What a reading starts from: the running tables, or those of a fresh program
// (no gene, the start thresholds and strengths).
void start_tables(GenomeBase base, GenomeTables& t) {
    if (base == GenomeBase::Running) {
        std::memcpy(t.dna, DNA, sizeof DNA);
        std::memcpy(t.glueds, Glueds, sizeof Glueds);
        std::memcpy(t.strength, Signal_strength, sizeof Signal_strength);
    } else {
        std::memset(t.dna, 0, sizeof t.dna);
        start_table_values(t.glueds, t.strength);
    }
    t.count = 0;
}

void report_dropped(Reading& r, GenomePlace first_dropped) {
    char message[128];
    std::snprintf(message, sizeof message,
                  "gene lines past the 200th are ignored: %d line%s from here on",
                  r.report.lines_dropped, r.report.lines_dropped == 1 ? "" : "s");
    if (r.report.findings++ == 0) keep_first_finding(r.report, first_dropped, message);
    if (r.findings) r.findings->found(first_dropped, message);
}

// Reads the input into `into`, starting from the running tables (a reload
// keeps what its lines do not name) or from the start tables, reporting to
// `findings` when given.
GenomeLoadReport read_genome(const GenomeInput& in, GenomeBase base, GenomeTables& into,
                             GenomeFindings* findings) {
    GenomeLoadReport report;
    report.from_text = in.path == nullptr;
    start_tables(base, into);
    if (input_is_binary(in)) {
        report.binary = true;
        return report;
    }
    GenomeSource source(in);
    if (!source.opened()) return report;
    report.opened = true;
    static char buffer[kLineBuffer];
    Reading r{into, findings, report};
    bool continued = false;  // the last chunk filled the buffer without ending its line
    GenomePlace first_dropped{};
    for (int length = 0; source.read_line(buffer, kLineBuffer);) {
        r.column_base = continued ? r.column_base + length : 0;
        length = int(std::strlen(buffer));
        if (!continued) ++r.line;
        r.text = buffer;
        if (continued)
            r.find(buffer, "a line longer than 19 999 characters: the rest is read as %s %d",
                   buffer[0] == '#' ? "a comment, not gene" : "gene", into.count);
        continued = length == kLineBuffer - 1 && buffer[length - 1] != '\n';
        if (buffer[0] == '#') continue;
        if (into.count >= kMaxGenes) {  // the table is full: later genes are dropped
            if (report.lines_dropped++ == 0) first_dropped = {r.line, r.column_base + 1};
            continue;
        }
        apply_line(r, into.count);
        ++into.count;
    }
    report.read_error = source.failed();
    report.genes = into.count;
    if (report.lines_dropped > 0) report_dropped(r, first_dropped);
    return report;
}

// A reading onto the running tables that a reading from the start tables
// would not give: some field or table entry an earlier load set stayed.
bool kept_earlier_fields(const GenomeInput& in) {
    read_genome(in, GenomeBase::Start, g_fresh, nullptr);
    return std::memcmp(g_fresh.dna, g_read.dna, sizeof(TDNA) * std::size_t(g_read.count)) != 0 ||
           std::memcmp(g_fresh.glueds, g_read.glueds, sizeof g_read.glueds) != 0 ||
           std::memcmp(g_fresh.strength, g_read.strength, sizeof g_read.strength) != 0;
}

// Makes g_read the genome in force; the worker waits meanwhile.
void apply_genome() {
    WorkerPause pause;  // the worker reads the genome: it waits at a cell boundary
    std::memcpy(DNA, g_read.dna, sizeof DNA);
    std::memcpy(Glueds, g_read.glueds, sizeof Glueds);
    std::memcpy(Signal_strength, g_read.strength, sizeof Signal_strength);
    DNA_Count = g_read.count;
    genome_changed();
}

GenomeLoadReport finish_load(GenomeLoadReport report, bool apply, const char* dump_path) {
    report.applied = apply;
    if (apply) {
        apply_genome();
        if (dump_path) save_genome_dump_to(dump_path);
    }
    g_last = report;
    ++g_loads;
    return report;
}

void summarise(const GenomeTables& t, GenomeSummary& summary) {
    summary = GenomeSummary{};
    summary.genes = t.count;
    for (int k = 0; k < t.count; ++k) {
        const TDNA& g = t.dna[k];
        summary.division_genes += g.MPF == 1;
        std::int32_t* end = summary.type + summary.types;
        if (g.Exon[0] != 0 && std::find(summary.type, end, g.Exon[0]) == end)
            summary.type[summary.types++] = g.Exon[0];
    }
    std::sort(summary.type, summary.type + summary.types);
}

}  // namespace

GenomeLoadReport load_genome_input(const GenomeInput& in, GenomeBase base, const char* dump_path,
                                   GenomeFindings* findings) {
    GenomeLoadReport r = read_genome(in, base, g_read, findings);
    if (r.binary) return finish_load(r, false, dump_path);  // binary data: nothing changes
    if (base == GenomeBase::Running && r.opened) r.kept_earlier = kept_earlier_fields(in);
    // An unopened file still applies: no gene stays in force, the tables as they were.
    return finish_load(r, true, dump_path);
}

GenomeLoadReport load_genome_from(const char* path, const char* dump_path,
                                  GenomeFindings* findings) {
    return load_genome_input(GenomeInput{path}, GenomeBase::Running, dump_path, findings);
}

GenomeLoadReport reload_genome_if_readable(const GenomeInput& in, GenomeBase base,
                                           const char* dump_path) {
    const GenomeLoadReport r = read_genome(in, base, g_read, nullptr);
    return finish_load(r, r.opened && !r.read_error && !r.binary, dump_path);
}

GenomeLoadReport check_genome_input(const GenomeInput& in, GenomeBase base,
                                    GenomeFindings& findings, GenomeSummary& summary) {
    const GenomeLoadReport r = read_genome(in, base, g_read, &findings);
    summarise(g_read, summary);
    return r;
}

const GenomeLoadReport& last_genome_load(long* loads) {
    if (loads) *loads = g_loads;
    return g_last;
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

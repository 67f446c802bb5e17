// The command line of kelvaro-batch: GNU long options through getopt_long,
// strict numbers, and one message per mistake.
#include "batch.h"
#include "check_genome.h"
#include "render.h"

#include <getopt.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

// A whole argument as a decimal integer in [lo, hi]: no blanks, no '+', nothing
// after the digits, so "10x", " 5" and "1e3" are mistakes rather than 10, 5, 1.
template <class T>
bool parse_number(std::string_view text, T lo, T hi, T& out) {
    T v{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

std::string quoted(std::string_view s) {
    std::string q(1, '\'');
    q.append(s);
    q.push_back('\'');
    return q;
}

bool int_option(const char* name, const char* text, int lo, int hi, int& out, std::string& error) {
    if (parse_number(std::string_view(text), lo, hi, out)) return true;
    error = std::string("--") + name + ": " + quoted(text) + " is not ";
    if (lo == 0 && hi >= INT_MAX - 1)
        error += "a whole number of 0 or more";
    else if (lo == 1 && hi == INT_MAX)
        error += "a whole number of 1 or more";
    else
        error += "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
    return false;
}

// "F1,F2,...": frame numbers of 1 or more, added to what earlier uses gave.
bool frame_list(const char* text, std::vector<int>& out, std::string& error) {
    std::string_view rest(text);
    for (;;) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        int frame;
        if (!parse_number(item, 1, INT_MAX, frame)) {
            error = "--divide-all-at: " + quoted(item) + " in " + quoted(text) +
                    " is not a frame number (frames count from 1)";
            return false;
        }
        out.push_back(frame);
        if (comma == std::string_view::npos) return true;
        rest.remove_prefix(comma + 1);
    }
}

// How an option's value is read.
enum class Kind { kSwitch, kText, kInt, kSeed, kFrameList, kHelp };

// One row of the option table: the name, how its value is read, where it goes.
struct OptionRow {
    const char* name;
    Kind kind;
    bool BatchOptions::*flag = nullptr;         // kSwitch: set; kInt, kSeed: set when given
    std::string BatchOptions::*text = nullptr;  // kText
    int BatchOptions::*number = nullptr;        // kInt
    int lo = 0, hi = 0;                         // kInt: the allowed range
};

using O = BatchOptions;
const OptionRow kOptions[] = {
    {"genome", Kind::kText, nullptr, &O::genome},
    {"cells", Kind::kText, nullptr, &O::cells},
    {"frames", Kind::kInt, nullptr, nullptr, &O::frames, 0, INT_MAX - 1},
    {"division", Kind::kSwitch, &O::division},
    {"gravity", Kind::kSwitch, &O::gravity},
    {"divide-all-at", Kind::kFrameList},
    {"seed", Kind::kSeed, &O::seeded},
    {"signal-passes", Kind::kInt, &O::signal_passes_given, nullptr, &O::signal_passes, 0, INT_MAX},
    // Records that the shift moves off the lattice are skipped, so any larger
    // shift could only empty the colony.
    {"shift", Kind::kInt, nullptr, nullptr, &O::shift, -1000000, 1000000},
    {"reload-every", Kind::kInt, nullptr, nullptr, &O::reload_every, 1, INT_MAX},
    {"threaded", Kind::kSwitch, &O::threaded},
    {"out", Kind::kText, nullptr, &O::out},
    {"stats", Kind::kText, nullptr, &O::stats},
    {"html", Kind::kText, nullptr, &O::html},
    {"html-every", Kind::kInt, nullptr, nullptr, &O::html_every, 1, INT_MAX},
    {"snapshot-every", Kind::kInt, nullptr, nullptr, &O::snapshot_every, 1, INT_MAX},
    {"snapshot-dir", Kind::kText, nullptr, &O::snapshot_dir},
    {"resume", Kind::kText, nullptr, &O::resume},
    {"checkpoint", Kind::kText, nullptr, &O::checkpoint},
    {"checkpoint-every", Kind::kInt, nullptr, nullptr, &O::checkpoint_every, 1, INT_MAX},
    {"checkpoint-dir", Kind::kText, nullptr, &O::checkpoint_dir},
    {"no-division", Kind::kSwitch, &O::no_division},
    {"no-gravity", Kind::kSwitch, &O::no_gravity},
    {"quiet", Kind::kSwitch, &O::quiet},
    {"progress", Kind::kSwitch, &O::progress},
    {"render-every", Kind::kInt, nullptr, nullptr, &O::render_every, 1, INT_MAX},
    {"render-dir", Kind::kText, nullptr, &O::render_dir},
    {"render-size", Kind::kText, nullptr, &O::render_size},
    {"camera", Kind::kText, nullptr, &O::camera_text},
    {"axes", Kind::kSwitch, &O::axes},
    {"show-len", Kind::kInt, &O::show_len_given, nullptr, &O::show_len, INT_MIN, INT_MAX},
    {"stamp", Kind::kSwitch, &O::stamp},
    {"heat", Kind::kText, nullptr, &O::heat},
    {"slice", Kind::kText, nullptr, &O::slice},
    {"hide-types", Kind::kText, nullptr, &O::hide_types},
    {"movie", Kind::kText, nullptr, &O::movie},
    {"lineage", Kind::kText, nullptr, &O::lineage},
    {"events", Kind::kText, nullptr, &O::events},
    {"check-genome", Kind::kText, nullptr, &O::check_genome},
    {"help", Kind::kHelp},
};
constexpr int kOptionCount = int(sizeof kOptions / sizeof kOptions[0]);
constexpr int kFirstOption = 1000;  // getopt_long's value for kOptions[0]

// getopt_long's view of the table.
struct LongOptions {
    option rows[kOptionCount + 1] = {};
    LongOptions() {
        for (int k = 0; k < kOptionCount; ++k) {
            const bool takes_value =
                kOptions[k].kind != Kind::kSwitch && kOptions[k].kind != Kind::kHelp;
            rows[k] = {kOptions[k].name, takes_value ? required_argument : no_argument, nullptr,
                       kFirstOption + k};
        }
    }
};
const LongOptions kLongOptions;

// Takes one option's value into `o`; false with `error` set when it is not usable.
bool take_option(const OptionRow& row, const char* arg, BatchOptions& o, std::string& error) {
    switch (row.kind) {
        case Kind::kSwitch: o.*row.flag = true; return true;
        case Kind::kText: o.*row.text = arg; return true;
        case Kind::kInt:
            if (!int_option(row.name, arg, row.lo, row.hi, o.*row.number, error)) return false;
            if (row.flag) o.*row.flag = true;
            return true;
        case Kind::kSeed:
            if (!parse_number(std::string_view(arg), std::uint64_t(0), UINT64_MAX, o.seed)) {
                error = "--seed: " + quoted(arg) + " is not a whole number from 0 to " +
                        std::to_string(UINT64_MAX);
                return false;
            }
            o.seeded = true;
            return true;
        case Kind::kFrameList: return frame_list(arg, o.divide_all_at, error);
        case Kind::kHelp: return true;
    }
    return true;
}

// The message for what getopt_long refused: a missing value, a value given to
// a switch, an unknown option.
std::string refused(int c, int argc, char** argv, int prev) {
    if (c == ':') return "option " + quoted(argv[optind - 1]) + " needs a value";
    // A long option has advanced optind past itself; an unknown short one
    // inside a group has not, and is reported by its letter.
    const char* given = argv[optind > prev && optind - 1 < argc ? optind - 1 : prev];
    if (optopt >= kFirstOption) return "option " + quoted(given) + " takes no value";
    const std::string name = optopt ? std::string("-") + char(optopt) : std::string(given);
    return "unknown option " + quoted(name) + " (see --help)";
}

// The checkpoint options against each other and the inputs they replace.
bool check_checkpoint_options(const BatchOptions& o, std::string& error) {
    if ((o.checkpoint_every > 0) != !o.checkpoint_dir.empty()) {
        error = o.checkpoint_every > 0 ? "--checkpoint-every needs --checkpoint-dir"
                                       : "--checkpoint-dir needs --checkpoint-every";
        return false;
    }
    if ((o.division && o.no_division) || (o.gravity && o.no_gravity)) {
        error = o.division && o.no_division ? "--division and --no-division exclude each other"
                                            : "--gravity and --no-gravity exclude each other";
        return false;
    }
    if (o.resume.empty()) return true;
    const char* other = !o.genome.empty()  ? "--genome"
                        : !o.cells.empty() ? "--cells"
                        : o.seeded         ? "--seed"
                                           : nullptr;
    if (other) {
        error = std::string("--resume cannot be combined with ") + other +
                " (the checkpoint holds the genome, the colony and the random sequence)";
        return false;
    }
    return true;
}

// The checks that concern several options at once.
bool check_combination(BatchOptions& o, std::string& error) {
    if (!check_checkpoint_options(o, error)) return false;
    if ((o.snapshot_every > 0) != !o.snapshot_dir.empty()) {
        error = o.snapshot_every > 0 ? "--snapshot-every needs --snapshot-dir"
                                     : "--snapshot-dir needs --snapshot-every";
        return false;
    }
    if (o.html_every > 0 && o.html.empty()) {
        error = "--html-every needs --html";
        return false;
    }
    if (o.reload_every > 0 && o.genome.empty() && o.cells.empty()) {
        error = "--reload-every needs --genome or --cells (there is nothing to reload)";
        return false;
    }
    if (o.threaded && o.signal_passes_given) {
        error = "--signal-passes and --threaded exclude each other (the worker settles the field)";
        return false;
    }
    std::sort(o.divide_all_at.begin(), o.divide_all_at.end());
    o.divide_all_at.erase(std::unique(o.divide_all_at.begin(), o.divide_all_at.end()),
                          o.divide_all_at.end());
    // A resumed run checks its frames once it knows where it starts.
    if (o.resume.empty() && !o.divide_all_at.empty() && o.divide_all_at.back() > o.frames) {
        error = "--divide-all-at: frame " + std::to_string(o.divide_all_at.back()) +
                " lies past the last frame (" + std::to_string(o.frames) + ")";
        return false;
    }
    return true;
}

}  // namespace

ParseResult parse_batch_options(int argc, char** argv, BatchOptions& o, std::string& error) {
    o = BatchOptions{};
    // 0 makes GNU getopt start afresh, so the parser runs again in one process.
    optind = 0;
    opterr = 0;  // its own messages would be a second line, and unprefixed
    for (;;) {
        const int prev = optind;
        const int c = getopt_long(argc, argv, ":h", kLongOptions.rows, nullptr);
        if (c == -1) break;
        if (c == 'h') return ParseResult::kHelp;
        if (c < kFirstOption || c >= kFirstOption + kOptionCount) {
            error = refused(c, argc, argv, prev);
            return ParseResult::kError;
        }
        const OptionRow& row = kOptions[c - kFirstOption];
        if (row.kind == Kind::kHelp) return ParseResult::kHelp;
        if (!take_option(row, optarg, o, error)) return ParseResult::kError;
        if (row.text != &O::check_genome) ++o.other_options;
    }
    if (optind < argc) {
        error = "unexpected argument " + quoted(argv[optind]) + " (see --help)";
        return ParseResult::kError;
    }
    return check_batch_options(o, error) ? ParseResult::kRun : ParseResult::kError;
}

bool set_batch_option(BatchOptions& o, std::string_view name, const char* value,
                      std::string& error) {
    for (const OptionRow& row : kOptions) {
        if (name != row.name || row.kind == Kind::kHelp) continue;
        if ((row.kind == Kind::kSwitch) != (value == nullptr)) {
            error =
                "option '--" + std::string(name) + (value ? "' takes no value" : "' needs a value");
            return false;
        }
        return take_option(row, value, o, error);
    }
    error = "unknown option '--" + std::string(name) + "'";
    return false;
}

bool check_batch_options(BatchOptions& o, std::string& error) {
    for (const std::string* path :
         {&o.genome, &o.cells, &o.out, &o.stats, &o.snapshot_dir, &o.render_dir, &o.movie,
          &o.resume, &o.checkpoint, &o.checkpoint_dir, &o.lineage, &o.events, &o.check_genome,
          &o.html}) {
        if (path->size() >= 4000) {  // the file writers hold paths in fixed buffers
            error = "path too long: " + quoted(path->substr(0, 40) + "...");
            return false;
        }
    }
    if (!o.check_genome.empty()) {
        if (o.other_options == 0) return true;
        error = "--check-genome takes no other option (it only reads the genome)";
        return false;
    }
    return check_combination(o, error) && check_render_options(o, error);
}

namespace {

// The option list that --help prints.
constexpr const char* kHelpText =
    "Usage: kelvaro-batch [OPTION]...\n"
    "Grow a Kelvaro colony without a window: load a genome and a cell list, run\n"
    "the frame pass of the window program N times, write the results.\n"
    "\n"
    "Inputs:\n"
    "  --genome FILE         genome in the dna.vdna format (default: no genes)\n"
    "  --cells FILE          colony in the list.txt format (default: the seed cell)\n"
    "  --shift N             add N to x and y of every loaded cell (default 40,\n"
    "                        as the reload key does)\n"
    "\n"
    "The run:\n"
    "  --frames N            frames to run, 0 or more (default 100)\n"
    "  --division            division by genes on (the V key)\n"
    "  --gravity             column gravity on (the G key)\n"
    "  --divide-all-at F1,F2,...\n"
    "                        divide every cell once at the start of these frames\n"
    "                        (the Return key); frames count from 1\n"
    "  --seed S              seed of the random sequence, 0 to 2^64-1 (default:\n"
    "                        the window program's sequence)\n"
    "  --signal-passes P     full signal passes before each frame (default 1)\n"
    "  --threaded            let the live signal worker settle the field instead,\n"
    "                        as the window program does; the result then depends on\n"
    "                        thread timing and is NOT reproducible\n"
    "  --reload-every K      before frames K, 2K, ... reload the genome and the\n"
    "                        colony from --genome and --cells (the seed cell without\n"
    "                        --cells) with --shift, as the reload key does; the\n"
    "                        random sequence and the switches carry on\n"
    "\n"
    "Outputs (each written under a temporary name and renamed when complete):\n"
    "  --out FILE            the final colony in the list.txt format, unshifted\n"
    "  --stats FILE.csv      one row per frame from frame 0 (the loaded colony):\n"
    "                        frame, cells, type_N per type that occurs, type_other\n"
    "                        for types outside 0..99, elapsed_ms\n"
    "  --snapshot-every K    with --snapshot-dir: every K frames write\n"
    "  --snapshot-dir DIR    DIR/cells-NNNNNN.txt and DIR/cells-NNNNNN.vtk (legacy\n"
    "                        VTK points with the cell type); DIR is created\n"
    "  --lineage FILE.csv    one row per cell at the end, in table order: cell,\n"
    "                        parent, born_frame, generation, type, type_frame,\n"
    "                        type_gene, previous_type (-1 where nothing is known)\n"
    "  --events FILE.csv     one row per division and type change as it happens:\n"
    "                        frame, event (divide or type), cell, other (the\n"
    "                        daughter, or -1), gene (-1 for none), from_type, to_type\n"
    "  --html FILE.html      a page that any browser opens offline to turn the\n"
    "                        final colony round, hide types and read the genome\n"
    "  --html-every N        with --html: frames 0, N, 2N... too, with a slider\n"
    "\n"
    "Pictures (the window program's drawing, off-screen; no display needed):\n"
    "  --render-every K      every K frames (K, 2K, ...) a picture; with --movie\n"
    "                        alone, every frame\n"
    "  --render-dir DIR      write the pictures as DIR/cells-NNNNNN.png\n"
    "  --movie FILE.mp4      pipe the pictures to ffmpeg (which must be on PATH)\n"
    "  --render-size WxH     picture size in pixels (default 1000x600)\n"
    "  --camera X,Y,Z,XROT,ZROT\n"
    "                        the window's camera values (default: its start\n"
    "                        camera); --camera auto frames the colony as Home does\n"
    "  --axes                draw the axis markers\n"
    "  --show-len N          the level the signal overlay marks (default 1)\n"
    "  --heat C              heat map of signal channel C, as in the window\n"
    "  --slice AXIS:FROM[:THICKNESS]\n"
    "                        only the cells in that slab, as in the window\n"
    "  --hide-types T,T,...  leave those types (0 to 99) out, as the window's panel\n"
    "                        does; with --html, the page starts with them hidden\n"
    "  --stamp               frame number and cell count in the top left corner\n"
    "\n"
    "Checkpoints (the whole state: a resumed run continues exactly):\n"
    "  --checkpoint FILE     write a checkpoint after the last frame\n"
    "  --checkpoint-every K  with --checkpoint-dir: every K frames write\n"
    "  --checkpoint-dir DIR  DIR/checkpoint-NNNNNN.kck; DIR is created\n"
    "  --resume FILE         start from a checkpoint (the window program's F5 file\n"
    "                        too) instead of --genome/--cells/--seed; frame numbers\n"
    "                        continue, --frames N runs N more, the switches come\n"
    "                        from the checkpoint unless these change them:\n"
    "  --no-division, --no-gravity\n"
    "                        switch division or gravity off (--division and\n"
    "                        --gravity switch them on)\n"
    "On SIGTERM or SIGINT the run finishes its frame, writes the stats, --out and\n"
    "--checkpoint, and exits with 128 plus the signal's number; a second signal\n"
    "stops it at once.\n"
    "\n"
    "Genome check:\n"
    "  --check-genome FILE   only read FILE as a reload does; print each place where\n"
    "                        the format forgives something as FILE:LINE:COLUMN:\n"
    "                        warning: ..., then a summary of the genes; exit 0\n"
    "                        without findings, 3 with some\n"
    "\n"
    "Messages (standard error):\n"
    "  --progress            show the progress line even when standard error is\n"
    "                        not a terminal\n"
    "  --quiet               no progress line and no summary (warnings and errors\n"
    "                        still appear)\n"
    "  -h, --help            this text\n"
    "\n"
    "An empty genome or colony is run with a warning; a folder, an unreadable\n"
    "file or a binary one (a NUL byte in its first 64 KiB) is refused.\n"
    "\n"
    "Exit status: 0 success, 1 an output could not be written, 2 a bad option or\n"
    "value or an input that cannot be read or is binary, or a checkpoint that is\n"
    "refused; 3 findings of --check-genome; 128 plus the signal's number when\n"
    "stopped by SIGTERM or SIGINT.\n";

}  // namespace

void print_batch_help(std::FILE* out) {
    std::fputs(kHelpText, out);
}

int batch_main(int argc, char** argv, std::FILE* out, std::FILE* err) {
    BatchOptions opts;
    std::string error;
    switch (parse_batch_options(argc, argv, opts, error)) {
        case ParseResult::kHelp: print_batch_help(out); return kExitOk;
        case ParseResult::kError:
            std::fprintf(err, "%s: %s\n", kProgramName, error.c_str());
            return kExitUsage;
        case ParseResult::kRun: break;
    }
    for (int k = 0; k < argc; ++k) (k ? opts.command += ' ' : opts.command) += argv[k];
    if (!opts.check_genome.empty()) return check_genome_main(opts.check_genome, out, err);
    return run_batch(opts, err);
}

// batch: the headless program kelvaro-batch. It runs the window program's
// frame pass without drawing, from a genome file and a cell list to a saved
// colony, a per-frame table of counts and snapshots, reproducibly: the same
// command line gives the same files, byte for byte.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/cell_list.h"
#include "app/checkpoint.h"
#include "app/files.h"
#include "app/frame_pass.h"
#include "app/genome_file.h"

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitOutput = 1;  // an output could not be written
inline constexpr int kExitUsage = 2;   // a bad option or value, an input that cannot be read
// A run stopped by SIGTERM or SIGINT exits with this plus the signal's number.
inline constexpr int kExitSignalBase = 128;

inline constexpr int kDefaultFrames = 100;                    // --frames unless given
inline constexpr const char* kProgramName = "kelvaro-batch";  // prefixes every message

// What the command line asks for. Paths are empty when not given.
struct BatchOptions {
    std::string genome;                // empty: no genes
    bool has_genome_text = false;      // the genome is genome_text, not a file (the module)
    std::string genome_text;           // a genome in the dna.vdna format, held in memory
    std::string cells;                 // empty: the seed cell of Cells_Init()
    int frames = kDefaultFrames;       // frames to run
    bool division = false;             // k_v
    bool gravity = false;              // k_g
    std::vector<int> divide_all_at;    // frames (1..frames) whose pass divides every cell; sorted
    bool seeded = false;               // false: the generator's start sequence (kDefaultSeed)
    std::uint64_t seed = 0;            // --seed, when seeded
    int signal_passes = 1;             // settling passes before each frame
    bool signal_passes_given = false;  // --signal-passes was given
    int shift = kLoadShift;            // added to x and y of every loaded cell
    int reload_every = 0;        // 0: never; K: genome and colony reloaded before frames K, 2K, ...
    bool threaded = false;       // the live signal worker instead of the settling passes
    bool until_settled = false;  // stop at rest, the frames left accounted for (the module)
    std::string out;             // final colony, cell-list format, unshifted
    std::string stats;           // per-frame CSV
    int snapshot_every = 0;      // 0: no snapshots
    std::string snapshot_dir;    // where snapshots go
    std::string html;            // the embryo page (page_file.h) of the final colony
    int html_every = 0;          // 0: the final frame only; N: frames 0, N, 2N... and the last too
    std::string command;         // the command line, for the page's info box
    bool quiet = false;          // no progress line, no summary
    bool progress = false;       // the progress line even when standard error is not a terminal

    // Pictures (render.h): every render_every frames a PNG into render_dir
    // and/or a frame of the movie. The texts are checked by check_render_options.
    int render_every = 0;     // 0: no pictures (1 when only --movie is given)
    std::string render_dir;   // DIR/cells-NNNNNN.png; empty: no PNGs
    std::string movie;        // an .mp4 piped through ffmpeg; empty: no movie
    std::string render_size;  // "WxH"
    std::string camera_text;  // "X,Y,Z,XROT,ZROT" or "auto"
    std::string heat;         // the heat map's channel, as in the window
    std::string slice;        // "AXIS:FROM[:THICKNESS]", as in the window
    std::string hide_types;   // "1,5": types not drawn, as the window's panel hides them
    bool axes = false;        // the axis markers
    bool stamp = false;       // frame and cell count in a corner
    bool show_len_given = false;
    int show_len = 1;  // the level the signal overlay marks (the window's start value)
    // Parsed from the texts above.
    int render_width = 1000, render_height = 600;
    bool camera_auto = false;   // frame the colony as the Home key does
    bool camera_given = false;  // false: the window's start camera
    float camera[5] = {};       // x, y, z, Xrot, Zrot
    int heat_channel = -1;      // -1: type colours
    int slice_axis = 0;         // 0: no slice; 1, 2, 3: across x, y, z
    int slice_first = 1, slice_thickness = 1;
    bool hidden[kTypes] = {};  // the types --hide-types names

    // Checkpoints.
    std::string resume;          // a checkpoint to start from instead of --genome/--cells
    std::string checkpoint;      // a checkpoint written after the last frame
    int checkpoint_every = 0;    // 0: none; K: DIR/checkpoint-NNNNNN.kck every K frames
    std::string checkpoint_dir;  // where --checkpoint-every writes
    bool no_division = false;    // with --resume: division off whatever the checkpoint says
    bool no_gravity = false;     // with --resume: gravity off

    // The designer's outputs (history_files.h) and the genome check (check_genome.h).
    std::string lineage;       // one row per cell at the end: parent, generation, type's gene
    std::string events;        // one row per division and type change, as they happen
    std::string check_genome;  // only check this genome file and say what it does
    int other_options = 0;     // options given besides --check-genome
};

// What the command line asks the program to do.
enum class ParseResult { kRun, kHelp, kError };

// Reads the command line (getopt_long, so argv may be permuted). On kError,
// `error` holds the message of the one line to print, without the program name.
ParseResult parse_batch_options(int argc, char** argv, BatchOptions& opts, std::string& error);

// Takes one option by its long name (without "--"), with the text the command
// line would give it, or null for a switch: the same checks and messages as
// on the command line, for callers that hold values rather than an argv.
bool set_batch_option(BatchOptions& opts, std::string_view name, const char* value,
                      std::string& error);

// The checks of the options against each other that follow the reading of a
// command line (paths, combinations, pictures); may sort and complete `opts`.
bool check_batch_options(BatchOptions& opts, std::string& error);

// The option list, for --help.
void print_batch_help(std::FILE* out);

// Loads the inputs, runs the frames and writes the outputs; messages go to
// `err`. Returns the exit status. The world is left as the last frame left it.
int run_batch(const BatchOptions& opts, std::FILE* err);

// The whole program: parse, then run; --help goes to `out`.
int batch_main(int argc, char** argv, std::FILE* out, std::FILE* err);
// The whole program on the standard streams.
inline int batch_main(int argc, char** argv) {
    return batch_main(argc, argv, stdout, stderr);
}

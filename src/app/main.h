// main: the program's shell around the simulation core. The genome file and
// its dump, the cell list file, column gravity, the signal worker and the
// frame pass. This header holds the parts that need no window and no GL, so
// that the headless program and the tests run the very same code.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Files, read and written without allocating (loads happen mid-run)
// ---------------------------------------------------------------------------

// Reads a regular file through a fixed buffer. Anything else (a directory, a
// pipe, a device) reads as unopened, so no load can block or run forever.
class FileReader {
   public:
    explicit FileReader(const char* path);
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    bool opened() const { return fd_ >= 0; }
    // The next byte, or -1 at the end or on a read error.
    int get() { return pos_ < len_ ? buf_[pos_++] : refill(); }
    int peek() {
        if (pos_ < len_) return buf_[pos_];
        const int c = refill();
        if (c >= 0) --pos_;
        return c;
    }
    // Like fgets: at most size - 1 bytes, through the first line break; false
    // when nothing is left. The text ends with a NUL.
    bool read_line(char* line, int size);

   private:
    int refill();
    int fd_ = -1;
    std::size_t pos_ = 0, len_ = 0;
    unsigned char buf_[1 << 16];
};

// Writes a file under a temporary name in the same folder and renames it over
// the final name only once every byte has reached the disk. Until commit()
// succeeds the previous file under the final name is untouched; a writer that
// is destroyed uncommitted removes its temporary file.
class AtomicFileWriter {
   public:
    explicit AtomicFileWriter(const char* path);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool ok() const { return fd_ >= 0 && !failed_; }
    void write(const char* data, std::size_t n);
    void put(char c) {
        if (used_ == sizeof buf_) flush();
        buf_[used_++] = c;
    }
    void put(const char* text);
    void put_int(long long v);
    bool commit();

   private:
    void flush();
    int fd_ = -1;
    bool failed_ = false;
    std::size_t used_ = 0;
    char path_[4096];
    char temp_[4096 + 16];
    char buf_[1 << 16];
};

// ---------------------------------------------------------------------------
// Genome file "dna.vdna" and its dump "dedug.tmp"
// ---------------------------------------------------------------------------

inline constexpr const char* kGenomeFile = "dna.vdna";
inline constexpr const char* kGenomeDump = "dedug.tmp";

struct GenomeLoadReport {
    bool opened = false;     // the file could be opened
    int genes = 0;           // gene lines taken into the table
    int lines_dropped = 0;   // gene lines past the table's 200 genes
    int tables_refused = 0;  // GLUEDS/SIGNAL fields whose type lies outside 0..99
};

// Reads the genome into DNA, DNA_Count, Glueds and Signal_strength (the worker
// is parked meanwhile), then writes the dump.
void load_dna();
GenomeLoadReport load_dna_from(const char* path, const char* dump_path);
void save_debug();
bool save_debug_to(const char* path);

// ---------------------------------------------------------------------------
// Cell list file "list.txt": four integers per cell, type x y z
// ---------------------------------------------------------------------------

inline constexpr const char* kCellFile = "list.txt";
inline constexpr int kLoadShift = 40;  // a reload moves every cell by +40 on x and y

struct CellLoadReport {
    bool opened = false;
    int loaded = 0;                // cells in the table afterwards
    int outside = 0;               // records whose site, once shifted, leaves 1..200
    int bad_type = 0;              // records whose type lies outside 0..99
    bool table_full = false;       // reading stopped at 200000 cells
    bool stopped_at_text = false;  // reading stopped at something that is not a number
};

// Writes every live cell as "%i %i %i %i\n" (type, x, y, z), replacing the file
// only when the whole colony is written.
void save_file();
bool save_file_to(const char* path);
// Clears the four grids, reads the colony (x and y shifted by `shift`), and
// settles the signal field with 200 passes; the worker is parked throughout.
void load_file();
CellLoadReport load_file_from(const char* path, int shift);
inline constexpr int kSettlingPasses = 200;

// ---------------------------------------------------------------------------
// Column gravity
// ---------------------------------------------------------------------------

void add_gravity(int i);

// ---------------------------------------------------------------------------
// The frame pass: one simulation step for every cell, once per frame. The
// window program draws each cell as the pass leaves it; the headless program
// runs the same pass with nothing to draw.
// ---------------------------------------------------------------------------

// Serves the one-shot requests that the controls set, in this order: save the
// colony (k_p), divide every cell once (kReturn), reload the genome and then
// the colony (kSpace). Each flag is cleared once served.
void serve_requests();

// The simulation part of a cell's step: its type and clamp state are read back
// from the grids, and a pushed cell takes a random-walk turn.
void cell_step(int i);

// Every cell in table order, with the count read afresh at each step, so that
// cells born during the pass get their turn in the same pass: gravity when it is
// on, gene expression, the cell's step, then draw(i).
template <class Draw>
void frame_cells(Draw&& draw);

// A whole frame without drawing.
void frame_pass();

// ---------------------------------------------------------------------------
// What the frame pass draws, independent of GL: each visible cell becomes
// colour commands and one vertex on a sink, so that the window program (a GL
// sink) and the tests (a recording sink) run the very same decisions.
// A sink has begin(), end(), color_ub(r, g, b), color_d(r, g, b) and
// vertex(x, y, z).
// ---------------------------------------------------------------------------

struct Rgb {
    std::uint8_t r, g, b;
};

// The colour of a cell type; false for types without one (0, negative, 19 and
// up), which are drawn in whatever colour is current.
bool type_color(int type, Rgb& out);

// The per-cell drawing of the frame pass: the isolate filter, the type colour,
// the type-1 filter, the signal overlay, the point.
template <class Sink>
void draw_cell(int i, Sink& sink);

// The frame pass: requests, then every cell's step and drawing.
template <class Sink>
void show_cells_with(Sink& sink);

// The window program's frame pass with GL (src/app/draw.cpp): the requests,
// then every cell simulated and drawn as one smoothed 5-pixel point.
void ShowCells();
// One cell's step with its drawing.
void go_work(int i);
// Makes the colour of cell i's type the current GL colour (nothing for a type
// without one).
void set_color(int i);

// Puts the world back to what a fresh process starts with: the worker stopped,
// empty grids (heights too) and table, no genes, start tables, flags at zero,
// the start of the random sequence. For runs and tests in a long-lived process.
void reset_to_program_start();

// ---------------------------------------------------------------------------
// The signal worker
// ---------------------------------------------------------------------------

// The worker's body: passes of add_signal over the colony in table order, in
// place, until signal_worker_stop().
void signal_add();
void signal_worker_start();
void signal_worker_stop();
bool signal_worker_running();
// Completed passes since start (for rates shown to the user).
std::uint64_t signal_worker_passes();

// Parks the worker at a cell boundary for the lifetime of the object, so that
// the main thread may edit the genome, the table and the grids in bulk. Nests.
class WorkerPause {
   public:
    WorkerPause();
    ~WorkerPause();
    WorkerPause(const WorkerPause&) = delete;
    WorkerPause& operator=(const WorkerPause&) = delete;
};

// ---------------------------------------------------------------------------

#include "sim/Cell.h"
#include "view/infra.h"

template <class Draw>
void frame_cells(Draw&& draw) {
    constexpr int kAhead = 8;  // cells in growth order lie all over the lattice
    for (int i = 0; i < Cells_count; ++i) {
        if (i + kAhead < Cells_count) {
            const TCells& next = Cells[i + kAhead];
            prefetch_site(next.x, next.y, next.z);
        }
        if (k_g) add_gravity(i);
        Get_type_Cell(i);
        cell_step(i);
        draw(i);
    }
}

template <class Sink>
void draw_cell(int i, Sink& sink) {
    const TCells& c = Cells[i];
    if (move_file != 0 && c.type != show_len) return;
    Rgb rgb;
    if (type_color(c.type, rgb)) sink.color_ub(rgb.r, rgb.g, rgb.b);
    // A hidden type-1 cell still leaves its colour current for the next cell.
    if (!k_l && c.type == 1) return;
    // The overlay marks the cells whose level on channel 2, 3, 4 or 5 equals
    // show_len; a later channel wins. The components are issued as they are
    // and GL clamps them to 1.
    const std::int32_t* level = world_signal[c.x][c.y][c.z];
    if (ld(level[2]) == show_len) sink.color_d(0.0, 0.0, 0.0);
    if (ld(level[3]) == show_len) sink.color_d(255.0, 0.0, 0.0);
    if (ld(level[4]) == show_len) sink.color_d(200.0, 0.0, 0.0);
    if (ld(level[5]) == show_len) sink.color_d(0.0, 255.0, 0.0);
    sink.vertex(double(c.x), double(c.y), double(c.z));
}

template <class Sink>
void show_cells_with(Sink& sink) {
    serve_requests();
    sink.begin();
    frame_cells([&sink](int i) { draw_cell(i, sink); });
    sink.end();
}

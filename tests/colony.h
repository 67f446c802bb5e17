// Colonies and genomes built by hand, shared by the tests, the benchmarks and
// the fuzz targets.
#pragma once

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/cell_list.h"
#include "app/files.h"
#include "app/frame_pass.h"
#include "app/genome_file.h"
#include "sim/simulation.h"
#include "view/camera.h"
#include "view/cell_drawing.h"
#include "ui/controls.h"
#include "view/flags.h"

namespace kt {

// Everything back to program start, view flags at zero too.
inline void reset_world() {
    reset_to_program_start();
    k_l = show_map = showmouse = 0;
    show_len = move_file = 0;
}

// Appends a cell without computing its levels; returns its index.
inline int place(int type, int x, int y, int z) {
    const int n = Cells_count;
    Cells[n] = TCells{x, y, z, type, 0};
    put_to_world(&Cells[n]);
    publish_cells_count(n + 1);
    return n;
}

// Gene k: enhancers, exon, silencer and MPF; the genome grows to hold it.
inline void gene(int k, const std::vector<int>& en, int exon, int silencer = 0, int mpf = 0) {
    TDNA& g = DNA[k];
    g.Enhancer_count = 0;
    for (int e : en) g.Enhancer[g.Enhancer_count++] = e;
    g.Exon[0] = exon;
    g.Silencer[0] = silencer;
    g.MPF = mpf;
    DNA_Count = std::max(DNA_Count, k + 1);
    genome_changed();
}

// A history sink that appends each event to the std::vector<HistoryEvent> at `events`.
inline void collect_events(void* events, const HistoryEvent& e) {
    static_cast<std::vector<HistoryEvent>*>(events)->push_back(e);
}

// `n` passes of update_cell_signal in table order.
inline void passes(int n) {
    for (int p = 0; p < n; ++p)
        for (int i = 0; i < Cells_count; ++i) update_cell_signal(i);
}

using Site = std::array<int, 3>;

inline Site site(int i) {
    return {Cells[i].x, Cells[i].y, Cells[i].z};
}

// A drawing sink that keeps what immediate mode paints: each vertex's site in
// the colour current at it (doubles clamped to 0..1, as GL clamps them).
struct PointLog {
    std::vector<std::pair<Rgb, Site>> drawn;
    Rgb current = {0, 0, 0};
    void begin() {}
    void end() {}
    void color_ub(std::uint8_t r, std::uint8_t g, std::uint8_t b) { current = {r, g, b}; }
    void color_d(double r, double g, double b) {
        const auto byte = [](double v) {
            return std::uint8_t(std::clamp(v, 0.0, 1.0) * 255 + 0.5);
        };
        current = {byte(r), byte(g), byte(b)};
    }
    void vertex(double x, double y, double z) {
        drawn.push_back({current, {int(x), int(y), int(z)}});
    }
    Rgb rgb(std::size_t k) const { return drawn.at(k).first; }
};

// The face neighbour of s named "x-", "z+" and so on.
inline Site face(Site s, const char* name) {
    s[name[0] - 'x'] += name[1] == '+' ? 1 : -1;
    return s;
}

// Fills the six face neighbours of s with cells of `type`, except the sites in
// `free` and sites outside the interior.
inline void surround(int type, Site s, std::initializer_list<Site> free = {}) {
    for (const char* f : {"x-", "x+", "y-", "y+", "z-", "z+"}) {
        const Site v = face(s, f);
        if (std::find(free.begin(), free.end(), v) == free.end() && interior(v[0], v[1], v[2]))
            place(type, v[0], v[1], v[2]);
    }
}

// The site and its six face neighbours all hold clamp state v.
inline bool star_clamped(Site s, int v) {
    bool all = world_clamp[s[0]][s[1]][s[2]] == v;
    for (const char* f : {"x-", "x+", "y-", "y+", "z-", "z+"}) {
        const Site n = face(s, f);
        all &= world_clamp[n[0]][n[1]][n[2]] == v;
    }
    return all;
}

inline int level(int x, int y, int z, int c) {
    return world_signal[x][y][z][c];
}
inline int level(int i, int c) {
    return level(Cells[i].x, Cells[i].y, Cells[i].z, c);
}

// A solid ball of at most `count` cells of `type` in lattice order (x outermost).
inline void ball(int count, int type, int cx = 100, int cy = 100, int cz = 100) {
    int r = 1;
    while ((4.19 * r * r * r) < count) ++r;
    for (int x = cx - r; x <= cx + r; ++x)
        for (int y = cy - r; y <= cy + r; ++y)
            for (int z = cz - r; z <= cz + r; ++z) {
                const int dx = x - cx, dy = y - cy, dz = z - cz;
                if (dx * dx + dy * dy + dz * dz <= r * r && Cells_count < count &&
                    interior(x, y, z))
                    place(type, x, y, z);
            }
}

// A genome of `genes` lines; gene k listens to channels 2 and 3, has type 4 + k % 10
// and silences channel 5; every `mpf_every`-th gene divides.
inline std::string sample_genome(int genes, int mpf_every = 0) {
    std::string s;
    for (int k = 0; k < genes; ++k) {
        s += "EN=2;EN=3;EX=" + std::to_string(4 + k % 10) + ";SI=5;";
        if (mpf_every && k % mpf_every == 0) s += "MPF=1;";
        s += "\n";
    }
    return s;
}

inline void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The busy colony that the worker and the allocation tests share: a floor slab
// between a red and a blue organiser under sample_genome(12, 3), saved and
// loaded as the keys do, division and gravity on. Returns the saved text.
inline std::string busy_colony() {
    write_file(kGenomeFile, sample_genome(12, 3));
    for (int x = 1; x <= 30; ++x)
        for (int y = 1; y <= 10; ++y)
            for (int z = 1; z <= 3; ++z) place(x == 1 ? 2 : x == 30 ? 3 : 1, x, y, z);
    save_cell_list();
    load_genome();
    load_cell_list();
    init_view_flags();
    k_v = k_g = 1;
    return read_file(kCellFile);
}

// Frame `f` of the busy colony: a divide-all every 10 frames, a save at 5 and
// every 150 frames after, a reload every 50 (each moves the colony by +40).
inline void busy_frame(int f) {
    kReturn = f % 10 == 0;
    k_p = f % 150 == 5;
    kSpace = f % 50 == 0;
    frame_pass();
}

// Entries of a folder.
inline long entries(const std::filesystem::path& dir = ".") {
    return std::distance(std::filesystem::directory_iterator(dir), {});
}

// Works inside a fresh scratch folder while it lives, since the program's files
// have fixed names.
class ScratchFolder {
   public:
    ScratchFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "kelvaro-XXXXXX").string();
        path_ = mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchFolder() {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

   private:
    std::filesystem::path path_, old_;
};

}  // namespace kt

// What the libFuzzer targets share: the input as a file the loaders can open
// by name, a small colony shut in a box of occupied sites, and the checks that
// must hold after any input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "colony.h"

namespace kt {

// The loaders read regular files by path: the input goes into one memory file
// (a regular file on shared memory), rewritten for every input and opened
// afresh through /proc, so every load starts at its first byte.
inline const char* input_as_file(const std::uint8_t* data, std::size_t size) {
    static int fd = -1;
    static char path[64];
    if (fd < 0) {
        fd = memfd_create("kelvaro-fuzz", MFD_CLOEXEC);
        if (fd < 0) __builtin_trap();
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size)) __builtin_trap();
    return path;
}

// A box whose walls are occupied sites that no cell owns: division and the
// random walk take only empty sites, so a colony inside can never outgrow the
// box's 6 x 6 x 6 sites, whatever the genome makes it do.
inline constexpr int kBoxLow = 2, kBoxHigh = 9;  // walls; the inside is 3..8

inline bool inside_box(int x, int y, int z) {
    return std::min({x, y, z}) > kBoxLow && std::max({x, y, z}) < kBoxHigh;
}

inline void walled_colony() {
    for (int x = kBoxLow; x <= kBoxHigh; ++x)
        for (int y = kBoxLow; y <= kBoxHigh; ++y)
            for (int z = kBoxLow; z <= kBoxHigh; ++z)
                if (!inside_box(x, y, z)) world[x][y][z] = 99;
    // Two emitters and undifferentiated cells between them.
    place(2, 3, 3, 3);
    place(3, 8, 8, 8);
    for (int x = 4; x <= 7; ++x) place(1, x, 5, 5);
}

// Every live record lies on the lattice and the count within the table.
inline void check_colony() {
    if (Cells_count < 0 || Cells_count > kMaxCells) __builtin_trap();
    for (int i = 0; i < Cells_count; ++i)
        if (!interior(Cells[i].x, Cells[i].y, Cells[i].z)) __builtin_trap();
}

// Every history record names an earlier cell as its parent, with a generation
// one past the parent's (unknown after an unknown one), and a gene slot or none.
inline void check_history() {
    for (int i = 0; i < Cells_count; ++i) {
        const CellHistory& h = Cells_history[i];
        if (h.parent < -1 || h.parent >= i || h.type_gene < -1 || h.type_gene >= kMaxGenes)
            __builtin_trap();
        const int g = h.parent < 0 ? 0 : Cells_history[h.parent].generation;
        if (h.parent >= 0 && h.generation != (g < 0 ? -1 : g + 1)) __builtin_trap();
    }
}

// Frames with the switches on; the first one divides every cell.
inline void run_frames(int frames, bool division) {
    k_g = 1;
    k_v = division ? 1 : 0;
    kReturn = 1;
    for (int f = 0; f < frames; ++f) {
        settle_signal(1);
        frame_pass();
    }
}

}  // namespace kt

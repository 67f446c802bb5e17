// The lattice and table sizes every part of the program shares.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kAxis = 202;         // sites per axis; 0 and 201 are the border
inline constexpr int kInteriorMin = 1;    // cells live on 1..200 on every axis
inline constexpr int kInteriorMax = 200;  // the highest coordinate a cell may have
inline constexpr int kChannels = 20;      // signal channels per site
inline constexpr int kTypes = 100;        // entries of the per-type tables
inline constexpr int kMaxCells = 200000;  // capacity of the cell table
inline constexpr int kMaxGenes = 200;     // capacity of the gene table
inline constexpr int kGeneList = 20;      // entries of each list of a gene record

// Sites in one grid.
inline constexpr std::size_t kSites = std::size_t(kAxis) * kAxis * kAxis;
static_assert(kAxis * kAxis == 40804);
static_assert(kSites == 8242408);
static_assert(kSites * 23 == 189575384, "four grids: 23 integers per site");

// A one-byte switch, as the control flags are stored.
using BOOLEAN = std::uint8_t;

// The site lies in the interior, where cells live.
inline constexpr bool interior(int x, int y, int z) {
    return x >= kInteriorMin && x <= kInteriorMax && y >= kInteriorMin && y <= kInteriorMax &&
           z >= kInteriorMin && z <= kInteriorMax;
}

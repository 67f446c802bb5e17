// The cell list file "list.txt": the colony as text, four integers per cell
// (type, x, y, z). Saved as is; loaded with x and y shifted by +40.
#pragma once

// The colony file of the save and reload keys.
inline constexpr const char* kCellFile = "list.txt";
// A reload moves every cell by +40 on x and y.
inline constexpr int kLoadShift = 40;

// What a colony load found.
struct CellLoadReport {
    bool opened = false;           // the file could be opened
    int loaded = 0;                // cells in the table afterwards
    int outside = 0;               // records whose site, once shifted, leaves 1..200
    bool table_full = false;       // reading stopped at 200000 cells
    bool stopped_at_text = false;  // reading stopped at something that is not a number
    int stop_line = 0;             // with stopped_at_text: the line where reading stopped
    char stop_reason[48] = "";     // with stopped_at_text: why, such as "'oops' is not a number"
};

// Saves the colony to kCellFile.
void save_cell_list();
// Writes every live cell as "%i %i %i %i\n" (type, x, y, z), replacing the file
// only when the whole colony is written.
bool save_cell_list_to(const char* path);
// Loads kCellFile with the +40 shift.
void load_cell_list();
// Clears the four grids, reads the colony (x and y shifted by `shift`), and
// settles the signal field with 200 passes; the worker is parked throughout.
// Records of any type load; only a site off the lattice skips one.
CellLoadReport load_cell_list_from(const char* path, int shift);

// Gene expression: genes switch undifferentiated (type 1) cells to their own
// type where two enhancer signals meet at about the same level, and division
// genes divide cells where their enhancers agree.
#include "sim/gene_expression.h"
#include "sim/division.h"
#include "sim/genome.h"
#include "sim/history.h"
#include "sim/random.h"
#include "sim/switches.h"
#include "sim/world.h"

namespace {

struct Site {
    int x, y, z;
};

inline Site site_of(int i) {
    return {Cells[i].x, Cells[i].y, Cells[i].z};
}

inline std::int32_t L(const Site& s, int channel) {
    return level_at(s.x, s.y, s.z, channel);
}

// a equals b, b + 1 or b - 1 (computed wide: levels can be any int32)
inline bool within_one(std::int64_t a, std::int64_t b) {
    return a - b >= -1 && a - b <= 1;
}

// The levels of a division gene agree at s: its enhancers (the third only
// when `three`) read within one of the first, and the first above 1.
inline bool division_levels_agree(const Site& s, int cell1, int cell2, bool three, int cell3) {
    if (!within_one(L(s, cell1), L(s, cell2))) return false;
    if (three && !within_one(L(s, cell1), L(s, cell3))) return false;
    return L(s, cell1) > 1;
}

}  // namespace

void switch_type_where_two_meet(int i, int c_type_old, int c_type_new, int cell1, int cell2,
                                int gene) {
    const Site s = site_of(i);
    if (c_type_new == 0) return;  // a switch never empties a site
    if (L(s, cell1) < 1) return;
    if (L(s, cell2) < 1) return;
    std::int32_t& here = world[s.x][s.y][s.z];
    if (here != c_type_old) return;
    if (!within_one(L(s, cell1), L(s, cell2))) return;
    // The levels are read afresh: the worker may have changed them since.
    if (L(s, cell1) < 1) return;
    st(here, c_type_new);
    note_world_edit();
    Cells[i].type = c_type_new;
    history_type_changed(i, gene, c_type_old, c_type_new);
}

void divide_where_two_meet(int i, int cell1, int cell2, int gene) {
    if (division_levels_agree(site_of(i), cell1, cell2, false, 0)) divide_cell(i, gene);
}

void divide_where_three_meet(int i, int cell1, int cell2, int cell3, int gene) {
    if (division_levels_agree(site_of(i), cell1, cell2, true, cell3)) divide_cell(i, gene);
}

bool genes_may_act(int i) {
    const Site s = site_of(i);
    const bool type_one = world[s.x][s.y][s.z] == 1;
    const bool dividing = k_v == 1 && division_genes_present;
    for (int k = 0; k < DNA_Count; ++k) {
        const TDNA& g = DNA[k];
        // Every gene may try the switch on a type-1 cell (a division gene on the
        // draws that do not divide), whatever its draw.
        if (type_one && g.Exon[0] != 0 && L(s, g.Enhancer[0]) >= 1 && L(s, g.Enhancer[1]) >= 1 &&
            within_one(L(s, g.Enhancer[0]), L(s, g.Enhancer[1])))
            return true;
        if (dividing && g.MPF == 1 &&
            division_levels_agree(s, g.Enhancer[0], g.Enhancer[1], g.Enhancer_count != 2,
                                  g.Enhancer[2]))
            return true;
    }
    return false;
}

int express_genes(int i) {
    const Site s = site_of(i);
    const std::int32_t& here = world[s.x][s.y][s.z];
    const int genes = DNA_Count;
    if (k_v != 1 || !division_genes_present) {
        // No gene can divide, so no draw's value is ever looked at: the
        // generator jumps over this cell's draws at once, and the genes can
        // only switch a type-1 cell.
        rng_skip(static_cast<std::uint32_t>(genes));
        for (int k = 0; k < genes && here == 1; ++k) {
            const TDNA& g = DNA[k];
            switch_type_where_two_meet(i, 1, g.Exon[0], g.Enhancer[0], g.Enhancer[1], k);
        }
    } else {
        for (int k = 0; k < genes; ++k) {
            const TDNA& g = DNA[k];
            const std::uint32_t r = rng_next() % 10;
            if (g.MPF == 1 && r == 4) {
                if (g.Enhancer_count == 2)
                    divide_where_two_meet(i, g.Enhancer[0], g.Enhancer[1], k);
                else
                    divide_where_three_meet(i, g.Enhancer[0], g.Enhancer[1], g.Enhancer[2], k);
            } else if (here == 1) {
                switch_type_where_two_meet(i, 1, g.Exon[0], g.Enhancer[0], g.Enhancer[1], k);
            }
        }
    }
    Cells[i].type = here;
    return here;
}

// The inspector's history lines.
#include "ui/inspector_text.h"

#include <cstdio>

#include "sim/simulation.h"

void gene_fields(int k, char* out, std::size_t size) {
    const TDNA& g = DNA[k];
    std::size_t used = 0;
    auto add = [&](const char* key, int v) {
        if (used >= size) return;
        const int n = std::snprintf(out + used, size - used, "%s%s=%d", used ? ";" : "", key, v);
        used += n > 0 ? std::size_t(n) : 0;
    };
    out[0] = '\0';
    for (int e = 0; e < g.Enhancer_count && e < kGeneList; ++e) add("EN", g.Enhancer[e]);
    add("EX", g.Exon[0]);
    if (g.Silencer_count > 0) add("SI", g.Silencer[0]);
    if (g.MPF == 1) add("MPF", 1);
}

int cell_history_lines(int i, char (*lines)[kHistoryLineSize]) {
    const CellHistory& h = Cells_history[i];
    const int type = Cells[i].type;
    if (h.born_frame < 0 && h.parent < 0 && h.generation < 0) {
        std::snprintf(lines[0], kHistoryLineSize, "type %d; history unknown (an old checkpoint)",
                      type);
        return 1;
    }
    if (h.type_frame < 0) {
        std::snprintf(lines[0], kHistoryLineSize, "type %d since %s", type,
                      h.parent < 0 ? "it was loaded" : "birth");
    } else if (h.type_gene < 0) {
        std::snprintf(lines[0], kHistoryLineSize,
                      "type %d since frame %d: a step would have left the lattice", type,
                      h.type_frame);
    } else {
        char fields[64] = "no longer in force";
        if (h.type_gene < DNA_Count) gene_fields(h.type_gene, fields, sizeof fields);
        std::snprintf(lines[0], kHistoryLineSize, "type %d since frame %d, by gene %d: %s", type,
                      h.type_frame, h.type_gene, fields);
    }
    char generation[24] = "unknown";
    if (h.generation >= 0) std::snprintf(generation, sizeof generation, "%d", h.generation);
    if (h.parent < 0)
        std::snprintf(lines[1], kHistoryLineSize, "loaded at frame %d, generation %s", h.born_frame,
                      generation);
    else
        std::snprintf(lines[1], kHistoryLineSize, "born frame %d from cell %d, generation %s",
                      h.born_frame, h.parent, generation);
    return 2;
}

const char* clamp_name(int clamp) {
    switch (clamp) {
        case 0: return "never clamped";
        case 1: return "locked";
        case 2: return "pushed";
    }
    return "?";
}

// The inspector's lines on why a cell is what it is: the gene (as its fields)
// that last set its type and when, and where the cell came from. Text only,
// so that the window's panel and the tests read the same lines.
#pragma once

#include <cstddef>

// Lines of the history of one cell, each at most kHistoryLineSize - 1 characters.
inline constexpr std::size_t kHistoryLineSize = 96;
// The two lines the inspector shows under the levels for cell i: its type's
// story, then its birth ("born frame 180 from cell 4411, generation 6"); one
// line when its history is unknown (an old checkpoint). Returns the lines made.
int cell_history_lines(int i, char (*lines)[kHistoryLineSize]);
// A clamp state's name: "never clamped", "locked", "pushed".
const char* clamp_name(int clamp);
// Gene k as its fields in the genome file's form, "EN=2;EN=3;EX=5".
void gene_fields(int k, char* out, std::size_t size);

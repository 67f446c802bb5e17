// The view's flags and their start values.
#include "view/flags.h"

// Their start values are init_view_flags()'s alone: it runs once when the
// program loads (below), and again whenever a program or a test starts afresh.
BOOLEAN k_l;
BOOLEAN show_map;
BOOLEAN showmouse;
int show_len;
int move_file;
BOOLEAN show_overlay;
BOOLEAN screenshot_wanted;
BOOLEAN page_wanted;
int heat_channel;
Slab slab;
BOOLEAN paused;
BOOLEAN step_wanted;
int inspected_cell;
BOOLEAN recording;
BOOLEAN signal_marks;
BOOLEAN hidden_type[kTypes + 1];

void init_view_flags() {
    showmouse = 0;
    show_map = 1;
    move_file = 0;
    show_len = 1;
    k_l = 1;
    show_overlay = 0;
    screenshot_wanted = page_wanted = 0;
    heat_channel = -1;
    slab = Slab{};
    paused = step_wanted = 0;
    inspected_cell = -1;
    recording = 0;
    signal_marks = 1;
    for (BOOLEAN& h : hidden_type) h = 0;
}

namespace {
[[maybe_unused]] const bool g_started = (init_view_flags(), true);
}  // namespace

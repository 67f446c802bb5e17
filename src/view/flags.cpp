// The view's flags and their start values.
#include "view/flags.h"

BOOLEAN k_l = 0;
BOOLEAN show_map = 0;
BOOLEAN showmouse = 0;
int show_len = 0;
int move_file = 0;
BOOLEAN show_overlay = 0;
BOOLEAN screenshot_wanted = 0;
int heat_channel = -1;
Slab slab;
BOOLEAN paused = 0;
BOOLEAN step_wanted = 0;
int inspected_cell = -1;
BOOLEAN recording = 0;
BOOLEAN signal_marks = 1;
BOOLEAN hidden_type[kTypes + 1] = {};

void init_view_flags() {
    showmouse = 0;
    show_map = 1;
    move_file = 0;
    show_len = 1;
    k_l = 1;
    show_overlay = 0;
    screenshot_wanted = 0;
    heat_channel = -1;
    slab = Slab{};
    paused = step_wanted = 0;
    inspected_cell = -1;
    recording = 0;
    signal_marks = 1;
    for (BOOLEAN& h : hidden_type) h = 0;
}

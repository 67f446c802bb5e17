// The view's flags: what the window shows and how the mouse acts. The key poll
// sets them, the cell drawing and the overlay read them; main thread only.
#pragma once

#include "sim/sizes.h"
#include "view/slice.h"

extern BOOLEAN k_l;                // draw cells of type 1 (L)
extern BOOLEAN show_map;           // draw the axis markers (M)
extern BOOLEAN showmouse;          // cursor free and shown; while 0 the mouse turns the camera
extern int show_len;               // type shown in isolate mode, level marked by the overlay
extern int move_file;              // isolate mode when non-zero (digit keys)
extern BOOLEAN show_overlay;       // the F1 overlay is shown; off at start
extern BOOLEAN screenshot_wanted;  // F12: save the next frame shown; cleared once saved
extern BOOLEAN page_wanted;        // F10: save the colony shown as a page; cleared once saved
extern int heat_channel;           // the heat map's channel 0..19 (F4), -1 when off
extern Slab slab;                  // the slice (F6, Page Up/Down, [ ])
extern BOOLEAN paused;             // F2: the frame pass stops, the view goes on
extern BOOLEAN step_wanted;        // F3 while paused: the next frame runs one step
extern int inspected_cell;         // the cell the inspector shows (a click), -1 for none
extern BOOLEAN recording;          // F11: every frame shown is recorded
extern BOOLEAN signal_marks;       // cells whose level on channels 2..5 equals show_len are marked
// Types hidden one by one (the panel), 0..99, and kTypes for every other type.
// A hidden type keeps its place in the colour rule, as L's hidden cells do.
extern BOOLEAN hidden_type[kTypes + 1];

// Type t is hidden one by one.
inline bool type_hidden(int t) {
    return hidden_type[t >= 0 && t < kTypes ? t : kTypes] != 0;
}

// Gives every view flag its start value.
void init_view_flags();

// infra: the control flags that connect the keys to the simulation, and (in
// the window program) the camera and the control poll.
#pragma once

#include <cstdint>

using BOOLEAN = std::uint8_t;

// Control flags. All live on the main thread: the key poll sets them, the frame
// pass and gene expression read them; the worker never looks at them.
extern BOOLEAN k_g;        // column gravity on (G)
extern BOOLEAN k_v;        // division by genes on (V)
extern BOOLEAN k_l;        // draw cells of type 1 (L)
extern BOOLEAN k_p;        // request: save the cell list (P); cleared once served
extern BOOLEAN kSpace;     // request: reload genome and cell list (Space); one-shot
extern BOOLEAN kReturn;    // request: divide every cell once (Return); one-shot
extern BOOLEAN show_map;   // draw the axis markers (M)
extern BOOLEAN showmouse;  // cursor free and shown; while 0 the mouse turns the camera
extern int show_len;       // type shown in isolate mode, level marked by the overlay
extern int move_file;      // isolate mode when non-zero (digit keys)

// Start values of the flags that do not start at zero.
void init_infra();

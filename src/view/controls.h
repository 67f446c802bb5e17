// The controls: one table maps the platform's keys to actions, and the poll,
// once per frame, acts on them. Keys held down are polled in the table's order
// (a held key repeats at the pace of its pause); keys that act once per press
// (Escape, F1, F12) come from the platform's queue of presses. Callbacks only
// record; everything, pauses included, happens here on the main thread.
#pragma once

#include "platform/platform.h"
#include "sim/sizes.h"

// What a key does.
enum class Action {
    IsolateType,      // digits: isolate mode for type show_len (0 shows all)
    ToggleAxes,       // M
    FlyForward,       // W
    FlyBack,          // S
    StepLeft,         // A
    StepRight,        // D
    ToggleTypeOne,    // L
    RequestSave,      // P
    ToggleGravity,    // G
    ToggleDivision,   // V
    RequestReload,    // Space
    ShowLenDown,      // keypad -
    ShowLenUp,        // keypad +
    RequestDivide,    // Return
    SaveCheckpoint,   // F5
    LoadCheckpoint,   // F9
    ToggleMouseLook,  // Escape
    ToggleOverlay,    // F1
    Screenshot,       // F12
    TogglePause,      // F2: the frame pass stops; requests and the view go on
    Step,             // F3: while paused, one signal pass and one frame pass
    HeatChannel,      // F4 (Shift+F4): the heat map's next (previous) channel, or off
    ToggleSlice,      // F6: slice across x, y, z, or off
    SlabUp,           // Page Up: the slab one layer up (Shift: ten)
    SlabDown,         // Page Down: the slab one layer down (Shift: ten)
    SlabThinner,      // [
    SlabThicker,      // ]
    FrameColony,      // Home: the camera frames the live cells
    ToggleRecording,  // F11: every frame shown goes to a movie or to PNGs
    StepBack,         // F7: while paused, back to the state the last F3 step started from
    FollowGenome,     // F8: reload the genome alone whenever dna.vdna changes
};

// When the poll takes a key: its stage in the poll's order, or once per press.
enum class Stage { ViewKeys, Flight, Switches, Requests, Pressed };

// One row of the key table.
struct KeyBinding {
    Key key;        // the platform's key
    Action action;  // what it does
    Stage stage;    // when it is polled
    int value;      // the digit, for IsolateType
};
// Pressed rows are acted on with value 1 when Shift was held with the press, 0
// otherwise.

// The key table, in polling order.
extern const KeyBinding kKeyTable[];
// Rows in kKeyTable.
extern const int kKeyTableSize;

// Carries out one action (pauses included), as the poll does for its key;
// `value` is the digit, or for a pressed key whether Shift was held.
void act(Action action, int value = 0);

// This frame's movement has a vertical component (W, S).
extern BOOLEAN W_S;

// The per-frame poll of keys and mouse: moves and turns the camera and sets the
// flags, in this order: view keys, flight, switches, mouse look, requests, then
// the presses queued since the last poll, then the left clicks (with a free
// cursor, a click inspects the cell under it). Reads the keyboard and cursor only
// through the platform layer; does nothing while the window lacks the focus.
void poll_controls();
// Escape: switches between mouse look (cursor hidden and captured) and a free cursor.
void toggle_mouse_look();
// The window gained or lost the focus: mouse look restarts from the anchor.
void focus_changed(bool focused);
// The next poll turns the camera by nothing and only re-anchors the cursor.
void restart_mouse_look();

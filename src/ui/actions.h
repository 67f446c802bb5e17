// The actions: everything a user can ask of the window, by key or by the
// control panel, in one table. Each row gives an action's key, its control's
// label, its panel section, what it does and how it is carried out; the key
// poll, the panel, its tooltips and Keys section, docs/keys.md and the tests all
// read it, so a key and its control can never disagree and neither can exist
// without a row. Main thread only.
#pragma once

#include <string>

#include "platform/platform.h"
#include "sim/sizes.h"

// What a user can ask; the rows of kActions, in this order.
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
    TogglePause,      // F2
    Step,             // F3
    HeatChannel,      // F4 (Shift+F4 back)
    ToggleSlice,      // F6
    SlabUp,           // Page Up (Shift: ten)
    SlabDown,         // Page Down (Shift: ten)
    SlabThinner,      // [
    SlabThicker,      // ]
    FrameColony,      // Home
    ToggleRecording,  // F11
    StepBack,         // F7
    FollowGenome,     // F8
    TogglePanel,      // Tab
    SavePage,         // F10
    // The panel's own controls, without a key; `value` says what to set.
    ToggleSignalMarks,  // the marks where a level on channels 2..5 equals show_len
    ToggleTypeHidden,   // hide or show type `value` (kTypes: every type outside 0..99)
    IsolateThisType,    // isolate type `value`
    SetHeatChannel,     // the heat map's channel `value`, -1 off
    SetSliceAxis,       // the slice across axis `value` (SliceAxis), or off
    SetSlabFirst,       // the slab's first layer
    SetSlabThickness,   // the slab's thickness in layers
    ViewAlongAxis,      // frame the colony looking along axis `value`: 0 x, 1 y, 2 z
    SetFrameRateCap,    // at most `value` frames a second, 0 for no cap
    Count
};

// When the poll takes a row's key: its stage in the poll's order (held keys,
// which repeat at the pace of their pause), once per press, or never.
enum class Stage { ViewKeys, Flight, Switches, Requests, Pressed, Panel };

// The panel's sections, top to bottom; Keys lists the keys without a control.
enum class Section { Run, Switches, Types, Inside, Inspector, Genome, Files, Plot, Keys };

// One row of the action table.
struct ActionRow {
    Action action;           // the row's action (rows are in Action order)
    Key key;                 // its key, Key::Count for a control alone
    int keys;                // consecutive keys from `key` (the digits: 10, value = offset)
    Stage stage;             // when the poll takes the key
    Section section;         // where its control sits in the panel
    const char* label;       // the control's label, unique; for a key alone, a short name
    const char* does;        // what it does, one line (tooltip, Keys section, docs)
    const char* pause;       // the pause after it, as docs/keys.md gives it ("" for none)
    void (*run)(int value);  // carries it out
};

// The action table, in Action order.
extern const ActionRow kActions[int(Action::Count)];
// The row of `action`.
const ActionRow& action_row(Action action);

// Carries out one action (its pause included), as the poll does for its key;
// `value` is the digit, for a pressed key whether Shift was held, or the
// control's value.
void act(Action action, int value = 0);

// A key's label as users know it: "F2", "Space", "Page Up".
const char* key_label(Key key);
// The keys of a row as docs and tooltips give them ("F2", "0 to 9"); null without one.
const char* row_keys(const ActionRow& row, char* buf, int size);
// The action table as docs/keys.md's table (Markdown, one row per action).
std::string action_table_markdown();

// This frame's flight, set by W, S, A and D in turn (a later key overrides an
// earlier one) and flown by the poll.
struct Flight {
    float speed = 0;    // lattice steps along the heading, 0 for none
    float heading = 0;  // the heading flown, degrees
};
// This frame's flight.
extern Flight flight;
// This frame's movement has a vertical component (W, S).
extern BOOLEAN W_S;

// Escape: switches between mouse look (cursor hidden and captured) and a free cursor.
void toggle_mouse_look();
// The next poll turns the camera by nothing and only re-anchors the cursor.
void restart_mouse_look();
// Whether mouse look restarted since the last call (the poll then only anchors).
bool take_look_restart();

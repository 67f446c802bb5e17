// The keys: one table maps the platform's keys to actions, and the poll,
// once per frame, acts on them. Keys held down are polled in the table's order
// (a held key repeats at the pace of its pause); keys that act once per press
// (Escape, F1, F12) come from the platform's queue of presses. Callbacks only
// record; everything, pauses included, happens here on the main thread.
#pragma once

#include "platform/platform.h"
#include "sim/sizes.h"
#include "ui/actions.h"

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

// A key's label as users know it: "F2", "Space", "Page Up".
const char* key_label(Key key);

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

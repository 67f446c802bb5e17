// The key poll: once per frame it takes the keys from the platform layer and
// carries out their rows of the action table. Held keys are polled stage by
// stage in the table's order (a held key repeats at the pace of its pause);
// keys that act once per press come from the platform's queue of presses.
// Callbacks only record; everything, pauses included, happens here on the main
// thread.
#pragma once

#include "ui/actions.h"

// The per-frame poll of keys and mouse: moves and turns the camera and sets the
// flags, in this order: view keys, flight, switches, mouse look, requests, then
// the presses queued since the last poll (value 1 when Shift was held), then
// the left clicks (with a free cursor, a click inspects the cell under it) and
// the right-drag orbit. Reads the keyboard and cursor only through the platform
// layer; reads no held key while the window lacks the focus.
void poll_controls();
// The window gained or lost the focus: mouse look restarts from the anchor.
void focus_changed(bool focused);

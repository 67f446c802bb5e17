// The panel's small widgets: controls made from rows of the action table (so
// a control's label, tooltip and key come from its row), and the record of
// where each control lies (for the tests' map). Dear ImGui, main thread.
#pragma once

#include "ui/actions.h"

// The last item's box goes to the map under `label`.
void mapped(const char* label);
// The last item's tooltip: `row`'s description and its key, shown beside the
// panel so that it covers none of the panel's text.
void row_tip(const ActionRow& row);
// A checkbox for `action`, ticked when `on`; a click carries it out with
// `value`. `text`, when given, replaces the row's label; "shown##name" shows
// "shown" and is mapped as "name".
void action_checkbox(Action action, bool on, int value = 0, const char* text = nullptr);
// A button for `action`; a click carries it out with `value`. `text` as above.
void action_button(Action action, int value = 0, const char* text = nullptr);
// A section's header, open at start when `open`; true while it is open.
bool section(const char* label, bool open);
// The last status of `what`, wrapped at the panel's edge, greyed while empty.
void status_line(const char* what, const char* line);
// A caption wrapped at the panel's edge.
void caption(const char* text);

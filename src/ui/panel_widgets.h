// Small helpers of the panel's sections: a control that names its key, and
// the record of where each control lies (for the tests' map).
#pragma once

#include "ui/actions.h"

// After a control: its tooltip names the key of `action` (and `also`, when
// given), and its box goes to the panel's map under `label`.
void key_tip(const char* label, Action action, const char* also = nullptr);
// After a control without a key: its box goes to the map under `label`.
void mapped(const char* label);
// A checkbox showing `on`; a click carries out `action` with `value`.
void action_checkbox(const char* label, bool on, Action action, int value = 0);
// A button that carries out `action` with `value`.
void action_button(const char* label, Action action, int value = 0);
// A section's header, open at start when `open`; true while it is open.
bool section(const char* label, bool open);
// A line of status text, greyed while empty.
void status_line(const char* what, const char* line);

// The panel's sections, each under its header.
void panel_run_section(long frame);
void panel_switches_section();
void panel_types_section();
void panel_inside_section();
void panel_inspector_section();
void panel_genome_section(long frame, double now_s);
void panel_files_section();
void panel_plot_section();

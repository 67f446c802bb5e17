// The action table and what each action does.
#include "ui/actions.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app/frame_pass.h"
#include "sim/switches.h"
#include "ui/panel_state.h"
#include "view/camera.h"
#include "view/cell_box.h"
#include "view/checkpoint_requests.h"
#include "view/designer_requests.h"
#include "view/flags.h"
#include "view/framing.h"

Flight flight;
BOOLEAN W_S = 0;

namespace {

// Set when mouse look (re)starts: at start, on regaining the focus, on
// returning from a free cursor. The next poll then only puts the cursor at the
// anchor, so motion that the window system reports from before the restart
// (the cursor's way into the window, a re-centring warp) never turns the view.
bool g_look_restart = true;

// L, P, G, V: 150 ms after switching off, 100 ms after switching on.
void toggle_with_pause(BOOLEAN& flag) {
    flag = !flag;
    plat_pause_ms(flag ? 100 : 150);
}

// A one-shot request (Space, Return, F5, F9): flipped, as a second press in the same
// frame cancels the first.
void flip_request(BOOLEAN& flag) {
    flag = !flag;
    plat_pause_ms(100);
}

// A and D turn the heading a quarter each, on top of what an earlier key did
// (A and D together fly straight ahead).
void fly_key(float speed, int side, bool vertical) {
    flight.speed = speed;
    if (side != 0) flight.heading = sideways_heading(flight.heading, side);
    W_S = vertical;
}

// The live colony's box, or null when there is none.
const CellBox* colony_box(CellBox& box) {
    return live_cell_box(box) ? &box : nullptr;
}

void isolate(int digit) {
    move_file = digit;
    plat_pause_ms(150);
}
void toggle_axes(int) {
    show_map = !show_map;
    plat_pause_ms(150);
}
void show_len_by(int delta) {
    show_len += delta;
    plat_pause_ms(100);
}
void toggle_pause(int) {
    paused = !paused;
    step_wanted = 0;
}
void heat_channel_step(int shift) {
    if (shift)
        heat_channel = heat_channel < 0 ? kChannels - 1 : heat_channel - 1;
    else
        heat_channel = heat_channel >= kChannels - 1 ? -1 : heat_channel + 1;
}
void toggle_slice(int) {
    CellBox box;
    next_slice_axis(slab, colony_box(box));
}
void toggle_panel(int) {
    PanelState& p = panel_state;
    p.open = !p.open;
    if (p.open) {
        p.looked_before = showmouse == 0;
        if (p.looked_before) toggle_mouse_look();  // the cursor is freed, as Escape frees it
    } else if (p.looked_before && showmouse) {
        toggle_mouse_look();
    }
}
// Type 1 has one switch, L, whichever control turns it.
void toggle_type_hidden(int type) {
    if (type == 1) return toggle_with_pause(k_l);
    BOOLEAN& h = hidden_type[std::clamp(type, 0, kTypes)];
    h = !h;
}
// A new axis starts its slab at the colony's middle, as F6 does.
void set_slice_axis(int axis) {
    const SliceAxis a = SliceAxis(std::clamp(axis, 0, int(SliceAxis::Z)));
    if (a == slab.axis) return;
    CellBox box;
    start_slice(slab, a, colony_box(box));
}
// The camera along one axis (0 x, 1 y, 2 z: from above), framed as Home frames.
void view_along(int axis) {
    const float pitch[3] = {90.0f, 90.0f, 0.0f}, heading[3] = {270.0f, 0.0f, 270.0f};
    axis = std::clamp(axis, 0, 2);
    frame_beside_panel(pitch[axis], heading[axis]);
}

}  // namespace

// clang-format off
constexpr ActionRow kActions[int(Action::Count)] = {
    {Action::IsolateType, Key::Digit0, 10, Stage::ViewKeys, Section::Switches, "Show all",
     "isolate mode: 1 to 9 show only the cells of type show_len, 0 (or Show all) shows every type",
     "150 ms", isolate},
    {Action::ToggleAxes, Key::M, 1, Stage::ViewKeys, Section::Switches, "Axes",
     "the three red axis markers on/off", "150 ms", toggle_axes},
    {Action::FlyForward, Key::W, 1, Stage::Flight, Section::Keys, "Fly forward",
     "fly forward along the view (climbing or diving with it)", "",
     [](int) { fly_key(kFlightStep, 0, true); }},
    {Action::FlyBack, Key::S, 1, Stage::Flight, Section::Keys, "Fly back",
     "fly backward along the view", "", [](int) { fly_key(-kFlightStep, 0, true); }},
    {Action::StepLeft, Key::A, 1, Stage::Flight, Section::Keys, "Step left",
     "step left, level (A and D together: straight ahead)", "",
     [](int) { fly_key(kFlightStep, -1, false); }},
    {Action::StepRight, Key::D, 1, Stage::Flight, Section::Keys, "Step right",
     "step right, level", "", [](int) { fly_key(kFlightStep, 1, false); }},
    {Action::ToggleTypeOne, Key::L, 1, Stage::Switches, Section::Switches, "Type 1 shown",
     "show/hide the undifferentiated (type 1) cells; the Types row of type 1 is the same switch",
     "150 ms off, 100 ms on", [](int) { toggle_with_pause(k_l); }},
    {Action::RequestSave, Key::P, 1, Stage::Switches, Section::Files, "Save colony",
     "save the colony to list.txt", "150 ms off, 100 ms on", [](int) { toggle_with_pause(k_p); }},
    {Action::ToggleGravity, Key::G, 1, Stage::Switches, Section::Switches, "Gravity",
     "column gravity on/off", "150 ms off, 100 ms on", [](int) { toggle_with_pause(k_g); }},
    {Action::ToggleDivision, Key::V, 1, Stage::Switches, Section::Switches, "Division",
     "division by genes on/off", "150 ms off, 100 ms on", [](int) { toggle_with_pause(k_v); }},
    {Action::RequestReload, Key::Space, 1, Stage::Requests, Section::Files, "Reload",
     "reload dna.vdna and list.txt (the colony 40 further along x and y)", "100 ms",
     [](int) { flip_request(kSpace); }},
    {Action::ShowLenDown, Key::KeypadMinus, 1, Stage::Requests, Section::Switches, "show_len down",
     "show_len - 1: the type isolate mode shows, and the level the signal marks mark", "100 ms",
     [](int) { show_len_by(-1); }},
    {Action::ShowLenUp, Key::KeypadPlus, 1, Stage::Requests, Section::Switches, "show_len up",
     "show_len + 1", "100 ms", [](int) { show_len_by(1); }},
    {Action::RequestDivide, Key::Return, 1, Stage::Requests, Section::Switches, "Divide every cell",
     "divide every cell once (either Enter key)", "100 ms", [](int) { flip_request(kReturn); }},
    {Action::SaveCheckpoint, Key::F5, 1, Stage::Requests, Section::Files, "Checkpoint",
     "write the checkpoint kelvaro.ckpt: the whole state of the run and the view", "100 ms",
     [](int) { flip_request(checkpoint_save_wanted); }},
    {Action::LoadCheckpoint, Key::F9, 1, Stage::Requests, Section::Files, "Load checkpoint",
     "load kelvaro.ckpt back; a missing or refused file changes nothing", "100 ms",
     [](int) { flip_request(checkpoint_load_wanted); }},
    {Action::ToggleMouseLook, Key::Escape, 1, Stage::Pressed, Section::Keys, "Free the cursor",
     "free the cursor / capture it again for mouse look (in a text field: leave the field)",
     "100 ms", [](int) { toggle_mouse_look(); }},
    {Action::ToggleOverlay, Key::F1, 1, Stage::Pressed, Section::Keys, "Status line",
     "the status line over the view on/off: frame, cells, frame rate, switches, the last status",
     "", [](int) { show_overlay = !show_overlay; }},
    {Action::Screenshot, Key::F12, 1, Stage::Pressed, Section::Files, "Screenshot",
     "save the view as shown to kelvaro-NNNNNN.png (NNNNNN: the frame)", "",
     [](int) { screenshot_wanted = 1; }},
    {Action::TogglePause, Key::F2, 1, Stage::Pressed, Section::Run, "Pause",
     "pause / resume the frame pass; requests and the view go on", "", toggle_pause},
    {Action::Step, Key::F3, 1, Stage::Pressed, Section::Run, "Step",
     "while paused: one signal pass and one frame", "", [](int) { step_wanted = paused; }},
    {Action::HeatChannel, Key::F4, 1, Stage::Pressed, Section::Keys, "Next heat channel",
     "the heat map's next signal channel, or off after 19 (Shift+F4: the previous)", "",
     heat_channel_step},
    {Action::ToggleSlice, Key::F6, 1, Stage::Pressed, Section::Keys, "Next slice axis",
     "slice across x, y, z, or off; a new slice starts at the colony's middle", "", toggle_slice},
    {Action::SlabUp, Key::PageUp, 1, Stage::Pressed, Section::Keys, "Slice up",
     "the slice one layer up (Shift: ten)", "", [](int shift) { move_slab(slab, shift ? 10 : 1); }},
    {Action::SlabDown, Key::PageDown, 1, Stage::Pressed, Section::Keys, "Slice down",
     "the slice one layer down (Shift: ten)", "",
     [](int shift) { move_slab(slab, shift ? -10 : -1); }},
    {Action::SlabThinner, Key::BracketLeft, 1, Stage::Pressed, Section::Keys, "Slice thinner",
     "the slice one layer thinner", "", [](int) { resize_slab(slab, -1); }},
    {Action::SlabThicker, Key::BracketRight, 1, Stage::Pressed, Section::Keys, "Slice thicker",
     "the slice one layer thicker", "", [](int) { resize_slab(slab, 1); }},
    {Action::FrameColony, Key::Home, 1, Stage::Pressed, Section::Inside, "Frame the colony",
     "move the camera to see the whole colony", "",
     [](int) { frame_beside_panel(kFramingPitch, kFramingHeading); }},
    {Action::ToggleRecording, Key::F11, 1, Stage::Pressed, Section::Files, "Record",
     "record every frame shown, to a movie (ffmpeg) or to PNGs; again to stop", "",
     [](int) { recording = !recording; }},
    {Action::StepBack, Key::F7, 1, Stage::Pressed, Section::Run, "Step back",
     "while paused: back to the state the last step started from", "",
     [](int) { step_back_wanted = 1; }},
    {Action::FollowGenome, Key::F8, 1, Stage::Pressed, Section::Genome, "Follow dna.vdna",
     "follow dna.vdna: every save of the file reloads the genome alone", "",
     [](int) { genome_following = !genome_following; }},
    {Action::TogglePanel, Key::Tab, 1, Stage::Pressed, Section::Keys, "Panel",
     "open / close this panel (in the genome editor, Tab is the editor's)", "", toggle_panel},
    {Action::SavePage, Key::F10, 1, Stage::Pressed, Section::Files, "Save as page",
     "save the colony as shown (hidden types hidden) as a 3-D page that any browser opens, "
     "kelvaro-NNNNNN.html", "", [](int) { page_wanted = 1; }},
    {Action::ToggleSignalMarks, Key::Count, 0, Stage::Panel, Section::Switches, "Signal marks",
     "cells drawn black, red or green where the level on channel 2, 3, 4 or 5 equals show_len: "
     "marks, not cell types", "", [](int) { signal_marks = !signal_marks; }},
    {Action::ToggleTypeHidden, Key::Count, 0, Stage::Panel, Section::Types, "Show type",
     "show or hide one type (type 1: as L)", "", toggle_type_hidden},
    {Action::IsolateThisType, Key::Count, 0, Stage::Panel, Section::Types, "Isolate type",
     "show this type alone, as its digit does with show_len at it", "",
     [](int type) { show_len = type, move_file = 1; }},
    {Action::SetHeatChannel, Key::Count, 0, Stage::Panel, Section::Inside, "Heat map channel",
     "colour the cells by one signal channel (F4 steps through them)", "",
     [](int c) { heat_channel = std::clamp(c, -1, kChannels - 1); }},
    {Action::SetSliceAxis, Key::Count, 0, Stage::Panel, Section::Inside, "Slice across",
     "draw only a slab across x, y or z, starting at the colony's middle (F6)", "", set_slice_axis},
    {Action::SetSlabFirst, Key::Count, 0, Stage::Panel, Section::Inside, "Slice position",
     "the slab's lowest layer (Page Up, Page Down)", "",
     [](int v) { slab.first = std::clamp(v, 1, kInteriorMax); }},
    {Action::SetSlabThickness, Key::Count, 0, Stage::Panel, Section::Inside, "Slice thickness",
     "the slab's thickness in layers ([ and ])", "",
     [](int v) { slab.thickness = std::clamp(v, 1, kMaxSlabThickness); }},
    {Action::ViewAlongAxis, Key::Count, 0, Stage::Panel, Section::Inside, "View along",
     "frame the colony from above, from the front or from the side", "", view_along},
    {Action::SetFrameRateCap, Key::Count, 0, Stage::Panel, Section::Run, "Frame-rate cap",
     "at most this many frames a second (off: as fast as it goes)", "",
     [](int v) { panel_state.frame_rate_cap = std::clamp(v, 0, 120); }},
};
// clang-format on

namespace {
constexpr bool rows_in_order() {
    for (int k = 0; k < int(Action::Count); ++k)
        if (kActions[k].action != Action(k) || !kActions[k].run) return false;
    return true;
}
static_assert(rows_in_order(), "the action table's rows follow the Action enum, each with a run");
}  // namespace

const ActionRow& action_row(Action action) {
    return kActions[int(action)];
}

void act(Action action, int value) {
    if (action < Action::Count) kActions[int(action)].run(value);
}

const char* key_label(Key key) {
    static const char* const kLabels[] = {
        "0",  "1",     "2",        "3",        "4",      "5",      "6",    "7",       "8",
        "9",  "M",     "W",        "S",        "A",      "D",      "L",    "P",       "G",
        "V",  "Space", "keypad -", "keypad +", "Return", "Escape", "F1",   "F12",     "F2",
        "F3", "F4",    "F5",       "F6",       "F9",     "F11",    "Home", "Page Up", "Page Down",
        "[",  "]",     "F7",       "F8",       "Tab",    "F10",
    };
    static_assert(std::size(kLabels) == std::size_t(Key::Count));
    return key < Key::Count ? kLabels[int(key)] : "";
}

const char* row_keys(const ActionRow& row, char* buf, int size) {
    if (row.key == Key::Count) return nullptr;
    if (row.keys <= 1) return key_label(row.key);
    std::snprintf(buf, size, "%s to %s", key_label(row.key),
                  key_label(Key(int(row.key) + row.keys - 1)));
    return buf;
}

std::string action_table_markdown() {
    static const char* const kSections[] = {
        "Run", "Switches", "Types", "Looking inside", "Inspector", "Genome", "Files", "Plot", ""};
    std::string out = "| key | panel control | what it does | pause |\n|---|---|---|---|\n";
    char keys[32];
    for (const ActionRow& row : kActions) {
        const char* k = row_keys(row, keys, sizeof keys);
        const char* where = kSections[int(row.section)];
        out += "| " + std::string(k ? k : "none") + " | " +
               (where[0] ? std::string(where) + ": " + row.label : std::string("none")) + " | " +
               row.does + " | " + (row.pause[0] ? row.pause : "none") + " |\n";
    }
    return out;
}

void toggle_mouse_look() {
    // Back to mouse look: start from the anchor, so the first step measures nothing.
    if (showmouse) {
        plat_cursor_set(kMouseAnchorX, kMouseAnchorY);
        g_look_restart = true;
        inspected_cell = -1;  // the inspector belongs to the free cursor
    }
    showmouse = !showmouse;
    plat_pause_ms(100);
    plat_cursor_capture(!showmouse);
}

void restart_mouse_look() {
    g_look_restart = true;
}

bool take_look_restart() {
    const bool r = g_look_restart;
    g_look_restart = false;
    return r;
}

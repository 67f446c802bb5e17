// The control panel: its window, its opener, the map of its controls and the
// sections on running, switches, types, looking inside, files and the plot.
#include "ui/panel.h"

#include <GL/gl.h>
#include <imgui.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/files.h"
#include "app/frame_pass.h"
#include "platform/gui.h"
#include "sim/switches.h"
#include "sim/worker.h"
#include "ui/controls.h"
#include "ui/inspector_text.h"
#include "ui/overlay.h"
#include "ui/overlay_stats.h"
#include "ui/panel_state.h"
#include "ui/panel_widgets.h"
#include "view/cell_drawing.h"
#include "view/gl_text.h"
#include "view/checkpoint_keys.h"
#include "view/inside_gl.h"
#include "view/flags.h"

namespace {

// The controls' boxes this frame and as last written, for KELVARO_PANEL_MAP.
std::string g_map, g_map_written;

double now_s() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// The closed panel: a button of kOpenerSize pixels square in the top left
// corner, drawn without a GUI frame, so that a closed panel costs next to
// nothing (a click on it is the control poll's).
void draw_opener(int width, int height) {
    screen::begin_screen(width, height);
    glColor4ub(41, 74, 122, 230);
    screen::rect(2, 2, kOpenerSize - 2, kOpenerSize - 2);
    screen::text(9, 14, "Tab", 235, 235, 235);
    screen::end_screen();
    char line[64];
    std::snprintf(line, sizeof line, "Open the panel\t0 0 %d %d\n", kOpenerSize, kOpenerSize);
    g_map += line;
}

// The panel's background, filled as a clear of its part of the window (far
// cheaper on a software rasteriser than a blended rectangle).
void fill_background(int width, int height, int w) {
    glPushAttrib(GL_SCISSOR_BIT | GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(width - w, 0, w, height);
    glClearColor(0.06f, 0.06f, 0.07f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

}  // namespace

void key_tip(const char* label, Action action, const char* also) {
    mapped(label);
    if (!ImGui::IsItemHovered()) return;
    const char* key = action_key_label(action);
    if (also)
        ImGui::SetTooltip("Key: %s, %s", key ? key : "none", also);
    else if (key)
        ImGui::SetTooltip("Key: %s", key);
}

void mapped(const char* label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    char line[160];
    std::snprintf(line, sizeof line, "%s\t%.0f %.0f %.0f %.0f\n", label, a.x, a.y, b.x, b.y);
    g_map += line;
}

void action_checkbox(const char* label, bool on, Action action, int value) {
    if (ImGui::Checkbox(label, &on)) act(action, value);
    key_tip(label, action);
}

void action_button(const char* label, Action action, int value) {
    if (ImGui::Button(label)) act(action, value);
    key_tip(label, action);
}

bool section(const char* label, bool open) {
    const bool shown = ImGui::CollapsingHeader(label, open ? ImGuiTreeNodeFlags_DefaultOpen : 0);
    mapped(label);
    return shown;
}

void status_line(const char* what, const char* line) {
    if (line[0])
        ImGui::TextWrapped("%s: %s", what, line);
    else
        ImGui::TextDisabled("%s: nothing yet", what);
}

void panel_run_section(long frame) {
    if (!section("Run", true)) return;
    action_button(paused ? "Resume" : "Pause", Action::TogglePause);
    ImGui::SameLine();
    action_button("Step", Action::Step);
    ImGui::SameLine();
    action_button("Step back", Action::StepBack);
    const ShownStats s = shown_stats();
    ImGui::Text("Frame %ld, %ld since the last load", frame, frame - request_status.loaded_at);
    ImGui::Text("Cells %d of %d", s.census.live, kMaxCells);
    ImGui::Text("%.1f frames/s, %.1f signal passes/s", s.frame_rate, s.pass_rate);
    ImGui::SetNextItemWidth(160);
    ImGui::SliderInt("Frame-rate cap", &frame_rate_cap, 0, 120,
                     frame_rate_cap ? "%d frames/s" : "off");
    mapped("Frame-rate cap");
}

void panel_switches_section() {
    if (!section("Switches", true)) return;
    action_checkbox("Division", k_v, Action::ToggleDivision);
    ImGui::SameLine(150);
    action_checkbox("Gravity", k_g, Action::ToggleGravity);
    action_checkbox("Type 1 shown", k_l, Action::ToggleTypeOne);
    ImGui::SameLine(150);
    action_checkbox("Axes", show_map, Action::ToggleAxes);
    action_checkbox("Signal marks", signal_marks, Action::ToggleSignalMarks);
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip(
            "Cells are drawn black, red or green where the level on channel 2, 3, "
            "4 or 5 equals show_len: these are marks, not cell types");
    ImGui::TextDisabled("  marks where a level on channels 2-5 equals show_len");
    ImGui::Text("Isolate: %s", move_file ? "on" : "off");
    ImGui::SameLine();
    action_button("Show all", Action::IsolateType, 0);
    ImGui::SameLine();
    ImGui::Text("show_len %d", show_len);
    ImGui::SameLine();
    action_button("-", Action::ShowLenDown);
    ImGui::SameLine();
    action_button("+", Action::ShowLenUp);
    action_button("Divide every cell", Action::RequestDivide);
}

namespace {

// A type's swatch: its colour, or a mark that it has none of its own.
void type_swatch(int t) {
    Rgb c;
    if (t != TypeCensus::kOther && type_color(t, c)) {
        ImGui::ColorButton("##swatch", ImVec4(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1),
                           ImGuiColorEditFlags_NoTooltip, ImVec2(16, 16));
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Button, ImVec4(0.25f, 0.25f, 0.25f, 1));
    ImGui::Button("~", ImVec2(16, 16));
    ImGui::PopStyleColor();
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("No colour of its own: drawn in the colour of the cell before it");
}

// One row: swatch, shown or hidden, the name (a click isolates it), the count.
void type_row(int t, int count) {
    ImGui::PushID(t);
    type_swatch(t);
    ImGui::SameLine();
    char label[48];
    std::snprintf(label, sizeof label, "Shown##type%d", t);
    bool shown = !hidden_type[t];
    if (ImGui::Checkbox(label, &shown)) act(Action::ToggleTypeHidden, t);
    std::snprintf(label, sizeof label, "Show type %d", t);
    mapped(label);
    ImGui::SameLine();
    if (t == TypeCensus::kOther) {
        ImGui::Text("other types");
    } else {
        std::snprintf(label, sizeof label, "type %d", t);
        if (ImGui::Selectable(label, move_file && show_len == t, 0, ImVec2(70, 0)))
            act(Action::IsolateThisType, t);
        std::snprintf(label, sizeof label, "Isolate type %d", t);
        key_tip(label, Action::IsolateType, "the digit with show_len at the type");
    }
    ImGui::SameLine(190);
    ImGui::Text("%d", count);
    ImGui::PopID();
}

}  // namespace

void panel_types_section() {
    if (!section("Types", true)) return;
    const TypeCensus& census = shown_stats().census;
    for (int t = 0; t <= TypeCensus::kOther; ++t)
        if (census.count[t] > 0 || hidden_type[t]) type_row(t, census.count[t]);
}

void panel_inside_section() {
    if (!section("Looking inside", false)) return;
    int channel = heat_channel + 1;
    static const char* const kChannelsShown =
        "off\0"
        "0\0"
        "1\0"
        "2\0"
        "3\0"
        "4\0"
        "5\0"
        "6\0"
        "7\0"
        "8\0"
        "9\0"
        "10\0"
        "11\0"
        "12\0"
        "13\0"
        "14\0"
        "15\0"
        "16\0"
        "17\0"
        "18\0"
        "19\0";
    ImGui::SetNextItemWidth(90);
    if (ImGui::Combo("Heat map channel", &channel, kChannelsShown))
        act(Action::SetHeatChannel, channel - 1);
    key_tip("Heat map channel", Action::HeatChannel, "Shift+F4 back");
    int axis = int(slab.axis);
    ImGui::SetNextItemWidth(90);
    if (ImGui::Combo("Slice across", &axis, "off\0x\0y\0z\0")) act(Action::SetSliceAxis, axis);
    key_tip("Slice across", Action::ToggleSlice);
    int first = slab.first, thickness = slab.thickness;
    if (ImGui::SliderInt("Slice position", &first, 1, kInteriorMax))
        act(Action::SetSlabFirst, first);
    key_tip("Slice position", Action::SlabUp, "Page Down");
    if (ImGui::SliderInt("Slice thickness", &thickness, 1, kMaxSlabThickness))
        act(Action::SetSlabThickness, thickness);
    key_tip("Slice thickness", Action::SlabThicker, "[");
    action_button("Frame (Home)", Action::FrameColony);
    ImGui::SameLine();
    action_button("From above", Action::ViewAlongAxis, 2);
    ImGui::SameLine();
    action_button("Front", Action::ViewAlongAxis, 1);
    ImGui::SameLine();
    action_button("Side", Action::ViewAlongAxis, 0);
}

void panel_inspector_section() {
    static int shown_cell = -1;  // a newly picked cell opens the section
    if (inspected_cell >= 0 && inspected_cell != shown_cell) ImGui::SetNextItemOpen(true);
    shown_cell = inspected_cell;
    if (!section("Inspector", false)) return;
    const int i = inspected_cell;
    if (i < 0 || i >= Cells_count) {
        ImGui::TextDisabled("Click a cell in the view to inspect it");
        return;
    }
    const TCells& c = Cells[i];
    ImGui::Text("Cell %d: type %d at %d %d %d", i, c.type, c.x, c.y, c.z);
    ImGui::Text("Clamp %d (%s), column height %d", c.clamps, clamp_name(c.clamps),
                world_gravity[c.x][c.y][c.z]);
    const std::int32_t* level = world_signal[c.x][c.y][c.z];
    std::int32_t peak = 1;
    for (int k = 0; k < kChannels; ++k) peak = std::max(peak, ld(level[k]));
    for (int k = 0; k < kChannels; ++k) {
        if (k % 4) ImGui::SameLine();
        char number[16];
        const std::int32_t v = ld(level[k]);
        std::snprintf(number, sizeof number, "%d: %d", k, v);
        ImGui::ProgressBar(float(std::max(0, v)) / float(peak), ImVec2(70, 0), number);
    }
    char story[2][kHistoryLineSize];
    const int told = cell_history_lines(i, story);
    for (int k = 0; k < told; ++k) ImGui::TextWrapped("%s", story[k]);
}

void panel_files_section() {
    if (!section("Files", false)) return;
    action_button("Reload", Action::RequestReload);
    ImGui::SameLine();
    action_button("Save colony", Action::RequestSave);
    ImGui::SameLine();
    action_button("Checkpoint", Action::SaveCheckpoint);
    ImGui::SameLine();
    action_button("Load it", Action::LoadCheckpoint);
    action_button("Screenshot", Action::Screenshot);
    ImGui::SameLine();
    action_button(recording ? "Stop recording" : "Record", Action::ToggleRecording);
    status_line("Save (P)", request_status.save);
    status_line("Reload (Space)", request_status.reload);
    status_line("Checkpoint (F5, F9)", checkpoint_status());
    status_line("Screenshot (F12)", screenshot_status);
    status_line("Record (F11)", recording_status());
}

void panel_plot_section() {
    if (!section("Plot", false)) return;
    const ShownStats s = shown_stats();
    const PopulationHistory& h = s.history;
    constexpr int kShown = 5;
    int top[kShown];
    const int shown = s.census.top(kShown, top);
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const float w = ImGui::GetContentRegionAvail().x, ht = 120;
    ImGui::Dummy(ImVec2(w, ht));
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(at, ImVec2(at.x + w, at.y + ht), IM_COL32(20, 20, 20, 255));
    const int n = h.size();
    if (n < 2) return;
    const float peak = float(std::max(1, h.peak_live()));
    const float step = w / float(PopulationHistory::kFrames - 1);
    for (int k = -1; k < shown; ++k) {
        Rgb c{255, 255, 255};
        if (k >= 0 && (top[k] == TypeCensus::kOther || !type_color(top[k], c))) c = {128, 128, 128};
        ImVec2 line[PopulationHistory::kFrames];
        for (int age = 0; age < n; ++age) {
            const std::int32_t v = k < 0 ? h.live(age) : h.count(age, top[k]);
            line[age] = ImVec2(at.x + w - age * step, at.y + ht - ht * float(v) / peak);
        }
        draw->AddPolyline(line, n, IM_COL32(c.r, c.g, c.b, 255), 0, 1.5f);
    }
    ImGui::Text("Live cells (white) and the %d most numerous types, last %d frames", shown, n);
}

void draw_panel(int width, int height, long frame) {
    g_map.clear();
    // While F1 is shown its legend names Tab, and its box holds the corner.
    if (!panel_open) return show_overlay ? void() : draw_opener(width, height);
    const int w = panel_width(width);
    fill_background(width, height, w);
    plat_gui_new_frame();
    {
        ImGui::SetNextWindowPos(ImVec2(float(width - w), 0));
        ImGui::SetNextWindowSize(ImVec2(float(w), float(height)));
        const ImGuiWindowFlags flags = ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                                       ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBackground;
        if (ImGui::Begin("Kelvaro (Tab closes)", nullptr, flags)) {
            panel_run_section(frame);
            panel_switches_section();
            panel_types_section();
            panel_inside_section();
            panel_inspector_section();
            panel_genome_section(frame, now_s());
            panel_files_section();
            panel_plot_section();
        }
        ImGui::End();
    }
    plat_gui_render();
}

void write_panel_map_if_asked() {
    static const char* path = std::getenv("KELVARO_PANEL_MAP");
    if (!path || g_map == g_map_written) return;
    AtomicFileWriter out(path);
    out.write(g_map.data(), g_map.size());
    if (out.commit()) g_map_written = g_map;
}

// The control panel: its window, its opener, and the sections on running,
// switches, types, looking inside, the inspector, files, the plot and the keys.
#include "ui/panel.h"

#include <GL/gl.h>
#include <imgui.h>

#include <algorithm>
#include <cstdio>

#include "app/frame_pass.h"
#include "platform/gui.h"
#include "platform/platform.h"
#include "sim/switches.h"
#include "sim/world.h"
#include "ui/inspector_text.h"
#include "ui/overlay.h"
#include "ui/overlay_stats.h"
#include "ui/panel_genome.h"
#include "ui/panel_map.h"
#include "ui/panel_state.h"
#include "ui/panel_widgets.h"
#include "view/cell_drawing.h"
#include "view/checkpoint_requests.h"
#include "view/designer_requests.h"
#include "view/flags.h"
#include "view/gl_text.h"
#include "view/inside_gl.h"

namespace {

// The closed panel: a button of kOpenerSize pixels square in the top left
// corner, drawn without a GUI frame, so that a closed panel costs next to
// nothing (a click on it is the control poll's).
void draw_opener(int width, int height) {
    screen::begin_screen(width, height);
    glColor4ub(41, 74, 122, 230);
    screen::rect(2, 2, kOpenerSize - 2, kOpenerSize - 2);
    screen::text(9, 14, "Tab", 235, 235, 235);
    screen::end_screen();
    panel_map_add("Open the panel", 0, 0, kOpenerSize, kOpenerSize);
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

void run_section(long frame) {
    if (!section("Run", true)) return;
    action_checkbox(Action::TogglePause, paused);
    ImGui::SameLine();
    action_button(Action::Step);
    ImGui::SameLine();
    action_button(Action::StepBack);
    if (step_status()[0]) status_line("Step back", step_status());
    const ShownStats s = shown_stats();
    ImGui::Text("Frame %ld, %ld since the last load", frame, frame - request_status.loaded_at);
    mapped("Frame");
    ImGui::Text("Cells %d of %d", s.census.live, kMaxCells);
    ImGui::Text("%.1f frames/s, %.1f signal passes/s", s.frame_rate, s.pass_rate);
    int cap = panel_state.frame_rate_cap;
    ImGui::SetNextItemWidth(160);
    // Never a text field: a slider that Tab or a double click would turn into
    // one would keep the keyboard from the view.
    if (ImGui::SliderInt("Frame-rate cap", &cap, 0, 120, cap ? "%d frames/s" : "off",
                         ImGuiSliderFlags_NoInput))
        act(Action::SetFrameRateCap, cap);
    mapped("Frame-rate cap");
    row_tip(action_row(Action::SetFrameRateCap));
}

void switches_section() {
    if (!section("Switches", true)) return;
    action_checkbox(Action::ToggleDivision, k_v);
    ImGui::SameLine(150);
    action_checkbox(Action::ToggleGravity, k_g);
    action_checkbox(Action::ToggleTypeOne, k_l);
    ImGui::SameLine(150);
    action_checkbox(Action::ToggleAxes, show_map);
    action_checkbox(Action::ToggleSignalMarks, signal_marks);
    caption("marks where a level on channels 2-5 equals show_len");
    ImGui::Text("Isolate: %s", move_file ? "on" : "off");
    ImGui::SameLine();
    action_button(Action::IsolateType, 0);
    ImGui::SameLine();
    ImGui::Text("show_len %d", show_len);
    ImGui::SameLine();
    action_button(Action::ShowLenDown, 0, "-");
    ImGui::SameLine();
    action_button(Action::ShowLenUp, 0, "+");
    action_button(Action::RequestDivide);
}

// A type's swatch: its colour, or a mark that it has none of its own.
void type_swatch(int t) {
    Rgb own;
    const Rgb c = census_colour(t);
    const ImVec4 colour(c.r / 255.f, c.g / 255.f, c.b / 255.f, 1);
    if (t != TypeCensus::kOther && type_color(t, own)) {
        ImGui::ColorButton("##swatch", colour, ImGuiColorEditFlags_NoTooltip, ImVec2(16, 16));
        return;
    }
    ImGui::PushStyleColor(ImGuiCol_Button, colour);
    ImGui::Button("~", ImVec2(16, 16));
    ImGui::PopStyleColor();
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("No colour of its own: drawn in the colour of the cell before it");
}

// One row: swatch, shown or hidden, the name (a click isolates it), the count.
// Type 1's box is L's switch.
void type_row(int t, int count) {
    ImGui::PushID(t);
    type_swatch(t);
    ImGui::SameLine();
    char label[48];
    std::snprintf(label, sizeof label, "Shown##Show type %d", t);
    const bool shown = t == 1 ? k_l && !hidden_type[1] : !hidden_type[t];
    action_checkbox(Action::ToggleTypeHidden, shown, t, label);
    ImGui::SameLine();
    if (t == TypeCensus::kOther) {
        ImGui::Text("other types");
    } else {
        std::snprintf(label, sizeof label, "Isolate type %d", t);
        char name[80];
        std::snprintf(name, sizeof name, "type %d##%s", t, label);
        if (ImGui::Selectable(name, move_file && show_len == t, 0, ImVec2(70, 0)))
            act(Action::IsolateThisType, t);
        mapped(label);
        row_tip(action_row(Action::IsolateThisType));
    }
    ImGui::SameLine(250);
    ImGui::Text("%d", count);
    ImGui::PopID();
}

void types_section() {
    if (!section("Types", true)) return;
    const TypeCensus& census = shown_stats().census;
    for (int t = 0; t <= TypeCensus::kOther; ++t)
        if (census.count[t] > 0 || hidden_type[t] || (t == 1 && !k_l)) type_row(t, census.count[t]);
}

}  // namespace

namespace {

void inside_section() {
    if (!section("Looking inside", false)) return;
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
    int channel = heat_channel + 1;
    ImGui::SetNextItemWidth(90);
    if (ImGui::Combo("Heat map channel", &channel, kChannelsShown))
        act(Action::SetHeatChannel, channel - 1);
    mapped("Heat map channel");
    row_tip(action_row(Action::SetHeatChannel));
    int axis = int(slab.axis);
    ImGui::SetNextItemWidth(90);
    if (ImGui::Combo("Slice across", &axis, "off\0x\0y\0z\0")) act(Action::SetSliceAxis, axis);
    mapped("Slice across");
    row_tip(action_row(Action::SetSliceAxis));
    int first = slab.first, thickness = slab.thickness;
    const ImGuiSliderFlags no_text = ImGuiSliderFlags_NoInput;
    if (ImGui::SliderInt("Slice position", &first, 1, kInteriorMax, "%d", no_text))
        act(Action::SetSlabFirst, first);
    mapped("Slice position");
    row_tip(action_row(Action::SetSlabFirst));
    if (ImGui::SliderInt("Slice thickness", &thickness, 1, kMaxSlabThickness, "%d", no_text))
        act(Action::SetSlabThickness, thickness);
    mapped("Slice thickness");
    row_tip(action_row(Action::SetSlabThickness));
    action_button(Action::FrameColony);
    action_button(Action::ViewAlongAxis, 2, "From above");
    ImGui::SameLine();
    action_button(Action::ViewAlongAxis, 1, "Front");
    ImGui::SameLine();
    action_button(Action::ViewAlongAxis, 0, "Side");
}

void inspector_section() {
    int& shown_cell = panel_state.inspector_shown;  // a newly picked cell opens the section
    if (inspected_cell >= 0 && inspected_cell != shown_cell) ImGui::SetNextItemOpen(true);
    shown_cell = inspected_cell;
    if (!section("Inspector", false)) return;
    const int i = inspected_cell;
    if (i < 0 || i >= Cells_count) {
        caption("Click a cell in the view to inspect it");
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

void files_section() {
    if (!section("Files", false)) return;
    action_button(Action::RequestReload);
    ImGui::SameLine();
    action_button(Action::RequestSave);
    action_button(Action::SaveCheckpoint);
    ImGui::SameLine();
    action_button(Action::LoadCheckpoint);
    action_button(Action::Screenshot);
    ImGui::SameLine();
    action_checkbox(Action::ToggleRecording, recording);
    action_button(Action::SavePage);
    status_line("Save", request_status.save);
    status_line("Reload", request_status.reload);
    status_line("Checkpoint", checkpoint_status());
    status_line("Screenshot", panel_state.screenshot_status);
    status_line("Record", recording_status());
    status_line("Page", panel_state.page_status);
}

// Live cells (white) and the most numerous types (their colours) over the
// last frames, newest on the right, with the scale.
void plot_section() {
    if (!section("Plot", false)) return;
    const ShownStats s = shown_stats();
    const PopulationHistory& h = s.history;
    constexpr int kShown = 5;
    int top[kShown];
    const int shown = s.census.top(kShown, top);
    const int peak = std::max(1, h.peak_live());
    ImGui::Text("max %d", peak);
    const ImVec2 at = ImGui::GetCursorScreenPos();
    const float w = ImGui::GetContentRegionAvail().x, ht = 120;
    ImGui::Dummy(ImVec2(w, ht));
    ImDrawList* draw = ImGui::GetWindowDrawList();
    draw->AddRectFilled(at, ImVec2(at.x + w, at.y + ht), IM_COL32(20, 20, 20, 255));
    const int n = h.size();
    const float step = w / float(PopulationHistory::kFrames - 1);
    for (int k = -1; k < shown && n >= 2; ++k) {
        const Rgb c = k < 0 ? Rgb{255, 255, 255} : census_colour(top[k]);
        ImVec2 line[PopulationHistory::kFrames];
        for (int age = 0; age < n; ++age) {
            const std::int32_t v = k < 0 ? h.live(age) : h.count(age, top[k]);
            line[age] = ImVec2(at.x + w - age * step, at.y + ht - ht * float(v) / float(peak));
        }
        draw->AddPolyline(line, n, IM_COL32(c.r, c.g, c.b, 255), 0, 1.5f);
    }
    char text[128];
    std::snprintf(text, sizeof text,
                  "0 to %d cells: live cells (white) and the %d most numerous types, over the "
                  "last %d frames",
                  peak, shown, n);
    caption(text);
}

// Every key, from the action table.
void keys_section() {
    if (!section("Keys", false)) return;
    char buf[32];
    for (const ActionRow& row : kActions) {
        const char* key = row_keys(row, buf, sizeof buf);
        if (!key) continue;
        ImGui::TextWrapped("%s: %s", key, row.does);
    }
}

}  // namespace

void draw_panel(int width, int height, long frame) {
    panel_map_begin();
    // The presses acted on: a test reads the map for its next click only once
    // the frame that acted on the last one has laid the panel out.
    panel_map_add("Clicks seen", float(plat_left_presses()), 0, 0, 0);
    // While the F1 status line is shown it names Tab, and covers the corner.
    if (!panel_state.open) return show_overlay ? void() : draw_opener(width, height);
    const int w = panel_width(width);
    fill_background(width, height, w);
    plat_gui_new_frame();
    {
        ImGui::SetNextWindowPos(ImVec2(float(width - w), 0));
        ImGui::SetNextWindowSize(ImVec2(float(w), float(height)));
        const ImGuiWindowFlags flags = ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                                       ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBackground;
        if (ImGui::Begin("Kelvaro (Tab closes)", nullptr, flags)) {
            ImGui::PushTextWrapPos(0.0f);  // every text wraps at the panel's edge
            run_section(frame);
            switches_section();
            types_section();
            inside_section();
            inspector_section();
            panel_genome_section(frame);
            files_section();
            plot_section();
            keys_section();
            ImGui::PopTextWrapPos();
        }
        ImGui::End();
    }
    plat_gui_render();
}

// The panel's widgets and its map of controls.
#include "ui/panel_widgets.h"

#include <imgui.h>

#include <cstdio>
#include <cstring>

#include "ui/panel_map.h"

namespace {

// A control's name in the map: its label, or what follows "##" in it (the
// part before is shown, the whole is Dear ImGui's identifier).
const char* map_name(const char* label) {
    const char* hidden = std::strstr(label, "##");
    return hidden ? hidden + 2 : label;
}

}  // namespace

void mapped(const char* label) {
    const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
    panel_map_add(label, a.x, a.y, b.x, b.y);
}

void row_tip(const ActionRow& row) {
    if (!ImGui::IsItemHovered()) return;
    char buf[32];
    const char* key = row_keys(row, buf, sizeof buf);
    // Beside the panel, level with the control: the panel's text stays in sight.
    const ImVec2 item = ImGui::GetItemRectMin();
    ImGui::SetNextWindowPos(ImVec2(ImGui::GetWindowPos().x - 8, item.y), 0, ImVec2(1, 0));
    ImGui::BeginTooltip();
    ImGui::PushTextWrapPos(ImGui::GetFontSize() * 24);
    ImGui::TextUnformatted(row.does);
    if (key) ImGui::Text("Key: %s", key);
    ImGui::PopTextWrapPos();
    ImGui::EndTooltip();
}

void action_checkbox(Action action, bool on, int value, const char* text) {
    const ActionRow& row = action_row(action);
    const char* label = text ? text : row.label;
    if (ImGui::Checkbox(label, &on)) act(action, value);
    mapped(map_name(label));
    row_tip(row);
}

void action_button(Action action, int value, const char* text) {
    const ActionRow& row = action_row(action);
    const char* label = text ? text : row.label;
    if (ImGui::Button(label)) act(action, value);
    mapped(map_name(label));
    row_tip(row);
}

bool section(const char* label, bool open) {
    const bool shown = ImGui::CollapsingHeader(label, open ? ImGuiTreeNodeFlags_DefaultOpen : 0);
    mapped(label);
    return shown;
}

void status_line(const char* what, const char* line) {
    if (line[0])
        ImGui::TextWrapped("%s", line);
    else
        ImGui::TextDisabled("%s: nothing yet", what);
}

void caption(const char* text) {
    ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
    ImGui::TextWrapped("%s", text);
    ImGui::PopStyleColor();
}

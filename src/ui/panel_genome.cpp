// The panel's genome editor: dna.vdna as text, the genome check's findings as
// the user types, and Apply, Save and Revert.
#include <imgui.h>
#include <imgui_stdlib.h>

#include <cstdio>

#include "ui/genome_editor.h"
#include "ui/panel_genome.h"
#include "ui/panel_widgets.h"
#include "view/designer_requests.h"

namespace {

// The findings of the text being edited, each with its line and column.
void findings_list(const GenomeEditor& e) {
    const GenomeCheck& c = e.check;
    if (c.report.findings == 0) {
        ImGui::TextColored(ImVec4(0.5f, 0.9f, 0.5f, 1), "No findings: %d gene%s", c.summary.genes,
                           c.summary.genes == 1 ? "" : "s");
        mapped("Findings");
        return;
    }
    ImGui::TextColored(ImVec4(1, 0.75f, 0.3f, 1), "%d finding%s:", c.report.findings,
                       c.report.findings == 1 ? "" : "s");
    mapped("Findings");
    ImGui::BeginChild("##findings", ImVec2(0, 90), true);
    char line[320];
    for (int k = 0; k < c.kept; ++k) {
        format_finding(line, sizeof line, "line", c.finding[k]);
        ImGui::TextWrapped("%s", line);
        mapped(line);
    }
    ImGui::EndChild();
}

void editor_buttons(GenomeEditor& e, long frame) {
    if (ImGui::Button("Apply")) editor_apply(e, frame);
    mapped("Apply");
    if (ImGui::IsItemHovered())
        ImGui::SetTooltip("Load this text as the genome, as a freshly started program would");
    ImGui::SameLine();
    if (ImGui::Button("Save")) editor_save(e);
    mapped("Save");
    ImGui::SameLine();
    if (ImGui::Button("Revert")) editor_revert(e);
    mapped("Revert");
}

}  // namespace

void panel_genome_section(long frame) {
    if (!section("Genome", false)) return;
    GenomeEditor& e = genome_editor();
    if (!e.loaded) editor_revert(e);
    editor_watch_disk(e);
    action_checkbox(Action::FollowGenome, genome_following);
    ImGui::Text("dna.vdna%s", e.dirty() ? "  (unsaved changes)" : "");
    if (e.changed_on_disk) {
        ImGui::TextColored(ImVec4(1, 0.6f, 0.3f, 1), "dna.vdna changed on disk%s",
                           e.dirty() ? " while you have unsaved edits" : "");
        ImGui::SameLine();
        if (ImGui::SmallButton("Revert to it")) editor_revert(e);
        mapped("Revert to it");
    }
    const ImGuiInputTextFlags flags = ImGuiInputTextFlags_AllowTabInput;
    if (ImGui::InputTextMultiline("##genome", &e.text, ImVec2(-1, 180), flags))
        editor_text_changed(e);
    mapped("Genome text");
    findings_list(e);
    editor_buttons(e, frame);
    if (e.status[0]) ImGui::TextWrapped("%s", e.status);
    if (genome_status()[0]) ImGui::TextWrapped("%s", genome_status());
}

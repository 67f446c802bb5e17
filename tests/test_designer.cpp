// The genome designer's loop: the per-cell history that division and gene
// expression record, the states paused steps start from (F7), and following
// the genome file (F8).
#include "support.h"

#include "app/bytes.h"
#include "app/checkpoint.h"
#include "app/step_ring.h"
#include "view/designer_requests.h"
#include "ui/genome_editor.h"
#include "ui/inspector_text.h"

namespace {

class Designer : public kt::FileTest {
   protected:
    void TearDown() override {
        stop_following();
        clear_step_states();
        set_history_sink(nullptr, nullptr);
        kt::FileTest::TearDown();
    }
};

// The running state as a checkpoint's payload.
std::string payload() {
    Bytes b;
    EXPECT_TRUE(capture_checkpoint_payload(b, 0));
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}

}  // namespace

TEST_F(Designer, DivisionAndGeneExpressionRecordParentGenerationAndGene) {
    kt::gene(0, {11, 12}, 9);  // never switches: channels 11 and 12 stay 0
    kt::gene(1, {2, 2}, 5);    // wherever channel 2 reaches
    const int emitter = kt::place(2, 50, 50, 50), a = kt::place(1, 51, 50, 50);
    history_frame = 3;
    history_loaded(Cells_count);
    kt::passes(2);
    std::vector<HistoryEvent> events;
    set_history_sink(kt::collect_events, &events);
    history_frame = 4;
    express_genes(a);          // type 5 by gene 1
    divide_in_order(a, 0, 1);  // a daughter below it, for gene 1
    history_frame = 5;
    divide_in_order(a + 1, 0);      // a granddaughter, by no gene (divide-all)
    move_cell(emitter, 0, 50, 50);  // a step off the lattice: type 8
    move_cell(emitter, 0, 50, 50);  // already 8: nothing new
    const int d = a + 1, g = a + 2;
    // born, parent, generation, type frame, type gene, previous type
    const std::pair<int, CellHistory> want[] = {
        {emitter, {3, -1, 0, 5, -1, 2}},
        {a, {3, -1, 0, 4, 1, 1}},
        {d, {4, a, 1, -1, -1, -1}},
        {g, {5, d, 2, -1, -1, -1}},
    };
    ASSERT_EQ(Cells_count, 4);
    for (const auto& [i, h] : want) {
        const CellHistory& r = Cells_history[i];
        EXPECT_EQ(std::tuple(r.born_frame, r.parent, r.generation, r.type_frame, r.type_gene,
                             r.previous_type),
                  std::tuple(h.born_frame, h.parent, h.generation, h.type_frame, h.type_gene,
                             h.previous_type))
            << "cell " << i;
    }
    // frame, division?, cell, other, gene, from, to
    using E = std::tuple<int, bool, int, int, int, int, int>;
    const std::vector<E> expected = {{4, false, a, -1, 1, 1, 5},
                                     {4, true, a, d, 1, 5, 1},
                                     {5, true, d, g, -1, 1, 1},
                                     {5, false, emitter, -1, -1, 2, 8}};
    std::vector<E> got;
    for (const HistoryEvent& e : events)
        got.emplace_back(e.frame, e.kind == HistoryEventKind::Divide, e.cell, e.other, e.gene,
                         e.from_type, e.to_type);
    EXPECT_EQ(got, expected);
    // The inspector tells the same story.
    char lines[2][kHistoryLineSize];
    ASSERT_EQ(cell_history_lines(a, lines), 2);
    EXPECT_STREQ(lines[0], "type 5 since frame 4, by gene 1: EN=2;EN=2;EX=5");
    EXPECT_STREQ(lines[1], "loaded at frame 3, generation 0");
    cell_history_lines(g, lines);
    EXPECT_STREQ(lines[1], "born frame 5 from cell 2, generation 2");
    history_unknown(Cells_count);
    EXPECT_EQ(cell_history_lines(a, lines), 1);
}

TEST_F(Designer, FiveStepsBackAndFiveForwardGiveTheSameStatesByteForByte) {
    load_genome_from(KELVARO_BATCH_DATA "/genome.vdna", nullptr);
    load_cell_list_from(KELVARO_BATCH_DATA "/colony.txt", kLoadShift);
    k_v = k_g = 1;
    rng_seed(11);
    // A paused step: its start kept, one signal pass, one frame pass.
    const auto step = [](int f) {
        ASSERT_TRUE(keep_step_state(f));
        settle_signal(1);
        history_frame = f + 1;
        kReturn = f == 0;  // the colony doubles, then its division genes act
        frame_pass();
    };
    std::vector<std::string> starts;
    for (int f = 0; f < 5; ++f) starts.push_back(payload()), step(f);
    const std::string fifth = payload();
    EXPECT_GT(Cells_count, 50);  // the colony grew: the states differ
    EXPECT_EQ(step_states_kept(), 5);
    for (int f = 4; f >= 0; --f) {
        const CheckpointLoad r = restore_step_state();
        ASSERT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(r.frame, f);
        EXPECT_TRUE(payload() == starts[f]) << "back to frame " << f;
    }
    EXPECT_FALSE(restore_step_state().ok);
    for (int f = 0; f < 5; ++f) step(f);
    EXPECT_TRUE(payload() == fifth);
    EXPECT_LT(step_ring_bytes(), kStepRingBytes + (std::size_t(16) << 20));
}

TEST_F(Designer, F8ReloadsTheGenomeAloneWhenTheFileChangesAndKeepsItWhenItCannotBeRead) {
    kt::write_file(kGenomeFile, "EN=2;EN=3;EX=4\n");
    load_genome();
    kt::ball(30, 1, 20, 20, 20);
    const std::uint64_t rng = rng_state();
    long frame = 10;
    genome_following = 1;
    serve_designer_requests(frame);
    // What happens to the file; gene 0's type after the next frame's serve.
    const std::pair<std::function<void()>, int> cases[] = {
        {[] { kt::write_file("x.tmp", "EN=2;EN=3;EX=5\n"), std::rename("x.tmp", kGenomeFile); }, 5},
        {[] { kt::write_file(kGenomeFile, "EN=2;EN=3;EX=6\n"); }, 6},  // written in place
        {[] { std::filesystem::remove(kGenomeFile); }, 6},             // gone: kept
        {[] { std::filesystem::create_directory(kGenomeFile); }, 6},   // not a file: kept
        {[] { std::filesystem::remove(kGenomeFile), kt::write_file(kGenomeFile, "EX=7"); }, 7},
        {[] { kt::write_file(kGenomeFile, std::string("EX=9\n\0", 6)); }, 7},    // binary: kept
        {[] { genome_following = 0, kt::write_file(kGenomeFile, "EX=8"); }, 7},  // F8 off
    };
    for (const auto& [change, type] : cases) {
        const bool loads = type != DNA[0].Exon[0];  // a load writes the dump and says so
        std::filesystem::remove(kGenomeDump);
        change();
        serve_designer_requests(++frame);
        const std::string said = genome_status();
        EXPECT_EQ(std::tuple(DNA[0].Exon[0], std::filesystem::exists(kGenomeDump),
                             said.find("loaded at frame " + std::to_string(frame)) != said.npos),
                  std::tuple(type, loads, loads))
            << "frame " << frame << ": " << said;
    }
    EXPECT_EQ(std::pair(Cells_count, rng_state()), std::pair(30, rng));  // the colony carried on
    const std::string status = genome_status();
    EXPECT_NE(status.find("F8: dna.vdna is binary data (a NUL byte) at frame 16; the genome in "
                          "force stays"),
              status.npos)
        << status;
}

// The panel's editor: the check as typed, Apply as a fresh program loads, Save
// through a link and unseen by F8, Revert refusing binary data, a change on disk.
TEST_F(Designer, TheGenomeEditorAppliesSavesAndRevertsAsADesignerExpects) {
    kt::write_file("real.vdna", "EN=2;EN=3;EX=7;MPF=1\n");
    std::filesystem::create_symlink("real.vdna", kGenomeFile);
    load_genome();
    GenomeEditor e;
    ASSERT_TRUE(editor_revert(e));
    EXPECT_EQ(std::pair(e.text, e.dirty()),
              std::pair(std::string("EN=2;EN=3;EX=7;MPF=1\n"), false));
    e.text = "EN=4;EN=5\n";
    editor_text_changed(e);
    EXPECT_EQ(e.check.kept, 1);
    EXPECT_EQ(std::pair(e.check.finding[0].at.line, e.check.finding[0].at.column), std::pair(1, 1));
    editor_apply(e, 3);  // the text alone: no EX and no MPF left over from the file
    EXPECT_EQ(std::tuple(DNA_Count, DNA[0].Exon[0], DNA[0].MPF), std::tuple(1, 0, 0));
    EXPECT_NE(std::string(e.status).find("Apply: the edited genome loaded at frame 3"),
              std::string::npos)
        << e.status;
    long frame = 4;
    genome_following = 1;
    serve_designer_requests(frame);
    long loads = 0, after = 0;
    last_genome_load(&loads);
    ASSERT_TRUE(editor_save(e));
    serve_designer_requests(++frame);
    last_genome_load(&after);
    EXPECT_EQ(after, loads) << "F8 reloaded the editor's own save";
    EXPECT_TRUE(std::filesystem::is_symlink(kGenomeFile));
    EXPECT_EQ(std::pair(kt::read_file("real.vdna"), e.dirty()), std::pair(e.text, false));
    kt::write_file("real.vdna", std::string("EN=1\0", 5));
    editor_watch_disk(e);
    EXPECT_TRUE(e.changed_on_disk);
    EXPECT_FALSE(editor_revert(e));  // binary data: the editor keeps its text
    EXPECT_EQ(e.text, "EN=4;EN=5\n");
}

TEST_F(Designer, F7SaysWhyItDoesNothingAndResumingForgetsTheKeptSteps) {
    kt::ball(30, 1, 20, 20, 20);
    long frame = 3;
    step_back_wanted = 1;  // while running
    serve_designer_requests(frame);
    EXPECT_STREQ(step_status(), "F7: only while paused (F2)");
    paused = 1;
    step_back_wanted = 1;
    serve_designer_requests(frame);
    EXPECT_STREQ(step_status(), "F7: nothing kept to step back to");
    step_wanted = 1;
    serve_designer_requests(frame);
    EXPECT_EQ(step_states_kept(), 1);
    paused = 0;  // F2
    serve_designer_requests(frame);
    EXPECT_EQ(step_states_kept(), 0);
    EXPECT_EQ(history_frame, 4);  // this frame's births carry the number the overlay shows
}

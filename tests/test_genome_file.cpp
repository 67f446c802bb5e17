// The genome file and its dump.
#include <climits>

#include "app/genome_check.h"
#include "support.h"

using GenomeFile = kt::FileTest;

namespace {

GenomeLoadReport load(const std::string& text) {
    kt::write_file(kGenomeFile, text);
    return load_genome_from(kGenomeFile, kGenomeDump);
}

// Gene k's enhancers as the file filled them.
std::vector<int> enhancers(int k) {
    return {DNA[k].Enhancer, DNA[k].Enhancer + DNA[k].Enhancer_count};
}

}  // namespace

TEST_F(GenomeFile, WorkedExampleAndTheExactDump) {
    // An empty line is a gene that changes nothing, a comment is no gene, a last
    // line without a line break is a gene once.
    load("EN=2;EN=3;EX=4;SI=5;GLUEDS=2;SIGNAL=60;MPF=0;\n# a comment\n\nEX=9");
    ASSERT_EQ(DNA_Count, 3);
    const TDNA& g = DNA[0];
    EXPECT_EQ(std::tuple(g.Enhancer_count, g.Silencer_count, g.Silencer[0], g.Exon_count, g.MPF),
              std::tuple(2, 1, 5, 0, 0));
    EXPECT_EQ(std::tuple(Glueds[4], Signal_strength[4], silenced_channels(4)),
              std::tuple(2, 60, 1u << 5));
    // The genes (number/exon/enhancers), then the thresholds of types 0..29 (the start tables,
    // GLUEDS=2 on 4).
    const std::string dump = kt::read_file(kGenomeDump);
    EXPECT_TRUE(
        dump.starts_with("0/4/2/3/ \n1/0/0/0/ \n2/9/0/0/ \n0/1 \n1/6 \n2/1 \n3/1 \n4/2 \n"));
    EXPECT_TRUE(dump.ends_with("\n28/3 \n29/4 \n") && std::ranges::count(dump, '\n') == 33) << dump;
}

TEST_F(GenomeFile, FieldSplittingRules) {
    std::string sixteen;
    for (int f = 1; f <= 16; ++f) sixteen += "EN=" + std::to_string(f) + ";";
    const std::pair<std::string, std::vector<int>> cases[] = {
        {"EN=1;;EN=2\n", {1}},  // an empty field ends the line
        {";EN=4\n", {}},        // so does a ";" at the start: nothing is read
        // Keys keep their blanks; values take leading blanks and a sign and ignore
        // what follows; fields without "=", a key or a number are ignored.
        {"EN =1;EN= 7;EN=-3xyz;EN;EN=;EN=x;=5;en=9;EN=+4\n", {7, -3, 4}},
        {sixteen + "\n", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},  // 15 fields only
        // Far beyond any buffer: long keys, over-long numbers saturate.
        {std::string(5000, 'K') + "=1;EN=" + std::string(3000, '9') + ";EN=-" +
             std::string(3000, '9') + "\n",
         {INT_MAX, INT_MIN}},
    };
    for (const auto& [text, want] : cases) {
        std::memset(DNA, 0, sizeof DNA);
        load(text);
        EXPECT_EQ(DNA_Count, 1) << text;  // each is a gene
        EXPECT_EQ(enhancers(0), want) << text;
        EXPECT_EQ(DNA[0].Enhancer[want.size()], 0) << text;  // nothing written past them
    }
}

TEST_F(GenomeFile, AReloadKeepsWhatALineDoesNotName) {
    // Before the first EX, GLUEDS addresses what the slot held: type 0 in a fresh table.
    load("GLUEDS=5;EN=2;EN=3;EN=6;EX=4;SIGNAL=77;MPF=1\nEX=7;SI=2\n");
    EXPECT_EQ(std::tuple(Glueds[0], Glueds[4], Signal_strength[4], silenced_channels(7)),
              std::tuple(5, 1, 77, 1u << 2));
    load("GLUEDS=3;EX=8\n");  // the slot still names type 4 when GLUEDS is read
    EXPECT_EQ(std::tuple(DNA_Count, Glueds[4], DNA[0].Exon[0], DNA[0].MPF, enhancers(0)),
              std::tuple(1, 3, 8, 1, std::vector<int>{2, 3, 6}));
    // Gene 1 is out of force: its silencer no longer mutes anything.
    EXPECT_EQ(std::pair(silenced_channels(7), division_genes_present), std::pair(0u, true));
    // A type outside the tables is refused and counted, never written anywhere; 99 is in.
    const auto glueds = std::to_array(Glueds);
    auto strength = std::to_array(Signal_strength);
    strength[99] = 7;
    const GenomeLoadReport r = load("EX=100;GLUEDS=9;SIGNAL=9\nEX=-1;SIGNAL=3\nEX=99;SIGNAL=7\n");
    EXPECT_EQ(r.tables_refused, 3);
    EXPECT_EQ(std::pair(std::to_array(Glueds), std::to_array(Signal_strength)),
              std::pair(glueds, strength));
}

TEST_F(GenomeFile, LongLinesAndManyGenesStayInBounds) {
    // A line longer than the 20 000-character buffer is read as two lines.
    std::string longline = "EX=6;";
    longline += std::string(19999 - longline.size(), 'a');  // fills the first read exactly
    const GenomeLoadReport r = load(longline + "EX=" + std::string(4000, ' ') + "-12\n");
    EXPECT_EQ(std::tuple(r.genes, DNA[0].Exon[0], DNA[1].Exon[0]), std::tuple(2, 6, -12));
    std::string many;  // lines past the 200th gene are dropped and counted
    for (int k = 0; k < 250; ++k) many += "EX=" + std::to_string(k) + "\n";
    const GenomeLoadReport m = load(many);
    EXPECT_EQ(std::tuple(DNA_Count, m.lines_dropped, DNA[199].Exon[0]),
              std::tuple(kMaxGenes, 50, 199));
}

namespace {

// The findings of a check as "LINE:COLUMN:text".
struct Recorded : GenomeFindings {
    std::vector<std::string> all;
    void found(GenomePlace at, const char* text) override {
        all.push_back(std::to_string(at.line) + ":" + std::to_string(at.column) + ":" + text);
    }
};

// The check of a text, as the editor and the Python module give it.
std::vector<std::string> check(const std::string& text) {
    Recorded r;
    GenomeSummary summary;
    check_genome_input(GenomeInput{nullptr, text.data(), text.size()}, GenomeBase::Start, r,
                       summary);
    return r.all;
}

}  // namespace

TEST_F(GenomeFile, TheCheckFindsWhatTheFormatForgivesAndSaysWhatHappensInstead) {
    std::string many, sixteen = "EX=5;MPF=1";
    for (int k = 0; k <= kMaxGenes; ++k) many += "EN=2;EN=3;EX=4\n";
    for (int f = 0; f < 14; ++f) sixteen = "EN=2;" + sixteen;
    std::string longline = "EN=2;EN=3;EX=6;";
    longline += std::string(19999 - longline.size(), ' ') + "EN=1;MPF=1\n";
    // Each finding as LINE:COLUMN: and a piece of its text.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"# type 4\nEN=2;EN=3;EX=4;SI=5;GLUEDS=2;SIGNAL=60;MPF=0;\r\n", {}},
        {"EX=2;SIGNAL=70;\nEX=3;GLUEDS=4\n", {}},  // table lines switch nothing, and mean to
        {"EN =1;EN=2;EN=3;EX=4\n", {"1:1:key 'EN ' has blanks, so it is not EN"}},
        {"EN=2;EN=3;EXX=4;MPF=1\n", {"1:11:unknown key 'EXX'"}},
        {"EN=2;EN=3;X;=4;EN=;MPF=1\n",
         {"1:11:'X' has no '='", "1:13:without a key", "1:16:no number"}},
        {"GLUEDS=3;EX=5;EN=2;EN=3\n", {"1:1:GLUEDS before the line's first EX: it sets type 0"}},
        {"EN=2;EN=3;;EX=4\n", {"1:11:an empty field ends the line", "1:1:neither divides"}},
        {"EN=2;EN=3\n", {"1:1:gene 0 neither divides (MPF=1) nor has an EX: it does nothing"}},
        {"EN=2;EX=4\n", {"1:1:fewer than two EN: it reads channels 2 and 0"}},
        {"EN=2;EN=20;EX=4;SI=-1\n", {"1:6:EN=20 is outside channels", "1:17:silences nothing"}},
        {"EN=2;EN=3;EX=100;GLUEDS=1\n", {"1:11:EX=100 is outside types 0..99", "1:18:ignored"}},
        {"EN=2;EN=3;EX=-99999999999\n", {"1:14:saturates at -2147483648", "1:11:outside types"}},
        {"\n", {"1:1:a blank line is gene 0"}},
        {sixteen + "\n", {"1:76:a line reads 15 fields"}},  // MPF=1 is the 16th
        {many, {"201:1:past the 200th are ignored: 1 line from here on"}},
        {longline, {"1:20000:the rest is read as gene 1", "1:20000:gene 1 has fewer than two EN"}},
    };
    for (const auto& [text, want] : cases) {
        std::memset(DNA, 0, sizeof DNA);  // the load reads onto a fresh table, as the check does
        const std::vector<std::string> got = check(text);
        ASSERT_EQ(got.size(), want.size()) << text.substr(0, 60) << (got.empty() ? "" : got[0]);
        for (std::size_t k = 0; k < want.size(); ++k) {
            const std::size_t place = want[k].find(':', want[k].find(':') + 1) + 1;
            EXPECT_TRUE(got[k].starts_with(want[k].substr(0, place)) &&
                        got[k].find(want[k].substr(place)) != std::string::npos)
                << got[k] << " / " << want[k];
        }
        EXPECT_EQ(load(text).findings, int(want.size())) << "a load counts the same findings";
    }
}

// Space reads onto the tables in force, as it always has; Apply, F8, the check
// and kelvaro-batch read as a fresh program does, so the file alone decides.
TEST_F(GenomeFile, OnlyTheReloadKeyKeepsWhatAnEarlierLoadSet) {
    const std::string first = "EN=2;EN=3;EX=7;MPF=1\nEX=9;SIGNAL=70\n", second = "EN=4;EN=5\n";
    const GenomeInput text{nullptr, second.data(), second.size()};
    kt::write_file("second.vdna", second);
    const std::int32_t start_strength = Signal_strength[9];
    for (GenomeBase base : {GenomeBase::Running, GenomeBase::Start}) {
        load(first);
        GenomeCheck c;
        check_genome(text, c);  // changes nothing in force
        EXPECT_EQ(std::tuple(DNA_Count, DNA[0].Exon[0], Signal_strength[9]), std::tuple(2, 7, 70));
        EXPECT_EQ(c.report.findings, 1);
        EXPECT_STREQ(c.report.first_finding,
                     "gene 0 neither divides (MPF=1) nor has an EX: it does nothing");
        const bool running = base == GenomeBase::Running;
        const GenomeLoadReport r =
            running ? load_genome_input(GenomeInput{"second.vdna"}, base, nullptr)
                    : load_genome_input(text, base, nullptr);
        EXPECT_EQ(r.kept_earlier, running);
        EXPECT_EQ(std::tuple(DNA_Count, DNA[0].Exon[0], DNA[0].MPF, Signal_strength[9]),
                  running ? std::tuple(1, 7, 1, 70) : std::tuple(1, 0, 0, start_strength));
    }
}

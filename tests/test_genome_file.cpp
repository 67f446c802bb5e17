// The genome file and its dump.
#include <climits>

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

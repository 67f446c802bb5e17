// The genome file and its dump.
#include "support.h"

using kt::FileTest;

namespace {

GenomeLoadReport load(const std::string& text) {
    kt::write_file(kGenomeFile, text);
    return load_dna_from(kGenomeFile, kGenomeDump);
}

}  // namespace

TEST_F(FileTest, WorkedExampleFillsGeneAndTables) {
    load("EN=2;EN=3;EX=4;SI=5;GLUEDS=2;SIGNAL=60;MPF=0;\n");
    ASSERT_EQ(DNA_Count, 1);
    const TDNA& g = DNA[0];
    EXPECT_EQ(g.Enhancer[0], 2);
    EXPECT_EQ(g.Enhancer[1], 3);
    EXPECT_EQ(g.Enhancer_count, 2);
    EXPECT_EQ(g.Exon[0], 4);
    EXPECT_EQ(g.Exon_count, 0);
    EXPECT_EQ(g.Silencer[0], 5);
    EXPECT_EQ(g.Silencer_count, 1);
    EXPECT_EQ(g.MPF, 0);
    EXPECT_EQ(Glueds[4], 2);
    EXPECT_EQ(Signal_strength[4], 60);
    EXPECT_EQ(silenced_channels(4), 1u << 5);
}

TEST_F(FileTest, DumpHasItsExactText) {
    load("EN=2;EN=3;EX=4;SI=5;GLUEDS=2;SIGNAL=60;MPF=0;\n# a comment\nEX=9\n");
    std::string want = "0/4/2/3/ \n1/9/0/0/ \n";
    const int glueds[30] = {1, 6, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                            1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 3, 2, 3, 3, 4};
    for (int t = 0; t < 30; ++t)
        want += std::to_string(t) + "/" + std::to_string(glueds[t]) + " \n";
    EXPECT_EQ(kt::read_file(kGenomeDump), want);
}

TEST_F(FileTest, CommentsAndEmptyLinesAndMissingFile) {
    load("# only\n#comments\n");
    EXPECT_EQ(DNA_Count, 0);
    const std::string dump = kt::read_file(kGenomeDump);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 30);

    // An empty line is a gene that changes nothing; a comment is no gene; a
    // last line without a line break is a gene once.
    load("EX=3\n\n#x\nEX=5");
    EXPECT_EQ(DNA_Count, 3);
    EXPECT_EQ(DNA[1].Exon[0], 0);
    EXPECT_EQ(DNA[2].Exon[0], 5);

    // A missing file: no gene in force, tables untouched, the dump still written.
    std::remove(kGenomeFile);
    std::remove(kGenomeDump);
    const GenomeLoadReport r = load_dna_from(kGenomeFile, kGenomeDump);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(DNA_Count, 0);
    EXPECT_TRUE(std::filesystem::exists(kGenomeDump));
}

TEST_F(FileTest, FieldSplittingRules) {
    // An empty field ends the line.
    load("EN=1;;EN=2\n");
    EXPECT_EQ(DNA[0].Enhancer_count, 1);
    EXPECT_EQ(DNA[0].Enhancer[1], 0);

    // A ";" at the start of a line: nothing is read, but it is still a gene.
    load(";EN=4\n");
    EXPECT_EQ(DNA_Count, 1);
    EXPECT_EQ(DNA[0].Enhancer[0], 1);  // slot kept from the load before

    // Keys keep their blanks; values take leading blanks and signs, and ignore
    // what follows; fields without "=" or without a number are ignored.
    std::memset(DNA, 0, sizeof DNA);
    load("EN =1;EN= 7;EN=-3xyz;EN;EN=;=5;en=9;EN=+4\n");
    EXPECT_EQ(DNA[0].Enhancer_count, 3);
    EXPECT_EQ(DNA[0].Enhancer[0], 7);
    EXPECT_EQ(DNA[0].Enhancer[1], -3);
    EXPECT_EQ(DNA[0].Enhancer[2], 4);

    // Only 15 fields are read.
    std::memset(DNA, 0, sizeof DNA);
    std::string sixteen;
    for (int f = 1; f <= 16; ++f) sixteen += "EN=" + std::to_string(f) + ";";
    load(sixteen + "\n");
    EXPECT_EQ(DNA[0].Enhancer_count, 15);
    EXPECT_EQ(DNA[0].Enhancer[14], 15);
    EXPECT_EQ(DNA[0].Enhancer[15], 0);
}

TEST_F(FileTest, TablesFollowTheExonOfTheMoment) {
    // Before the first EX, GLUEDS addresses what the slot held: type 0 here.
    load("GLUEDS=5;EX=3;SIGNAL=77\n");
    EXPECT_EQ(Glueds[0], 5);
    EXPECT_EQ(Glueds[3], 1);
    EXPECT_EQ(Signal_strength[3], 77);
    // The slot keeps Exon[0] = 3 into the next load.
    load("GLUEDS=4\n");
    EXPECT_EQ(Glueds[3], 4);
    // A type outside the tables is refused, never written past them.
    const GenomeLoadReport r = load("EX=100;GLUEDS=9;SIGNAL=9\nEX=-1;SIGNAL=3\n");
    EXPECT_EQ(r.tables_refused, 3);
    EXPECT_EQ(Glueds[99], 0);
}

TEST_F(FileTest, ReloadKeepsWhatALineDoesNotName) {
    load("EN=2;EN=3;EN=6;EX=4;MPF=1\nEX=7;SI=2\n");
    load("EX=8\n");
    EXPECT_EQ(DNA_Count, 1);
    EXPECT_EQ(DNA[0].Exon[0], 8);
    EXPECT_EQ(DNA[0].MPF, 1);
    EXPECT_EQ(DNA[0].Enhancer_count, 3);
    EXPECT_EQ(DNA[0].Enhancer[2], 6);
    // Gene 1 is out of force: its silencer no longer mutes anything.
    EXPECT_EQ(silenced_channels(7), 0u);
    EXPECT_TRUE(division_genes_present);
}

TEST_F(FileTest, LongLinesAndManyGenesStayInBounds) {
    // A line longer than the 20 000-character buffer is read as two lines.
    std::string longline = "EX=6;";
    longline += std::string(19999 - longline.size(), 'a');  // fills the first read exactly
    longline += "EX=9\n";
    const GenomeLoadReport r = load(longline);
    EXPECT_EQ(r.genes, 2);
    EXPECT_EQ(DNA[0].Exon[0], 6);
    EXPECT_EQ(DNA[1].Exon[0], 9);

    // Keys and fields far beyond any buffer, and an over-long number.
    load(std::string(5000, 'K') + "=1;EN=" + std::string(3000, '9') +
         ";EX=" + std::string(4000, ' ') + "-12\n");
    EXPECT_EQ(DNA[0].Enhancer[0], 2147483647);
    EXPECT_EQ(DNA[0].Exon[0], -12);

    // Lines past the 200th gene are dropped.
    std::string many;
    for (int k = 0; k < 250; ++k) many += "EX=" + std::to_string(k) + "\n";
    const GenomeLoadReport m = load(many);
    EXPECT_EQ(DNA_Count, kMaxGenes);
    EXPECT_EQ(m.lines_dropped, 50);
    EXPECT_EQ(DNA[199].Exon[0], 199);
}

TEST_F(FileTest, BinaryAndDirectoryGenomesLoadNothingHarmful) {
    std::string junk;
    for (int k = 0; k < 5000; ++k) junk += static_cast<char>((k * 7919) & 0xff);
    load(junk);
    EXPECT_LE(DNA_Count, kMaxGenes);

    std::filesystem::create_directory("dir.vdna");
    const GenomeLoadReport r = load_dna_from("dir.vdna", kGenomeDump);
    EXPECT_EQ(r.genes, 0);
    EXPECT_EQ(DNA_Count, 0);
}

// The cell list file: the exact saved text, the "%i" notation on load, the
// +40 shift, untrusted records, and saves that must not lose the old colony.
#include "support.h"

#include "fault.h"

using kt::FileTest;

namespace {

CellLoadReport load(const std::string& text) {
    kt::write_file(kCellFile, text);
    return load_file_from(kCellFile, kLoadShift);
}

void expect_cell(int i, int type, int x, int y, int z) {
    EXPECT_EQ(Cells[i].type, type) << i;
    EXPECT_EQ(Cells[i].x, x) << i;
    EXPECT_EQ(Cells[i].y, y) << i;
    EXPECT_EQ(Cells[i].z, z) << i;
}

}  // namespace

TEST_F(FileTest, SavedTextIsExactlyTheFormat) {
    Cells_Init();
    save_file();
    EXPECT_EQ(kt::read_file(kCellFile), "1 20 20 50\n");

    kt::place(-3, 7, 200, 1);
    save_file();
    EXPECT_EQ(kt::read_file(kCellFile), "1 20 20 50\n-3 7 200 1\n");

    publish_cells_count(0);
    save_file();
    EXPECT_EQ(kt::read_file(kCellFile), "");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

TEST_F(FileTest, LoadShiftsXAndYAndSettlesTheField) {
    const CellLoadReport r = load("1 20 20 50\n");
    EXPECT_TRUE(r.opened);
    ASSERT_EQ(Cells_count, 1);
    expect_cell(0, 1, 60, 60, 50);
    EXPECT_EQ(Cells[0].clamps, 0);
    EXPECT_EQ(world[60][60][50], 1);
    EXPECT_EQ(world_clamp[60][60][50], 0);
    EXPECT_EQ(world_signal[60][60][50][1], 3);
}

TEST_F(FileTest, SaveThenLoadMovesTheColonyBy40) {
    kt::place(2, 10, 11, 12);
    kt::place(5, 30, 31, 32);
    kt::place(1, 10, 11, 13);
    save_file();
    load_file();
    ASSERT_EQ(Cells_count, 3);
    expect_cell(0, 2, 50, 51, 12);
    expect_cell(1, 5, 70, 71, 32);
    expect_cell(2, 1, 50, 51, 13);
    // The settled field: each cell relays its neighbour's signal.
    EXPECT_EQ(world_signal[50][51][13][2], 59);
}

TEST_F(FileTest, IntegersInCNotation) {
    for (const char* text : {"7 0 0 1", "7 0x0 0 01", "7\n0\n0\n1\n", "  \n\t7 0X0 -0 +1 \n\n"}) {
        load(text);
        ASSERT_EQ(Cells_count, 1) << text;
        expect_cell(0, 7, 40, 40, 1);
    }
    load("1 010 10 10\n");  // octal 010 is 8
    expect_cell(0, 1, 48, 50, 10);
    load("0x1f -0x27 0x10 0xC8");
    expect_cell(0, 31, 1, 56, 200);
}

TEST_F(FileTest, RecordsEndWithTheFileWhateverItsLastLineEnd) {
    load("1 1 1 1\n2 2 2 2\n3 3 3 3\n");
    EXPECT_EQ(Cells_count, 3);
    load("1 1 1 1\n2 2 2 2\n3 3 3 3");
    EXPECT_EQ(Cells_count, 3);
    for (const char* empty : {"", "   \n\n\t ", "\n"}) {
        const CellLoadReport r = load(empty);
        EXPECT_EQ(Cells_count, 0);
        EXPECT_FALSE(r.stopped_at_text);
    }
}

TEST_F(FileTest, AReadThatIsNotFourIntegersEndsTheLoad) {
    CellLoadReport r = load("1 1 1 1\n2 2 2\n");  // a short last record
    EXPECT_EQ(Cells_count, 1);
    EXPECT_TRUE(r.stopped_at_text);
    r = load("1 1 1 1\n2 2 x 2\n3 3 3 3\n");  // text that is not a number
    EXPECT_EQ(Cells_count, 1);
    EXPECT_TRUE(r.stopped_at_text);
    r = load("1 1 1 1 # comment\n");
    EXPECT_EQ(Cells_count, 1);
    r = load("1 0x 1 1\n");
    EXPECT_EQ(Cells_count, 0);
    r = load("1 01 09 1 1 1\n");  // "09" is octal 0, then 9: the record is 1 1 0 9
    EXPECT_EQ(Cells_count, 1);
    expect_cell(0, 1, 41, 40, 9);
}

TEST_F(FileTest, UntrustedRecordsAreSkipped) {
    const CellLoadReport r = load(
        "1 -40 0 5\n"          // x lands on 0
        "1 161 0 5\n"          // x lands on 201
        "1 0 0 0\n"            // z = 0
        "1 0 0 201\n"          // z = 201
        "100 0 0 5\n"          // type beyond the tables
        "-1 0 0 5\n"           // negative type
        "1 99999999999 0 5\n"  // far beyond any int
        "2 160 -39 200\n"      // the last site of the lattice: kept
        "0 0 0 7\n");          // type 0 is a live cell whose site reads empty
    EXPECT_EQ(r.outside, 5);
    EXPECT_EQ(r.bad_type, 2);
    ASSERT_EQ(Cells_count, 2);
    expect_cell(0, 2, 200, 1, 200);
    expect_cell(1, 0, 40, 40, 7);
    EXPECT_EQ(world[40][40][7], 0);
}

TEST_F(FileTest, DuplicateSitesAreBothLiveAndTheLaterTypeWins) {
    load("2 5 5 5\n3 5 5 5\n");
    EXPECT_EQ(Cells_count, 2);
    EXPECT_EQ(world[45][45][5], 3);
}

TEST_F(FileTest, ReadingStopsAtTheTableCapacity) {
    std::string text;
    for (int i = 0; i < kMaxCells + 5; ++i) {
        const int v = i % 1000000;
        text += "1 " + std::to_string(v % 150) + " " + std::to_string((v / 150) % 150) + " " +
                std::to_string(1 + (i / 22500) % 200) + "\n";
    }
    const CellLoadReport r = load(text);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_TRUE(r.table_full);
}

TEST_F(FileTest, ReloadClearsAllFourGridsWhole) {
    world[200][200][200] = 5;
    world_clamp[200][3][3] = 2;
    world_signal[3][200][3][4] = 9;
    world_gravity[50][50][1] = 6;
    load("1 10 10 1\n");
    EXPECT_EQ(world[200][200][200], 0);
    EXPECT_EQ(world_clamp[200][3][3], 0);
    EXPECT_EQ(world_signal[3][200][3][4], 0);
    EXPECT_EQ(world_gravity[50][50][1], 0);
    // A missing file leaves an empty colony on a cleared world.
    std::filesystem::remove(kCellFile);
    const CellLoadReport r = load_file_from(kCellFile, kLoadShift);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(Cells_count, 0);
    EXPECT_EQ(world[50][50][1], 0);
}

TEST_F(FileTest, ASaveThatCannotBeWrittenKeepsTheOldColony) {
    kt::write_file(kCellFile, "4 4 4 4\n");
    kt::ball(20000, 3);
    const auto save = [] { return save_file_to(kCellFile) ? 0 : 1; };
    // A folder the user may not write, and a disk that fills up part way.
    kt::set_mode(dir_.path(), 0555);
    const int unwritable = kt::in_child({.unprivileged = true}, save);
    kt::set_mode(dir_.path(), 0755);
    const int full = kt::in_child({.file_size = 4096}, save);
    if (unwritable == kt::kNoFaultHere || full == kt::kNoFaultHere)
        GTEST_SKIP() << "cannot drop privileges or limit the file size";
    EXPECT_EQ(unwritable, 1);
    EXPECT_EQ(full, 1);
    EXPECT_EQ(kt::read_file(kCellFile), "4 4 4 4\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);  // no temporary
}

TEST_F(FileTest, RepeatedSaveAndReloadWalksTheColonyOffTheLatticeSafely) {
    kt::place(1, 10, 10, 10);
    kt::place(2, 100, 100, 10);
    for (int round = 0; round < 6; ++round) {
        save_file();
        load_file();
    }
    // 10 + 6 * 40 = 250 leaves the lattice; 100 + 6 * 40 left it long ago.
    EXPECT_EQ(Cells_count, 0);
}

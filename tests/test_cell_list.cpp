// The cell list file: the exact saved text, the "%i" notation on load, the
// +40 shift, untrusted records, and saves that must not lose the old colony.
#include "support.h"

#include "fault.h"

using kt::FileTest;

namespace {

using Record = std::array<int, 4>;  // type, x, y, z
using Records = std::vector<Record>;

CellLoadReport load(const std::string& text) {
    kt::write_file(kCellFile, text);
    return load_cell_list_from(kCellFile, kLoadShift);
}

Records cells() {
    Records v;
    for (int i = 0; i < Cells_count; ++i)
        v.push_back({Cells[i].type, Cells[i].x, Cells[i].y, Cells[i].z});
    return v;
}

}  // namespace

TEST_F(FileTest, SavedTextIsExactlyTheFormat) {
    Cells_Init();
    save_cell_list();
    EXPECT_EQ(kt::read_file(kCellFile), "1 20 20 50\n");
    kt::place(-3, 7, 200, 1);
    save_cell_list();
    EXPECT_EQ(kt::read_file(kCellFile), "1 20 20 50\n-3 7 200 1\n");
    publish_cells_count(0);
    save_cell_list();
    EXPECT_EQ(kt::read_file(kCellFile), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);  // no temporary
}

TEST_F(FileTest, SaveThenLoadMovesTheColonyBy40AndSettlesTheField) {
    kt::place(1, 10, 11, 13);
    kt::place(5, 30, 31, 32);
    kt::place(2, 10, 11, 12);
    save_cell_list();
    Cells[0].clamps = world_clamp[50][51][13] = 2;
    load_cell_list();
    EXPECT_EQ(cells(), (Records{{1, 50, 51, 13}, {5, 70, 71, 32}, {2, 50, 51, 12}}));
    EXPECT_EQ(std::tuple(world[50][51][13], world_clamp[50][51][13], Cells[0].clamps),
              std::tuple(1, 0, 0));
    // The settled field (a single pass in table order would not yet reach cell 0): type 1
    // lays down 3 on channel 1 and relays its neighbour's signal.
    EXPECT_EQ(std::pair(kt::level(0, 1), kt::level(0, 2)), std::pair(3, 59));
    // Each round moves it on by 40: four more take x to 210 and 230, off the lattice.
    for (int round = 0; round < 4; ++round) {
        EXPECT_EQ(Cells_count, 3);
        save_cell_list();
        load_cell_list();
    }
    EXPECT_EQ(Cells_count, 0);
}

TEST_F(FileTest, LoadReadsIntegersInCNotationUntilSomethingElse) {
    const Records first = {{1, 41, 41, 1}},
                  three = {{1, 41, 41, 1}, {2, 42, 42, 2}, {3, 43, 43, 3}};
    const std::tuple<const char*, Records, bool> cases[] = {
        {"7 0x0 0 01", {{7, 40, 40, 1}}, false},
        {"  \n\t7 0X0 -0 +1 \n\n", {{7, 40, 40, 1}}, false},  // any white space, signs
        {"1 010 10 10\n", {{1, 48, 50, 10}}, false},          // octal 010 is 8
        {"0x1f -0x27 0x10 0xC8", {{31, 1, 56, 200}}, false},
        {"1 01 09", {{1, 41, 40, 9}}, false},  // "09" is octal 0, then 9
        {"1 1 1 1\n2 2 2 2\n3 3 3 3\n", three, false},
        {"1 1 1 1\n2 2 2 2\n3 3 3 3", three, false},
        {"", {}, false},
        {"   \n\n\t ", {}, false},
        {"1 1 1 1\n2 2 2\n", first, true},  // a short last record
        {"1 1 1 1\n2 2 x 2\n3 3 3 3\n", first, true},
        {"1 1 1 1 # comment\n", first, true},
        {"1 0x 1 1\n", {}, true},  // "0x" without digits
    };
    for (const auto& [text, want, stopped_at_text] : cases) {
        const CellLoadReport r = load(text);
        EXPECT_EQ(cells(), want) << text;
        EXPECT_EQ(r.stopped_at_text, stopped_at_text) << text;
    }
}

TEST_F(FileTest, UntrustedRecordsAreSkippedAndCounted) {
    const CellLoadReport r = load(
        "1 -40 0 5\n1 161 0 5\n"        // x lands on 0, on 201
        "1 0 -40 5\n1 0 161 5\n"        // y lands on 0, on 201
        "1 0 0 0\n1 0 0 201\n"          // z = 0, z = 201
        "1 18446744073709551657 0 5\n"  // 2^64 + 41: must not wrap to 41
        "100 0 0 5\n-1 0 0 6\n"         // types outside the tables load too
        "2 160 -39 200\n"               // the last site of the lattice: kept
        "0 0 0 7\n"                     // type 0 is a live cell whose site reads empty
        "2 5 5 5\n3 5 5 5\n");          // one site twice: both live, the later type in world
    EXPECT_EQ(std::pair(r.outside, r.loaded), std::pair(7, 6));
    EXPECT_EQ(cells(), (Records{{100, 40, 40, 5},
                                {-1, 40, 40, 6},
                                {2, 200, 1, 200},
                                {0, 40, 40, 7},
                                {2, 45, 45, 5},
                                {3, 45, 45, 5}}));
    EXPECT_EQ(std::tuple(world[40][40][5], world[40][40][6], world[40][40][7], world[45][45][5]),
              std::tuple(100, -1, 0, 3));
}

TEST_F(FileTest, ReadingStopsAtTheTableCapacity) {
    std::string text;  // 200005 records on distinct sites
    for (int i = 0; i < kMaxCells + 5; ++i)
        text += "1 " + std::to_string(i % 150) + " " + std::to_string(i / 150 % 150) + " " +
                std::to_string(1 + i / 22500) + "\n";
    const CellLoadReport r = load(text);
    EXPECT_EQ(std::pair(Cells_count, r.table_full), std::pair(kMaxCells, true));
}

TEST_F(FileTest, ReloadClearsAllFourGridsWhole) {
    world[200][200][200] = 5;
    world_clamp[200][3][3] = 2;
    world_signal[3][200][3][4] = 9;
    world_gravity[50][50][1] = 6;
    load("1 10 10 1\n");
    EXPECT_EQ((std::array<int, 4>{world[200][200][200], world_clamp[200][3][3],
                                  world_signal[3][200][3][4], world_gravity[50][50][1]}),
              (std::array<int, 4>{}));
    // A missing file leaves an empty colony on a cleared world.
    std::filesystem::remove(kCellFile);
    const CellLoadReport r = load_cell_list_from(kCellFile, kLoadShift);
    EXPECT_EQ(std::tuple(r.opened, Cells_count, world[50][50][1]), std::tuple(false, 0, 0));
}

TEST_F(FileTest, ASaveThatCannotBeWrittenKeepsTheOldColony) {
    kt::write_file(kCellFile, "4 4 4 4\n");
    kt::ball(20000, 3);
    const auto save = [] { return save_cell_list_to(kCellFile) ? 0 : 1; };
    // A folder the user may not write, and a disk that fills up part way.
    kt::set_mode(dir_.path(), 0555);
    const int unwritable = kt::in_child({.unprivileged = true}, save);
    kt::set_mode(dir_.path(), 0755);
    const int full = kt::in_child({.file_size = 4096}, save);
    if (unwritable == kt::kNoFaultHere || full == kt::kNoFaultHere)
        GTEST_SKIP() << "cannot drop privileges or limit the file size";
    EXPECT_EQ(std::pair(unwritable, full), std::pair(1, 1));
    EXPECT_EQ(kt::read_file(kCellFile), "4 4 4 4\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);  // no temporary
}

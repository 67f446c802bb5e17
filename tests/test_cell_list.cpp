// The cell list file: the exact saved text, the "%i" notation on load, the
// +40 shift, untrusted records and the settling after a load.
#include "support.h"

using CellList = kt::FileTest;

namespace {

using Records = std::vector<std::array<int, 4>>;  // type, x, y, z

CellLoadReport load(const std::string& text, int shift = kLoadShift) {
    kt::write_file(kCellFile, text);
    return load_cell_list_from(kCellFile, shift);
}

Records cells() {
    Records v;
    for (int i = 0; i < Cells_count; ++i)
        v.push_back({Cells[i].type, Cells[i].x, Cells[i].y, Cells[i].z});
    return v;
}

}  // namespace

TEST_F(CellList, SavedTextIsExactlyTheFormatAndEachReloadShiftsBy40) {
    kt::place(1, 10, 11, 13);
    kt::place(-3, 30, 31, 200);
    save_cell_list();
    EXPECT_EQ(kt::read_file(kCellFile), "1 10 11 13\n-3 30 31 200\n");
    EXPECT_EQ(kt::entries(), 1);  // no temporary
    world_clamp[50][51][13] = 2;
    load_cell_list();
    EXPECT_EQ(cells(), (Records{{1, 50, 51, 13}, {-3, 70, 71, 200}}));
    EXPECT_EQ(std::tuple(world[50][51][13], world_clamp[50][51][13], Cells[0].clamps),
              std::tuple(1, 0, 0));
}

TEST_F(CellList, ALoadSettlesTheFieldToItsFixedPoint) {
    // Debris in all four grids, then a chain in file order against the relay:
    // 101 settling passes carry the organiser's level to its far end, past 7
    // and past 62, and a further settling changes nothing.
    world[200][200][200] = world_clamp[200][3][3] = world_signal[3][200][3][4] = 5;
    world_gravity[50][50][1] = 6;
    std::string text;
    for (int z = 1; z <= 100; ++z) text += "1 10 10 " + std::to_string(z) + "\n";
    load(text + "17 10 10 101\n", 0);
    EXPECT_EQ(std::tuple(kt::level(10, 10, 1, 17), kt::level(10, 10, 1, 1),
                         settle_signal(kSettlingPasses)),
              std::tuple(40, 3, 0));
    EXPECT_EQ(world[200][200][200] | world_clamp[200][3][3] | world_signal[3][200][3][4] |
                  world_gravity[50][50][1],
              0);
}

TEST_F(CellList, LoadReadsIntegersInCNotationUntilSomethingElse) {
    const Records first = {{1, 41, 41, 1}},
                  three = {{1, 41, 41, 1}, {2, 42, 42, 2}, {3, 43, 43, 3}};
    // The cells read, and where and why reading stopped ("" when it did not).
    const std::tuple<const char*, Records, std::string> cases[] = {
        {"  \n\t7 0X0 -0 +1 \n\n", {{7, 40, 40, 1}}, ""},  // any white space, signs
        {"1 010 10 10\n", {{1, 48, 50, 10}}, ""},          // octal 010 is 8
        {"0x1f -0x27 0x10 0xC8", {{31, 1, 56, 200}}, ""},
        {"1 01 09", {{1, 41, 40, 9}}, ""},  // "09" is octal 0, then 9
        {"1 1 1 1\n2 2 2 2\n3 3 3 3", three, ""},
        {"1 1 1 1\n\n2 2\n2\n", first, "3: the file ends after 3 of a record's 4 numbers"},
        {"1 1 1 1\n2 2 x 2\n3 3 3 3\n", first, "2: 'x' is not a number"},
        {"1 0x 1 1\n", {}, "1: '0x' is not a number"},  // "0x" without digits
        {"1 1 1 1\n\n12 oops 7 5\n", first, "3: 'oops' is not a number"},
        {"1 1 1 1 -\n", first, "1: '-' is not a number"},
        {"1 1 1 1 abcdefghijklmnopqrstuvwxyz", first, "1: 'abcdefghijklmnop...' is not a number"},
    };
    for (const auto& [text, want, stop] : cases) {
        const CellLoadReport r = load(text);
        const std::string why =
            r.stopped_at_text ? std::to_string(r.stop_line) + ": " + r.stop_reason : "";
        EXPECT_EQ(std::pair(cells(), why), std::pair(want, stop)) << text;
    }
}

TEST_F(CellList, UntrustedRecordsAreSkippedAndCounted) {
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
    save_cell_list();  // the records as loaded, in the saved format pinned above
    EXPECT_EQ(kt::read_file(kCellFile),
              "100 40 40 5\n-1 40 40 6\n2 200 1 200\n0 40 40 7\n2 45 45 5\n3 45 45 5\n");
    EXPECT_EQ(std::tuple(world[40][40][5], world[40][40][6], world[40][40][7], world[45][45][5]),
              std::tuple(100, -1, 0, 3));
}

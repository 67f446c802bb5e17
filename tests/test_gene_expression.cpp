// Gene expression: type switching, division genes and their random draws.
#include <functional>

#include "support.h"

using kt::gene;
using GeneExpression = kt::WorldTest;

namespace {

// A cell of `type` at (100, 100, 100) with levels on channels 2, 3 and 6.
int cell(int type, int l2, int l3, int l6 = 0) {
    const int c = kt::place(type, 100, 100, 100);
    for (auto [ch, l] : {std::pair{2, l2}, {3, l3}, {6, l6}}) world_signal[100][100][100][ch] = l;
    return c;
}

// The draws that a call of express_genes(i) takes.
std::uint32_t draws_of(int i) {
    const std::uint64_t start = rng_state();
    express_genes(i);
    const std::uint64_t after = rng_state();
    rng_set_state(start);
    for (std::uint32_t n = 0; n < 1000; ++n, rng_next())
        if (rng_state() == after) return n;
    return ~0u;
}

}  // namespace

TEST_F(GeneExpression, OnlyTypeOneSwitchesWhereTwoPresentSignalsMeet) {
    // The cell's type, levels on 2 and 3; the type after the genes ran.
    const std::array<int, 4> cases[] = {{1, 5, 6, 4}, {1, 5, 4, 4}, {1, 1, 1, 4},   {1, 5, 7, 1},
                                        {1, 0, 1, 1}, {1, 1, 0, 1}, {1, -1, -1, 1}, {5, 3, 3, 5}};
    for (auto [type, l2, l3, want] : cases) {
        kt::reset_world();
        gene(0, {25, -3}, 9);  // enhancers outside the channels read 0: never switches
        gene(1, {2, 3}, 0);    // no EX: never switches
        gene(2, {2, 3}, 4);
        gene(3, {2, 3}, 7);  // the first gene that switches wins
        const int c = cell(type, l2, l3);
        world_signal[100][100][101][5] = 3;  // where channel 25 would alias
        EXPECT_EQ(genes_may_act(c), want != type) << type << ": " << l2 << "," << l3;
        EXPECT_EQ(std::pair(express_genes(c), world[100][100][100]), std::pair(want, want))
            << type << ": " << l2 << "," << l3;
    }
    // An empty genome only refreshes the record from the grid.
    kt::reset_world();
    const int c = kt::place(1, 10, 10, 10);
    world[10][10][10] = 6;
    EXPECT_EQ(std::pair(express_genes(c), Cells[c].type), std::pair(6, 6));
}

TEST_F(GeneExpression, DivisionGenesDivideAboutOneCallInTenWhereTheirEnhancersAgree) {
    // Enhancers of the gene; levels on 2, 3 and 6; whether it ever divides.
    const std::tuple<std::vector<int>, int, int, int, bool>
        cases[] = {{{2, 3}, 2, 3, 0, true},     {{2, 3}, 1, 1, 0, false},  // EN[0] must exceed 1
                   {{2, 3}, 2, 4, 0, false},    {{2, 3, 6}, 4, 3, 5, true},
                   {{2, 3, 6}, 4, 3, 6, false}, {{2, 3, 6}, 1, 1, 1, false},
                   {{2}, 5, 0, 0, false}};  // one EN field: compared with channel 0 twice
    for (const auto& [en, l2, l3, l6, divides] : cases) {
        kt::reset_world();
        k_v = 1;
        gene(0, en, 0, 0, 1);
        const int c = cell(7, l2, l3, l6);
        EXPECT_EQ(genes_may_act(c), divides) << l2 << "," << l3 << "," << l6;
        int divisions = 0;
        for (int f = 0; f < 2000; ++f) {
            express_genes(c);
            divisions += Cells_count - 1;
            for (int i = 1; i < Cells_count; ++i) world[Cells[i].x][Cells[i].y][Cells[i].z] = 0;
            publish_cells_count(1);  // keep the cell free to divide
        }
        EXPECT_TRUE(divides ? divisions > 140 && divisions < 260 : divisions == 0)
            << divisions << " at " << l2 << "," << l3 << "," << l6;
    }
}

// Whether or not a gene can divide, a cell's genes take one draw each; with no
// division gene the generator jumps over them at once, a full genome included.
TEST_F(GeneExpression, OneDrawPerGenePerCallWhateverTheGenesDo) {
    for (int k = 0; k < kMaxGenes; ++k) gene(k, {2, 3}, 4 + k);
    gene(0, {2, 3}, 4, 0, 1);  // with division off a division gene is a plain switch
    const int a = kt::place(1, 10, 10, 10), b = kt::place(9, 30, 10, 10);
    world_signal[10][10][10][2] = world_signal[10][10][10][3] = 3;
    for (int c : {a, b, a}) EXPECT_EQ(draws_of(c), std::uint32_t(kMaxGenes));
    EXPECT_EQ(std::pair(Cells_count, Cells[a].type), std::pair(2, 4));
    k_v = 1;  // with division on, a failed division attempt adds nothing either
    gene(kMaxGenes - 1, {2, 11}, 0, 0, 1);
    EXPECT_EQ(draws_of(b), std::uint32_t(kMaxGenes));
}

// At rest no draw can change anything: a cell that genes may act on, a pushed
// site, a stale copy of the grids or gravity each rule it out.
TEST_F(GeneExpression, AColonyIsAtRestOnlyWhereNoDrawCanChangeIt) {
    const std::function<void()> spoil[] = {
        [] {},  // the quiet colony itself
        [] { world_signal[100][100][100][2] = world_signal[100][100][100][3] = 4; },  // switches
        [] { world_clamp[100][100][100] = Cells[0].clamps = 2; },                     // walks
        [] { Cells[0].clamps = 1; },  // the next frame refreshes the copy
        [] { k_g = 1; },
    };
    for (std::size_t k = 0; k < std::size(spoil); ++k) {
        kt::reset_world();
        gene(0, {2, 3}, 4);
        cell(1, 4, 6);
        spoil[k]();
        EXPECT_EQ(colony_at_rest(), k == 0) << k;
    }
}

// Division: the four search orders, their bounds and the divide-all command.
#include "support.h"

using kt::WorldTest;

namespace {

struct V {
    int x, y, z;
};

// Fills all six face neighbours of (x, y, z) except those listed.
void surround_except(int x, int y, int z, std::initializer_list<V> free) {
    const V n[6] = {{x - 1, y, z}, {x + 1, y, z}, {x, y - 1, z},
                    {x, y + 1, z}, {x, y, z - 1}, {x, y, z + 1}};
    for (const V& v : n) {
        bool keep_free = false;
        for (const V& f : free) keep_free |= (f.x == v.x && f.y == v.y && f.z == v.z);
        if (!keep_free && interior(v.x, v.y, v.z)) kt::place(9, v.x, v.y, v.z);
    }
}

V daughter() {
    return {Cells[Cells_count - 1].x, Cells[Cells_count - 1].y, Cells[Cells_count - 1].z};
}

}  // namespace

TEST_F(WorldTest, EachVariantTakesItsFirstFreeNeighbour) {
    // With every neighbour free, the first of each order wins.
    const V first[4] = {{50, 50, 49}, {49, 50, 50}, {50, 49, 50}, {50, 51, 50}};
    void (*variant[4])(int) = {translation_finde1, translation_finde2, translation_finde3,
                               translation_finde4};
    for (int v = 0; v < 4; ++v) {
        kt::reset_world();
        const int c = kt::place(3, 50, 50, 50);
        variant[v](c);
        ASSERT_EQ(Cells_count, 2) << v;
        const V d = daughter();
        EXPECT_EQ(d.x, first[v].x) << v;
        EXPECT_EQ(d.y, first[v].y) << v;
        EXPECT_EQ(d.z, first[v].z) << v;
        EXPECT_EQ(Cells[1].type, 1);
    }
    // Variant 2 with x-1, y-1, y+1 taken goes to x+1, then z+1, then z-1.
    kt::reset_world();
    const int c = kt::place(3, 50, 50, 50);
    surround_except(50, 50, 50, {{51, 50, 50}, {50, 50, 51}, {50, 50, 49}});
    translation_finde2(c);
    EXPECT_EQ(daughter().x, 51);
}

TEST_F(WorldTest, DaughtersAreNeverBornOnLayerOne) {
    // At coordinate 2 the way down an axis is closed, on every axis.
    const V cases[3] = {{50, 50, 2}, {2, 50, 50}, {50, 2, 50}};
    const V below[3] = {{50, 50, 1}, {1, 50, 50}, {50, 1, 50}};
    for (int k = 0; k < 3; ++k) {
        kt::reset_world();
        const V p = cases[k];
        const int c = kt::place(3, p.x, p.y, p.z);
        surround_except(p.x, p.y, p.z, {below[k]});
        const int before = Cells_count;
        translation_finde1(c);
        EXPECT_EQ(Cells_count, before) << k;
        EXPECT_EQ(Cells[c].clamps, 2);
        EXPECT_EQ(world_clamp[p.x][p.y][p.z], 2);
        // The neighbours' clamp states are left alone.
        EXPECT_EQ(world_clamp[below[k].x][below[k].y][below[k].z], 0);
    }
}

TEST_F(WorldTest, UpperBoundsAt200) {
    // y = 200 closes both y directions.
    const int c = kt::place(3, 50, 200, 50);
    surround_except(50, 200, 50, {{50, 199, 50}});
    translation_finde3(c);
    EXPECT_EQ(Cells[c].clamps, 2);

    // A corner cell divides only towards x-1 or z-1.
    kt::reset_world();
    const int k = kt::place(3, 200, 200, 200);
    for (int v = 0; v < 40; ++v) {
        translation_finde(k);
        world[199][200][200] = world[200][200][199] = 0;  // free them for the next try
    }
    for (int i = 1; i < Cells_count; ++i) {
        const bool xm = Cells[i].x == 199 && Cells[i].z == 200;
        const bool zm = Cells[i].x == 200 && Cells[i].z == 199;
        EXPECT_TRUE(xm || zm) << Cells[i].x << " " << Cells[i].y << " " << Cells[i].z;
        EXPECT_EQ(Cells[i].y, 200);
    }
    // Coordinate 200 itself is reachable.
    kt::reset_world();
    const int e = kt::place(3, 199, 50, 50);
    surround_except(199, 50, 50, {{200, 50, 50}});
    translation_finde4(e);
    EXPECT_EQ(daughter().x, 200);
}

TEST_F(WorldTest, DivideAllDividesEachExistingCellOnceWithOneDrawEach) {
    for (int k = 0; k < 10; ++k) kt::place(3, 20 + 3 * k, 40, 40);
    go_traslation();
    EXPECT_EQ(Cells_count, 20);
    for (int i = 10; i < 20; ++i) {
        int dist = 0;
        for (int p = 0; p < 10; ++p) {
            const int d = std::abs(Cells[i].x - Cells[p].x) + std::abs(Cells[i].y - Cells[p].y) +
                          std::abs(Cells[i].z - Cells[p].z);
            if (d == 1) dist = 1;
        }
        EXPECT_EQ(dist, 1) << "daughter " << i << " touches a parent";
    }
}

TEST_F(WorldTest, DivideAllDrawsExactlyOncePerCellAndRespectsAFullTable) {
    for (int k = 0; k < 10; ++k) kt::place(3, 20 + 3 * k, 40, 40);
    const std::uint64_t start = rng_state();
    go_traslation();
    const std::uint64_t after = rng_state();
    rng_set_state(start);
    rng_skip(10);
    EXPECT_EQ(rng_state(), after);

    // Full table: nothing is added and no free-neighbour cell is marked.
    publish_cells_count(kMaxCells);
    const int before = world[20][40][39] + world[21][40][40] + world[19][40][40];
    translation_finde1(0);
    EXPECT_EQ(Cells_count, kMaxCells);
    EXPECT_EQ(Cells[0].clamps, 0);
    EXPECT_EQ(world[20][40][39] + world[21][40][40] + world[19][40][40], before);
}

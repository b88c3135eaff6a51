// Grid set-up, cell coordinates, list order and the guard for particles outside the grid box.
#include <gtest/gtest.h>

#include <vector>

#include "fluid/Fluid.h"
#include "ReferenceForces.h"

namespace {

class SpaceHashTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fluid.init()); }

    // Places the given positions as the live particles and rebuilds the hash.
    static void place(const std::vector<Vec4>& positions) {
        fluid.particleCount = static_cast<std::uint32_t>(positions.size());
        for (std::size_t i = 0; i < positions.size(); ++i) fluid.particles[i].position = positions[i];
        fluid.hash.build(fluid.particleCount, fluid.particles);
    }

    static std::vector<std::uint32_t> listOf(std::int32_t index) {
        std::vector<std::uint32_t> ids;
        for (const Particle* p = fluid.hash.cells[index].head; p; p = p->next)
            ids.push_back(static_cast<std::uint32_t>(p - fluid.particles));
        return ids;
    }
};

}  // namespace

TEST_F(SpaceHashTest, InitConfiguresTheGridFromTheSupportRadius) {
    const SpaceHash& h = fluid.hash;
    EXPECT_EQ(h.cellCount, 148176u);
    EXPECT_EQ(h.side, 52);
    EXPECT_EQ(h.cellSize, supportRadius);
    EXPECT_EQ(h.invCellSize, 1.0f / supportRadius);
    EXPECT_EQ(h.cornerOffset.x, 26.0f * h.cellSize);
    EXPECT_EQ(h.cornerOffset.y, 26.0f * h.cellSize);
    EXPECT_EQ(h.cornerOffset.z, 26.0f * h.cellSize);
}

TEST_F(SpaceHashTest, CellCoordinatesTruncateTowardZero) {
    const SpaceHash& h = fluid.hash;
    const CellCoord c = h.cellOf(Vec4{0.02f, 0.02f, 0.02f, 0.0f}, h.invCellSize);
    EXPECT_EQ(c.x, 26);
    EXPECT_EQ(h.cellIndex(c), 71682);
    // Just below the grid's corner the sum lies between -cellSize and 0 and still truncates to 0.
    const float below = -h.cornerOffset.x - 0.5f * h.cellSize;
    EXPECT_EQ(h.cellOf(Vec4{below, 0.0f, 0.0f, 0.0f}, h.invCellSize).x, 0);
}

TEST_F(SpaceHashTest, ListsHoldParticlesInDescendingStorageOrder) {
    place({{0.02f, 0.02f, 0.02f, 0}, {0.5f, 0.5f, 0.5f, 0}, {0.021f, 0.022f, 0.023f, 0},
           {0.025f, 0.02f, 0.02f, 0}});
    EXPECT_EQ(listOf(71682), (std::vector<std::uint32_t>{3, 2, 0}));
    EXPECT_EQ(fluid.particles[0].cell, &fluid.hash.cells[71682]);
    // A second build on unchanged positions gives the same lists.
    fluid.hash.build(fluid.particleCount, fluid.particles);
    EXPECT_EQ(listOf(71682), (std::vector<std::uint32_t>{3, 2, 0}));
}

TEST_F(SpaceHashTest, EmptyBuildClearsEveryCell) {
    place({});
    for (std::uint32_t i = 0; i < fluid.hash.cellCount; ++i) {
        ASSERT_EQ(fluid.hash.cells[i].head, nullptr);
        ASSERT_EQ(fluid.hash.cells[i].count, 0u);
    }
}

TEST_F(SpaceHashTest, PositionsOutsideTheGridBoxStayInsideTheArray) {
    struct Case {
        Vec4 position;
        CellCoord expected;
    };
    const Case cases[] = {
        {{0.0f, 5.0f, 0.0f, 0}, {26, 51, 26}},
        {{-3.0f, -3.0f, -3.0f, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        const CellCoord got = fluid.hash.cellOf(c.position, fluid.hash.invCellSize);
        EXPECT_EQ(got.x, c.expected.x);
        EXPECT_EQ(got.y, c.expected.y);
        EXPECT_EQ(got.z, c.expected.z);
    }
    // Values beyond any integer, and NaN, still land in some cell of the grid.
    for (const Vec4& far : {Vec4{1e30f, -1e30f, 0.0f, 0}, Vec4{std::nanf(""), INFINITY, 0.0f, 0}}) {
        const CellCoord got = fluid.hash.cellOf(far, fluid.hash.invCellSize);
        EXPECT_TRUE(fluid.hash.contains(got.x, got.y, got.z));
    }
    // The walk around a clamped corner cell visits only cells of the grid and finds the particle.
    place({{0.0f, 5.0f, 0.0f, 0}});
    int visits = 0;
    reference::forEachNeighbour(fluid.hash, fluid.hash.cellOf(fluid.particles[0].position, fluid.hash.invCellSize),
                                [&](const Particle& p) {
                                    EXPECT_EQ(&p, &fluid.particles[0]);
                                    ++visits;
                                });
    EXPECT_EQ(visits, 1);
}

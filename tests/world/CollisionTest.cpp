#include "tests/support/WorldFixture.h"

#include "world/Player.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <gtest/gtest.h>

#include <array>

using namespace mdlSlipping;

namespace {

class CollisionTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        mdlWalls::ClearWalls();
        Player.Z = -15;
    }
    void Wall(float x1, float y1, float x2, float y2, float z1 = 0, float z2 = -40)
    {
        mdlWalls::AddWall(x1, y1, x2, y2, z1, z2, 1, 1, 1, 0, 0);
        PrepareWalls();
    }
    void Slide(float x, float y, float moveX, float moveY)
    {
        Player.X = x;
        Player.Y = y;
        MoveX = moveX;
        MoveY = moveY;
        SlideAgainstWalls(Player, radius);
    }
    const float radius = 3.0f;
};

TEST_F(CollisionTest, PreparingStoresTheHeightBandAndTheUnitPlanNormal)
{
    Wall(-50, 0, 50, 0, 0, -40);
    Wall(0, 0, 3, 4, -10, 5);
    Wall(7, 7, 7, 7);
    const auto& w = mdlWalls::Walls;
    EXPECT_EQ(w[1].MinZ, -40.0f);
    EXPECT_EQ(w[1].MaxZ, 0.0f);
    EXPECT_EQ(w[1].NormalX, 0.0f);
    EXPECT_EQ(w[1].NormalY, 1.0f);
    EXPECT_EQ(w[2].MinZ, -10.0f);
    EXPECT_EQ(w[2].MaxZ, 5.0f);
    EXPECT_EQ(w[2].NormalX, -0.8f);
    EXPECT_EQ(w[2].NormalY, 0.6f);
    EXPECT_EQ(w[3].NormalX, 0.0f);
    EXPECT_EQ(w[3].NormalY, 0.0f);
    // A wall whose ends coincide takes no part.
    Slide(7, 8, 0, -1);
    EXPECT_EQ(MoveX, 0.0f);
    EXPECT_EQ(MoveY, -1.0f);
}

TEST_F(CollisionTest, MovesTooCloseAreHeldAtTheRadiusBySlidingAlong)
{
    // Walls as {x1, y1, x2, y2, z1, z2}; the eye at -15; a radius of 3.
    using W = std::array<float, 6>;
    const W floorToTop{-50, 0, 50, 0, 0, -40};
    const struct {
        const char* What;
        std::vector<W> Walls;
        float X, Y, MoveX, MoveY, ExpectedX, ExpectedY;
    } cases[] = {
        {"pushed back to the radius", {floorToTop}, 0, 5, 0, -3, 0, -2},
        {"sliding along", {floorToTop}, 0, 5, 1, -3, 1, -2},
        {"from the other side", {floorToTop}, 0, -5, 0.5f, 3, 0.5f, 2},
        {"staying a radius away", {floorToTop}, 0, 6, 0.25f, -3, 0.25f, -3},
        {"ends swapped", {{50, 0, -50, 0, 0, -40}}, 0, 5, 1, -3, 1, -2},
        {"beyond an end", {floorToTop}, 52, 5, 0, -3, 0, -3},
        {"exactly at an end", {floorToTop}, 50, 5, 0, -3, 0, -3},
        {"just beyond the other end", {floorToTop}, -50.5f, 5, 0, -3, 0, -3},
        {"top 5 too low for the eye", {{-50, 0, 50, 0, 0, -8}}, 0, 5, 0, -3, 0, -3},
        {"top - 5 reaches the eye", {{-50, 0, 50, 0, 0, -10}}, 0, 5, 0, -3, 0, -2},
        {"bottom + 1 above the eye", {{-50, 0, 50, 0, -17, -40}}, 0, 5, 0, -3, 0, -3},
        {"bottom + 1 at the eye", {{-50, 0, 50, 0, -40, -16}}, 0, 5, 0, -3, 0, -2},
        {"a corner, one wall a pass in table order", {floorToTop, {0, 50, 0, -50, 0, -40}}, 5, 5, -3, -3, -2, -2},
        // Each wall pushes toward the other: the moves alternate and the fifteenth hit's stays.
        {"a gap narrower than two radii", {floorToTop, {50, 4, -50, 4, 0, -40}}, 0, 2, 0, 0, 0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        mdlWalls::ResetState();
        for (const W& w : c.Walls)
            Wall(w[0], w[1], w[2], w[3], w[4], w[5]);
        Slide(c.X, c.Y, c.MoveX, c.MoveY);
        EXPECT_EQ(MoveX, c.ExpectedX);
        EXPECT_EQ(MoveY, c.ExpectedY);
    }
}

} // namespace

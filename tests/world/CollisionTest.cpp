#include "tests/support/WorldFixture.h"

#include "world/Player.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <gtest/gtest.h>

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
}

TEST_F(CollisionTest, AMoveTooCloseIsPushedBackToTheRadiusAndSlidesAlong)
{
    Wall(-50, 0, 50, 0);
    Slide(0, 5, 0, -3);
    EXPECT_EQ(MoveX, 0.0f);
    EXPECT_EQ(MoveY, -2.0f);

    Slide(0, 5, 1, -3);
    EXPECT_EQ(MoveX, 1.0f);
    EXPECT_EQ(MoveY, -2.0f);

    // From the other side the push goes the other way.
    Slide(0, -5, 0.5f, 3);
    EXPECT_EQ(MoveX, 0.5f);
    EXPECT_EQ(MoveY, 2.0f);

    // Staying at least the radius away changes nothing.
    Slide(0, 6, 0.25f, -3);
    EXPECT_EQ(MoveX, 0.25f);
    EXPECT_EQ(MoveY, -3.0f);
}

TEST_F(CollisionTest, MovesFacingBeyondTheEndsOfAWallPass)
{
    Wall(-50, 0, 50, 0);
    Slide(52, 5, 0, -3);
    EXPECT_EQ(MoveY, -3.0f);
    Slide(50, 5, 0, -3); // exactly at the end
    EXPECT_EQ(MoveY, -3.0f);
    Slide(-50.5f, 5, 0, -3);
    EXPECT_EQ(MoveY, -3.0f);
}

TEST_F(CollisionTest, OnlyWallsWhoseHeightBandReachesTheEyeBlock)
{
    Wall(-50, 0, 50, 0, 0, -8); // top 5 units too low for an eye at -15
    Slide(0, 5, 0, -3);
    EXPECT_EQ(MoveY, -3.0f);

    mdlWalls::ClearWalls();
    mdlWalls::WallCount = 0;
    Wall(-50, 0, 50, 0, 0, -10); // ten units high: top - 5 = -15 reaches the eye
    Slide(0, 5, 0, -3);
    EXPECT_EQ(MoveY, -2.0f);

    mdlWalls::WallCount = 0;
    Wall(-50, 0, 50, 0, -17, -40); // bottom + 1 = -16 stays above the eye
    Slide(0, 5, 0, -3);
    EXPECT_EQ(MoveY, -3.0f);

    mdlWalls::WallCount = 0;
    Wall(-50, 0, 50, 0, -40, -16); // bottom + 1 = -15: the eye touches the band
    Slide(0, 5, 0, -3);
    EXPECT_EQ(MoveY, -2.0f);
}

TEST_F(CollisionTest, SwappedEndsBlockTheSameWay)
{
    Wall(50, 0, -50, 0);
    EXPECT_EQ(mdlWalls::Walls[1].NormalY, -1.0f);
    Slide(0, 5, 1, -3);
    EXPECT_EQ(MoveX, 1.0f);
    EXPECT_EQ(MoveY, -2.0f);
}

TEST_F(CollisionTest, ACornerIsHandledOneWallAPassInTableOrder)
{
    Wall(-50, 0, 50, 0);
    Wall(0, 50, 0, -50);
    Slide(5, 5, -3, -3);
    EXPECT_EQ(MoveX, -2.0f);
    EXPECT_EQ(MoveY, -2.0f);
}

TEST_F(CollisionTest, AGapNarrowerThanTwoRadiiStopsAfterFifteenHits)
{
    Wall(-50, 0, 50, 0);
    Wall(50, 4, -50, 4);
    // Each wall pushes the player toward the other: the moves alternate 1, -1, 1, ... and the
    // fifteenth hit's result stays.
    Slide(0, 2, 0, 0);
    EXPECT_EQ(MoveX, 0.0f);
    EXPECT_EQ(MoveY, 1.0f);
}

TEST_F(CollisionTest, AWallWhoseEndsCoincideTakesNoPart)
{
    Wall(0, 0, 0, 0);
    Slide(0, 1, 0, -1);
    EXPECT_EQ(MoveX, 0.0f);
    EXPECT_EQ(MoveY, -1.0f);
}

} // namespace

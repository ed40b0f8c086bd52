#include "tests/support/WorldFixture.h"

#include "world/Player.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include "framework/D3DXMath.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>

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

    // The same wall with its ends swapped has the opposite normal and blocks the same way.
    mdlWalls::WallCount = 0;
    Wall(50, 0, -50, 0);
    EXPECT_EQ(mdlWalls::Walls[1].NormalY, -1.0f);
    Slide(0, 5, 1, -3);
    EXPECT_EQ(MoveX, 1.0f);
    EXPECT_EQ(MoveY, -2.0f);
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

// The sliding as first written: every pass tests every wall from the records. The quick one
// must come to the same move to the bit.
void SlideByRecords(const PlayerRecord& player, float r)
{
    const double x = player.X;
    const double y = player.Y;
    std::int16_t hits = 0;
    for (;;) {
        const float oldX = MoveX;
        const float oldY = MoveY;
        for (std::int32_t i = 1; i <= mdlWalls::WallCount; ++i) {
            const mdlWalls::Wall& wall = mdlWalls::Walls[static_cast<std::size_t>(i)];
            if ((wall.NormalX == 0.0f && wall.NormalY == 0.0f) || !std::isfinite(wall.NormalX) ||
                !std::isfinite(wall.NormalY))
                continue;
            if (!ReachesEye(wall, player.Z))
                continue;
            const double qx = x + MoveX;
            const double qy = y + MoveY;
            const D3DXVECTOR2 normal{wall.NormalX, wall.NormalY};
            const D3DXVECTOR2 offset{static_cast<float>(qx - wall.X1), static_cast<float>(qy - wall.Y1)};
            const float d = D3DXVec2Dot(&normal, &offset);
            if (!(std::fabs(d) < r))
                continue;
            const double nx = wall.NormalX;
            const double ny = wall.NormalY;
            const auto fx = static_cast<float>(qx - nx * d);
            const auto fy = static_cast<float>(qy - ny * d);
            const auto t = static_cast<float>(
                std::fabs(wall.NormalX) > 0.0f ? (static_cast<double>(fy) - wall.Y1) / (static_cast<double>(wall.Y2) - wall.Y1)
                                               : (static_cast<double>(fx) - wall.X1) / (static_cast<double>(wall.X2) - wall.X1));
            if (!(t > 0.0f && t < 1.0f))
                continue;
            const auto k = static_cast<float>((nx * MoveX + ny * MoveY) / (nx * nx + ny * ny));
            MoveX = static_cast<float>(MoveX - nx * k);
            MoveY = static_cast<float>(MoveY - ny * k);
            const double ax = std::fabs(nx);
            const double ay = std::fabs(ny);
            MoveX = static_cast<float>(static_cast<float>(x + MoveX) > fx ? fx + ax * r - x : fx - ax * r - x);
            MoveY = static_cast<float>(static_cast<float>(y + MoveY) > fy ? fy + ay * r - y : fy - ay * r - y);
            ++hits;
            break;
        }
        const auto changedX = static_cast<float>(std::fabs(static_cast<double>(oldX) - MoveX));
        const auto changedY = static_cast<float>(std::fabs(static_cast<double>(oldY) - MoveY));
        if (!((changedX > 0.0f || changedY > 0.0f) && hits != 15))
            return;
    }
}

TEST_F(CollisionTest, SlidesAsTheRecordScanDoesToTheBit)
{
    MapValues values(7);
    const float heights[] = {-40, -20, -16, -15, -10, -8, 0, 5};
    int changed = 0;
    for (int map = 0; map < 3000; ++map) {
        mdlWalls::ClearWalls();
        mdlWalls::WallCount = 0;
        for (int i = 0, walls = 1 + values.Below(12); i < walls; ++i)
            mdlWalls::AddWall(values.Next(), values.Next(), values.Next(), values.Next(), heights[values.Below(8)],
                              heights[values.Below(8)], 1, 1, 1, 0, 0);
        PrepareWalls();
        for (int probe = 0; probe < 12; ++probe) {
            const mdlWalls::Wall& near = mdlWalls::Walls[static_cast<std::size_t>(1 + values.Below(mdlWalls::WallCount))];
            const auto [x, y] = values.OnLine(near.X1, near.Y1, near.X2, near.Y2);
            Player.X = x + static_cast<float>(values.Below(7) - 3);
            Player.Y = y + static_cast<float>(values.Below(7) - 3);
            Player.Z = -15.0f - static_cast<float>(values.Below(3));
            const float moveX = values.Below(4) == 0 ? values.Next() : static_cast<float>(values.Below(13) - 6) / 2;
            const float moveY = static_cast<float>(values.Below(13) - 6) / 2;
            MoveX = moveX;
            MoveY = moveY;
            SlideByRecords(Player, radius);
            const float expected[2] = {MoveX, MoveY};
            MoveX = moveX;
            MoveY = moveY;
            SlideAgainstWalls(Player, radius);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(expected), std::bit_cast<std::uint64_t>(std::array{MoveX, MoveY}))
                << map << " " << probe;
            changed += MoveX != moveX || MoveY != moveY;
        }
    }
    EXPECT_GT(changed, 3000);
}

} // namespace

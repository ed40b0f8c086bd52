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
        mdlWalls::ClearWalls();
        mdlWalls::WallCount = 0;
        for (const W& w : c.Walls)
            Wall(w[0], w[1], w[2], w[3], w[4], w[5]);
        Slide(c.X, c.Y, c.MoveX, c.MoveY);
        EXPECT_EQ(MoveX, c.ExpectedX);
        EXPECT_EQ(MoveY, c.ExpectedY);
    }
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

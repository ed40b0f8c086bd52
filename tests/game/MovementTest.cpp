#include "tests/game/GameFixture.h"

#include "framework/MathHelpers.h"
#include "game/mdlGameLoop.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

using mdlGameLoop::UpdatePlayer;

namespace {

class MovementTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        mdlFloors::ClearFloors();
        mdlWalls::ClearWalls();
    }
    // A floor at height z covering the square from (x0, -1000) to (x1, 1000).
    void Floor(float x0, float x1, float z)
    {
        mdlFloors::AddFloor(x0, -1000, x1, -1000, x1, 1000, z, 1, 0, 0, 0, 0, 0, 0);
        mdlFloors::AddFloor(x0, -1000, x1, 1000, x0, 1000, z, 1, 0, 0, 0, 0, 0, 0);
    }
    std::vector<float> Heights(int ticks)
    {
        std::vector<float> z;
        for (int i = 0; i < ticks; ++i) {
            UpdatePlayer();
            z.push_back(Player.Z);
        }
        return z;
    }
};

TEST_F(MovementTest, StandingOnAFlatFloorChangesNothing)
{
    Floor(-1000, 1000, 0);
    Player.Z = -15;
    Player.X = 3;
    Player.Y = 4;
    UpdatePlayer();
    EXPECT_EQ(Player.Z, -15.0f);
    EXPECT_EQ(Player.X, 3.0f);
    EXPECT_EQ(Player.Y, 4.0f);
    EXPECT_EQ(Player.Yaw, 0.0f);
}

TEST_F(MovementTest, AfterAJumpThePlayerSinksOneUnitATickBackToItsFloor)
{
    Floor(-1000, 1000, 0);
    Player.Z = -35;
    const std::vector<float> z = Heights(25);
    EXPECT_EQ(z[0], -34.0f);
    EXPECT_EQ(z[18], -16.0f);
    EXPECT_EQ(z[19], -15.0f);
    for (int i = 19; i < 25; ++i)
        EXPECT_EQ(z[static_cast<std::size_t>(i)], -15.0f);
}

TEST_F(MovementTest, OnAHigherFloorTheEyeRisesAQuarterOfTheGapATick)
{
    Floor(-1000, 1000, -8);
    Player.Z = -15;
    EXPECT_THAT(Heights(5), ::testing::ElementsAre(-17.0f, -18.5f, -19.625f, -20.46875f, -21.1015625f));
}

TEST_F(MovementTest, WithoutAFloorThePlayerFallsTowardNineHundredEightyFive)
{
    Player.Z = 980;
    EXPECT_THAT(Heights(7), ::testing::ElementsAre(981.0f, 982.0f, 983.0f, 984.0f, 985.0f, 985.0f, 985.0f));
}

TEST_F(MovementTest, WalkingFollowsTheHeadingAndIgnoresThePitch)
{
    Player.Speed = 1;
    UpdatePlayer();
    EXPECT_EQ(mdlSlipping::MoveX, 0.0f);
    EXPECT_EQ(mdlSlipping::MoveY, 1.0f);

    Player = PlayerRecord{};
    Player.Speed = 1;
    Player.Yaw = 90;
    Player.Pitch = 89;
    UpdatePlayer();
    EXPECT_EQ(mdlSlipping::MoveX, 1.0f);
    // Not exactly 0: the program's rounded pi leaves about 6.9e-10.
    EXPECT_EQ(mdlSlipping::MoveY, static_cast<float>(DirectX_Framework::DirectionY(90, 0)));
    EXPECT_NEAR(mdlSlipping::MoveY, 6.9e-10f, 0.1e-10f);
    EXPECT_EQ(Player.X, 1.0f);

    Player.Pitch = -89;
    Player.Speed = -1;
    UpdatePlayer();
    EXPECT_EQ(Player.X, 0.0f);
}

TEST_F(MovementTest, TurningAccumulatesWithoutWrapping)
{
    Player.YawRate = -2;
    for (int i = 0; i < 180; ++i)
        UpdatePlayer();
    EXPECT_EQ(Player.Yaw, -360.0f);
    for (int i = 0; i < 180; ++i)
        UpdatePlayer();
    EXPECT_EQ(Player.Yaw, -720.0f);
}

TEST_F(MovementTest, TheTurnComesBeforeTheMoveAndWallsHoldThePlayerOff)
{
    mdlWalls::AddWall(-50, 10, 50, 10, 0, -40, 1, 1, 1, 0, 0);
    mdlSlipping::PrepareWalls();
    Player.Z = -15;
    Player.Y = 6;
    Player.Speed = 1;
    for (int i = 0; i < 5; ++i)
        UpdatePlayer();
    EXPECT_EQ(Player.Y, 7.0f); // held three units off the wall at y = 10

    Player = PlayerRecord{};
    Player.Yaw = 88;
    Player.YawRate = 2;
    Player.Speed = 1;
    UpdatePlayer();
    EXPECT_EQ(Player.Yaw, 90.0f);
    EXPECT_EQ(Player.X, 1.0f);
}

} // namespace

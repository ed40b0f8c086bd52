#include "tests/game/GameFixture.h"

#include "game/mdlGameLoop.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

#include <optional>

using mdlGameLoop::UpdatePlayer;

namespace {

using MovementTest = GameTest;

TEST_F(MovementTest, TheEyeFollowsItsFloorFallingAStepOrRisingAQuarterOfTheGapATick)
{
    // z grows downward: the eye rests 15 above its floor, or falls toward 985 with none.
    const struct {
        const char* What;
        std::optional<float> Floor;
        float Z;
        std::vector<float> Heights;
    } cases[] = {
        {"at rest", 0.0f, -15, {-15, -15}},
        {"after a jump", 0.0f, -20, {-19, -18, -17, -16, -15, -15, -15}},
        {"on a higher floor", -8.0f, -15, {-17, -18.5f, -19.625f, -20.46875f, -21.1015625f}},
        {"over no floor", std::nullopt, 980, {981, 982, 983, 984, 985, 985, 985}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ResetWorldState();
        if (c.Floor) {
            mdlFloors::AddFloor(-1000, -1000, 1000, -1000, 1000, 1000, *c.Floor, 1, 0, 0, 0, 0, 0, 0);
            mdlFloors::AddFloor(-1000, -1000, 1000, 1000, -1000, 1000, *c.Floor, 1, 0, 0, 0, 0, 0, 0);
        }
        Player = PlayerRecord{.X = 3, .Y = 4, .Z = c.Z};
        std::vector<float> heights;
        for (std::size_t i = 0; i < c.Heights.size(); ++i) {
            UpdatePlayer();
            heights.push_back(Player.Z);
        }
        EXPECT_EQ(heights, c.Heights);
        EXPECT_EQ(std::tuple(Player.X, Player.Y, Player.Yaw), std::tuple(3.0f, 4.0f, 0.0f));
    }
}

TEST_F(MovementTest, WalkingFollowsTheHeadingIgnoringThePitchAndTurningNeverWraps)
{
    Player.Speed = 1;
    UpdatePlayer();
    EXPECT_EQ(std::tuple(mdlSlipping::MoveX, mdlSlipping::MoveY), std::tuple(0.0f, 1.0f));

    Player = PlayerRecord{.Yaw = 90, .Pitch = 89, .Speed = 1};
    UpdatePlayer();
    EXPECT_EQ(mdlSlipping::MoveX, 1.0f);
    // Not exactly 0: the program's rounded pi leaves about 6.9e-10.
    EXPECT_NEAR(mdlSlipping::MoveY, 6.9e-10f, 0.1e-10f);
    EXPECT_EQ(Player.X, 1.0f);
    Player.Pitch = -89;
    Player.Speed = -1;
    UpdatePlayer();
    EXPECT_EQ(Player.X, 0.0f);

    Player = PlayerRecord{.YawRate = -2};
    for (int i = 0; i < 360; ++i)
        UpdatePlayer();
    EXPECT_EQ(Player.Yaw, -720.0f);
}

TEST_F(MovementTest, TheTurnComesBeforeTheMoveAndWallsHoldThePlayerOff)
{
    mdlWalls::AddWall(-50, 10, 50, 10, 0, -40, 1, 1, 1, 0, 0);
    mdlSlipping::PrepareWalls();
    Player = PlayerRecord{.Y = 6, .Z = -15, .Speed = 1};
    for (int i = 0; i < 5; ++i)
        UpdatePlayer();
    EXPECT_EQ(Player.Y, 7.0f); // held three units off the wall at y = 10

    Player = PlayerRecord{.Yaw = 88, .YawRate = 2, .Speed = 1};
    UpdatePlayer();
    EXPECT_EQ(Player.Yaw, 90.0f);
    EXPECT_EQ(Player.X, 1.0f);
}

} // namespace

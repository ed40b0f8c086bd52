#include "tests/support/WorldFixture.h"

#include "world/Player.h"
#include "world/WorldErrors.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"

#include <gtest/gtest.h>


using mdlClip::FloorHeight;
using mdlClip::PointInFloor;

namespace {

class FloorHeightTest : public WorldTest {
protected:
    // A large floor at height z under the origin.
    void FloorAt(float z) { mdlFloors::AddFloor(-100, -100, 100, -100, 0, 100, z, 1, 0, 0, 0, 0, 0, 0); }
};

TEST_F(FloorHeightTest, TheFloorUnderfootIsPreferredAndTheChoiceDependsOnTheOrderOfTheFloors)
{
    // Floors (in table order) under the origin, asked about from height 10 (z grows downward).
    const std::pair<std::vector<float>, float> cases[] = {
        {{}, 1000},      {{20}, 20},          {{0}, 0},          {{-25}, 1000},   {{3010}, 1000},
        {{3009}, 3009},  {{-19.5f}, -19.5f},  {{9, 15}, 9},      {{15, 9}, 15},   {{12, 12}, 12},
    };
    for (const auto& [floors, expected] : cases) {
        mdlFloors::ResetState();
        for (const float z : floors)
            FloorAt(z);
        EXPECT_EQ(FloorHeight(0, 0, 10), expected) << ::testing::PrintToString(floors);
    }
    EXPECT_EQ(FloorHeight(500, 500, 10), 1000.0f) << "off every floor";
}

TEST(PointInFloor, EdgesAndTheirLinesCountAsInsideAndCornerOrderDoesNotMatter)
{
    const mdlFloors::Floor floor{0, 10, 0, 0, 0, 10};
    EXPECT_TRUE(PointInFloor(5, 0, floor));
    EXPECT_TRUE(PointInFloor(20, 0, floor));
    EXPECT_FALSE(PointInFloor(8, 8, floor));
    EXPECT_FALSE(PointInFloor(-1, 5, floor));
    const float corners[3][2] = {{0, 0}, {10, 0}, {0, 10}};
    const int orders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (const auto& o : orders) {
        const mdlFloors::Floor f{corners[o[0]][0], corners[o[1]][0], corners[o[2]][0],
                                 corners[o[0]][1], corners[o[1]][1], corners[o[2]][1]};
        EXPECT_TRUE(PointInFloor(2, 2, f));
        EXPECT_FALSE(PointInFloor(8, 8, f));
    }
}

// The query as first written, straight from the unit normals (three or four square roots a
// floor). The quick one must answer the same, extreme and degenerate floors included.
bool PointInFloorByNormals(float x, float y, const mdlFloors::Floor& f)
{
    using DirectX_Framework::FaceNormal;
    const D3DVECTOR p{x, y, 0};
    const D3DVECTOR a{f.X1, f.Y1, 0};
    const D3DVECTOR b{f.X2, f.Y2, 0};
    const D3DVECTOR c{f.X3, f.Y3, 0};
    if (FaceNormal(a, b, c).z == 0.0f)
        return false;
    const float s[3] = {FaceNormal(p, a, b).z, FaceNormal(p, b, c).z, FaceNormal(p, c, a).z};
    if (s[0] == 0.0f || s[1] == 0.0f || s[2] == 0.0f)
        return true;
    return s[0] == s[1] && s[0] == s[2];
}

TEST_F(FloorHeightTest, PointsInFloorsAreFoundAsTheUnitNormalsFindThem)
{
    MapValues values(11);
    int offUnit = 0; // probes where some normal is not +-1: zero, not a number, or a little off 1
    for (int map = 0; map < 4000; ++map) {
        mdlFloors::ResetState();
        for (int i = 0; i < 8; ++i) {
            float corner[6];
            for (float& v : corner)
                v = values.Next();
            mdlFloors::AddFloor(corner[0], corner[1], corner[2], corner[3], corner[4], corner[5],
                                static_cast<float>(values.Below(9)), 1, 0, 0, 0, 0, 0, 0);
        }
        for (int probe = 0; probe < 24; ++probe) {
            const mdlFloors::Floor& f = mdlFloors::Floors[static_cast<std::size_t>(1 + probe % 8)];
            const auto [x, y] = probe % 2 == 0 ? values.OnLine(f.X1, f.Y1, f.X3, f.Y3)
                                               : std::pair{values.Next(), values.Next()};
            const D3DVECTOR p{x, y, 0};
            const D3DVECTOR a{f.X1, f.Y1, 0};
            const D3DVECTOR b{f.X2, f.Y2, 0};
            offUnit += std::fabs(DirectX_Framework::FaceNormal(p, a, b).z) != 1.0f;
            ASSERT_EQ(PointInFloor(x, y, f), PointInFloorByNormals(x, y, f)) << map << " " << probe;
        }
    }
    EXPECT_GT(offUnit, 10000);
}

class EntitiesTest : public WorldTest {};

TEST_F(EntitiesTest, TheLastSpawnInAnyCasePlacesThePlayerFiveUnitsAboveItAndNoSpawnLeavesIt)
{
    mdlEntities::SpawnPlayer();
    EXPECT_EQ(std::tuple(Player.X, Player.Z), std::tuple(0.0f, 0.0f));
    mdlEntities::AddEntity("player spawn", 9, 9, 9);
    mdlEntities::AddEntity("PlayerSpawn", 4, 5, 6);
    mdlEntities::AddEntity("playerspawn", 100, 200, 50);
    mdlEntities::AddEntity("torch", 1, 1, 1);
    EXPECT_EQ(mdlEntities::Entities[3].Name, "PLAYERSPAWN");
    EXPECT_EQ(std::tuple(mdlEntities::Entities[3].Colour, mdlEntities::Entities[4].Colour), std::tuple(65280, 0));
    Player.Yaw = 30;
    mdlEntities::SpawnPlayer();
    EXPECT_EQ(std::tuple(Player.X, Player.Y, Player.Z, Player.Yaw), std::tuple(100.0f, 200.0f, 45.0f, 30.0f));
}

TEST_F(EntitiesTest, ASixthEntityIsRefusedBeforeItIsCounted)
{
    for (const char* name : {"e1", "e2", "e3", "e4", "e5"})
        mdlEntities::AddEntity(name, 0, 0, 0);
    EXPECT_THROW(mdlEntities::AddEntity("PLAYERSPAWN", 7, 7, 7), CapacityError);
    EXPECT_EQ(mdlEntities::EntityCount, 5);
    mdlEntities::SpawnPlayer();
    EXPECT_EQ(Player.X, 0.0f);
}

} // namespace

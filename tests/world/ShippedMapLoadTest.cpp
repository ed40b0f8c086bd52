#include "tests/support/WorldFixture.h"

#include "world/Player.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

namespace {

// The demo's own map, loaded by the real loader from the assets folder.
class ShippedMapTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        LoadShippedMap(DUNMERE_ASSETS_DIR);
    }
};

TEST_F(ShippedMapTest, LoadsCompletelyWithinEveryCapacity)
{
    for (const std::string& line : Log())
        EXPECT_EQ(line.rfind("Map reading stopped", 0), std::string::npos) << line;
    EXPECT_GT(mdlWalls::WallCount, 100);
    EXPECT_LE(mdlWalls::WallCount, mdlWalls::MaxMapWalls);
    EXPECT_GT(mdlFloors::FloorCount, 100);
    EXPECT_LE(mdlFloors::FloorCount, mdlFloors::MaxMapFloors);
    EXPECT_LE(mdlWalls::WallBatchCount, mdlWalls::MaxWallBatches);
    EXPECT_LE(mdlFloors::FloorBatchCount, mdlFloors::MaxFloorBatches);
    int textures = 0;
    for (int i = 1; i <= mdlTextures::MaxTextures; ++i)
        textures += mdlTextures::Textures[static_cast<std::size_t>(i)] != nullptr;
    EXPECT_GE(textures, 5);
    // Every wall batch and every floor is drawn.
    int wallVertices = 0;
    for (int b = 1; b <= mdlWalls::WallBatchCount; ++b)
        wallVertices += mdlWalls::WallBatchVertexCounts[static_cast<std::size_t>(b)];
    EXPECT_EQ(wallVertices, 6 * mdlWalls::WallCount);
    int floorVertices = 0;
    for (int b = 1; b <= mdlFloors::FloorBatchCount; ++b)
        floorVertices += mdlFloors::FloorBatchVertexCounts[static_cast<std::size_t>(b)];
    EXPECT_EQ(floorVertices, 3 * mdlFloors::FloorCount);
}

TEST_F(ShippedMapTest, TheSpawnStandsOnAFloorWhereTheEyeIsAtRest)
{
    ASSERT_EQ(mdlEntities::EntityCount, 1);
    mdlEntities::SpawnPlayer();
    const float floor = mdlClip::FloorHeight(Player.X, Player.Y, Player.Z + 5);
    ASSERT_NE(floor, 1000.0f);
    EXPECT_EQ(Player.Z, floor - 15);
}

} // namespace

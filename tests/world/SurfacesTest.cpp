#include "tests/support/WorldFixture.h"

#include "world/WorldErrors.h"
#include "world/mdlFloors.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

#include <sstream>

using namespace mdlWalls;
using namespace mdlFloors;
using ::testing::ElementsAre;

namespace {

std::string WallLine(float x1, float y1, float x2, float y2, int texture, float z1 = 0, float z2 = -20)
{
    std::ostringstream line;
    line << "WALL," << x1 << "," << y1 << "," << x2 << "," << y2 << "," << z1 << "," << z2 << ",1,1," << texture
         << ",0,0\r\n";
    return line.str();
}

std::string FloorLine(float x, int texture, float z = 0)
{
    std::ostringstream line;
    line << "FLOOR," << x << ",0," << x + 10 << ",0," << x << ",10," << z << "," << texture << ",0,0,1,0,0,1\r\n";
    return line.str();
}

class SurfacesTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        for (const char* name : {"one.png", "two.png"})
            MakeTexture(name);
    }
    std::string Textures() { return "TEXTURE,1,one.png\r\nTEXTURE,2,two.png\r\n"; }
};

TEST_F(SurfacesTest, WallsRegroupByTextureKeepingFileOrderWithOneBatchEach)
{
    LoadMapText(Textures() + WallLine(0, 0, 10, 0, 2) + WallLine(0, 5, 10, 5, 1) + WallLine(0, 9, 10, 9, 2));
    ASSERT_EQ(WallCount, 3);
    EXPECT_EQ(Walls[1].Texture, 1);
    EXPECT_EQ(Walls[1].Y1, 5.0f);
    EXPECT_EQ(Walls[2].Y1, 0.0f); // the two texture-2 walls in file order
    EXPECT_EQ(Walls[3].Y1, 9.0f);
    ASSERT_EQ(WallBatchCount, 2);
    EXPECT_EQ(WallBatchTextures[1], 1);
    EXPECT_EQ(WallBatchVertexCounts[1], 6);
    EXPECT_EQ(WallBatchTextures[2], 2);
    EXPECT_EQ(WallBatchVertexCounts[2], 12);
    // The copies and the closing wall lie above the count.
    EXPECT_EQ(Walls[7].Texture, -1);

    journal->clear();
    graphics->Draws.clear();
    DrawWalls();
    ASSERT_EQ(graphics->Draws.size(), 2u);
    EXPECT_EQ(graphics->Draws[0].Texture, "one.png");
    EXPECT_EQ(graphics->Draws[0].PrimitiveCount, 2u);
    EXPECT_EQ(graphics->Draws[1].Texture, "two.png");
    EXPECT_EQ(graphics->Draws[1].PrimitiveCount, 4u);
    EXPECT_EQ(graphics->Draws[1].Vertices[6].y, 9.0f);
    EXPECT_EQ(journal->front(), "SetMaterial");
    EXPECT_EQ((*journal)[1], "SetTransform(256)");
}

TEST_F(SurfacesTest, AWallStagesTwoTrianglesWithItsTextureSpanAndNormal)
{
    ClearWalls();
    AddWall(0, 10, 10, 10, 0, -20, 2, 0.5f, 1, 0.25f, 0.125f);
    const Vertex* v = &WallVertices[1];
    const float expected[6][5] = {{0, 10, 0, 0.25f, 0.125f},    {10, 10, -20, 2.25f, 0.625f},
                                  {10, 10, 0, 2.25f, 0.125f},   {10, 10, -20, 2.25f, 0.625f},
                                  {0, 10, 0, 0.25f, 0.125f},    {0, 10, -20, 0.25f, 0.625f}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].x, expected[i][0]) << i;
        EXPECT_EQ(v[i].y, expected[i][1]) << i;
        EXPECT_EQ(v[i].z, expected[i][2]) << i;
        EXPECT_EQ(v[i].tu, expected[i][3]) << i;
        EXPECT_EQ(v[i].tv, expected[i][4]) << i;
        // sign(Z2 - Z1) x (-dy, dx, 0) / length with Z2 < Z1: (0, -1, 0), facing y < 10.
        EXPECT_EQ(v[i].nx, 0.0f) << i;
        EXPECT_EQ(v[i].ny, -1.0f) << i;
        EXPECT_EQ(v[i].nz, 0.0f) << i;
    }
    AddWall(0, 10, 10, 10, -20, 0, 1, 1, 1, 0, 0);
    EXPECT_EQ(WallVertices[7].ny, 1.0f);
    EXPECT_EQ(WallVertices[12].ny, 1.0f);
    EXPECT_EQ(StagedWallVertexCount, 12);
    EXPECT_EQ(Walls[2].Z1, -20.0f);
}

TEST_F(SurfacesTest, SurfaceTexturesOutsideTheTableDrawWithTextureOne)
{
    // -1 is also the texture of the surfaces that close the batches: walls and floors that use it
    // themselves are closed and drawn all the same.
    for (const auto& [first, last] : {std::pair{0, 150}, std::pair{-2, -1}}) {
        SCOPED_TRACE(last);
        LoadMapText(Textures() + WallLine(0, 0, 10, 0, first) + WallLine(0, 5, 10, 5, last) + FloorLine(0, last));
        graphics->Draws.clear();
        DrawWalls();
        DrawFloors();
        ASSERT_EQ(graphics->Draws.size(), 3u);
        for (const ScriptedDraw& draw : graphics->Draws)
            EXPECT_EQ(draw.Texture, "one.png");
    }
}

TEST_F(SurfacesTest, AMapWithoutWallsOrFloorsDrawsNothing)
{
    LoadMapText(Textures());
    EXPECT_EQ(WallCount, 0);
    EXPECT_EQ(WallBatchCount, 0);
    EXPECT_EQ(FloorCount, 0);
    // The closing floor closes the empty first batch: it has no buffer and is skipped.
    EXPECT_EQ(FloorBatchCount, 1);
    EXPECT_EQ(FloorBatchBuffers[1], nullptr);
    graphics->Draws.clear();
    DrawWalls();
    DrawFloors();
    EXPECT_TRUE(graphics->Draws.empty());
}

TEST_F(SurfacesTest, WallCapacitiesRefuseTheEntryThatDoesNotFit)
{
    std::string map = Textures();
    for (int i = 0; i < 84; ++i)
        map += WallLine(0, static_cast<float>(i), 10, static_cast<float>(i), 1);
    LoadMapText(map);
    EXPECT_EQ(WallCount, 83);
    EXPECT_EQ(WallBatchCount, 1);
    EXPECT_EQ(WallBatchVertexCounts[1], 498);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 86: more than 83 walls use texture 1");

    // 249 walls fit, alternating textures in runs; the 250th is refused.
    map = Textures();
    for (int i = 0; i < 250; ++i)
        map += WallLine(0, static_cast<float>(i), 10, static_cast<float>(i), 1 + (i / 50) % 2 + 2 * (i / 100));
    LoadMapText(map);
    EXPECT_EQ(WallCount, 249);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 252: a map holds at most 249 walls");
    for (int i = 1; i < WallCount; ++i)
        EXPECT_LE(Walls[static_cast<std::size_t>(i)].Texture, Walls[static_cast<std::size_t>(i + 1)].Texture);
    int drawn = 0;
    for (int b = 1; b <= WallBatchCount; ++b)
        drawn += WallBatchVertexCounts[static_cast<std::size_t>(b)];
    EXPECT_EQ(drawn, 249 * 6);
}

TEST_F(SurfacesTest, TooManyWallBatchesWhileReadingAreRefusedLeavingRoomForTheClosingWall)
{
    std::string map = Textures();
    for (int i = 0; i < 120; ++i)
        map += WallLine(0, static_cast<float>(i), 10, static_cast<float>(i), 1 + i % 2);
    LoadMapText(map);
    // 99 changes of texture fit; the closing wall's change takes the hundredth batch.
    EXPECT_EQ(WallCount, 100);
    EXPECT_THAT(Log().back(), ::testing::HasSubstr("change texture too often"));
    EXPECT_EQ(WallBatchCount, 2);
}

TEST_F(SurfacesTest, AWallThatDoesNotFitChangesNothing)
{
    ClearWalls();
    for (int i = 0; i < 83; ++i)
        AddWall(0, 0, 1, 0, 0, -20, 1, 1, 1, 0, 0);
    const Vertex before = WallVertices[498];
    EXPECT_THROW(AddWall(5, 5, 6, 5, 0, -20, 1, 1, 1, 0, 0), CapacityError);
    EXPECT_EQ(WallCount, 83);
    EXPECT_EQ(NextWallVertex, 499);
    EXPECT_EQ(WallVertices[498].x, before.x);
}

TEST_F(SurfacesTest, FloorsBatchConsecutiveRunsOfOneTexture)
{
    LoadMapText(Textures() + FloorLine(0, 1) + FloorLine(20, 1) + FloorLine(40, 2));
    EXPECT_EQ(FloorCount, 3);
    ASSERT_EQ(FloorBatchCount, 2);
    EXPECT_EQ(FloorBatchVertexCounts[1], 6);
    EXPECT_EQ(FloorBatchTextures[1], 1);
    EXPECT_EQ(FloorBatchVertexCounts[2], 3);
    EXPECT_EQ(FloorBatchTextures[2], 2);

    LoadMapText(Textures() + FloorLine(0, 1) + FloorLine(20, 2) + FloorLine(40, 1));
    ASSERT_EQ(FloorBatchCount, 3);
    EXPECT_EQ(FloorBatchTextures[1], 1);
    EXPECT_EQ(FloorBatchTextures[2], 2);
    EXPECT_EQ(FloorBatchTextures[3], 1);
    graphics->Draws.clear();
    DrawFloors();
    ASSERT_EQ(graphics->Draws.size(), 3u);
    EXPECT_EQ(graphics->Draws[2].Vertices[0].x, 40.0f);
    EXPECT_EQ(graphics->Draws[2].Texture, "one.png");
}

TEST_F(SurfacesTest, AFirstFloorOfAnotherTextureClosesAnEmptyFirstBatch)
{
    LoadMapText(Textures() + FloorLine(0, 3) + FloorLine(20, 0));
    ASSERT_EQ(FloorBatchCount, 3);
    EXPECT_EQ(FloorBatchBuffers[1], nullptr);
    EXPECT_EQ(FloorBatchVertexCounts[1], 0);
    EXPECT_EQ(FloorBatchTextures[1], 1);
    EXPECT_EQ(FloorBatchTextures[2], 3);
    EXPECT_EQ(FloorBatchTextures[3], 0);
    graphics->Draws.clear();
    DrawFloors();
    ASSERT_EQ(graphics->Draws.size(), 2u);
    EXPECT_EQ(graphics->Draws[0].Texture, ""); // entry 3 was never loaded
    EXPECT_EQ(graphics->Draws[1].Texture, "one.png"); // texture 0 draws as 1
}

TEST_F(SurfacesTest, FloorsStageTheirCornersAsFirstThirdSecondAndFaceByWinding)
{
    ClearFloors();
    AddFloor(0, 0, 10, 0, 0, 10, 5, 1, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f);
    const Vertex* v = &FloorVertices[1];
    EXPECT_EQ(v[0].x, 0.0f);
    EXPECT_EQ(v[0].y, 0.0f);
    EXPECT_EQ(v[1].x, 0.0f);
    EXPECT_EQ(v[1].y, 10.0f);
    EXPECT_EQ(v[1].tu, 0.5f);
    EXPECT_EQ(v[2].x, 10.0f);
    EXPECT_EQ(v[2].tv, 0.4f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(v[i].z, 5.0f);
        EXPECT_EQ(v[i].nz, -1.0f); // facing up
    }
    AddFloor(0, 0, 0, 10, 10, 0, 5, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(FloorVertices[4].nz, 1.0f);
    EXPECT_EQ(Floors[2].Y2, 10.0f);
    EXPECT_EQ(Floors[2].X3, 10.0f);
    EXPECT_EQ(NextFloorVertex, 7);
}

TEST_F(SurfacesTest, FloorCapacitiesRefuseTheEntryThatDoesNotFit)
{
    std::string map = Textures();
    for (int i = 0; i < 167; ++i)
        map += FloorLine(static_cast<float>(i * 20), 1);
    LoadMapText(map);
    EXPECT_EQ(FloorCount, 166);
    EXPECT_EQ(FloorBatchVertexCounts[1], 498);
    EXPECT_THAT(Log().back(), ::testing::HasSubstr("line 169: more than 166 floors of one texture in a row"));

    map = Textures();
    for (int i = 0; i < 500; ++i)
        map += FloorLine(static_cast<float>(i * 20), 1 + i / 150);
    LoadMapText(map);
    EXPECT_EQ(FloorCount, 499);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 502: a map holds at most 499 floors");
    int staged = 0;
    for (int b = 1; b <= FloorBatchCount; ++b)
        staged += FloorBatchVertexCounts[static_cast<std::size_t>(b)];
    EXPECT_EQ(staged, 499 * 3);
}

} // namespace

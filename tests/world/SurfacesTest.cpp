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
using ::testing::HasSubstr;

namespace {

std::string WallLine(int y, int texture)
{
    return "WALL,0," + std::to_string(y) + ",10," + std::to_string(y) + ",0,-20,1,1," + std::to_string(texture) + ",0,0\r\n";
}

std::string FloorLine(int x, int texture)
{
    std::ostringstream line;
    line << "FLOOR," << x << ",0," << x + 10 << ",0," << x << ",10,0," << texture << ",0,0,1,0,0,1\r\n";
    return line.str();
}

// Batches 1 to count as "texture:vertices".
template <typename Textures, typename Counts>
std::vector<std::string> Batches(int count, const Textures& textures, const Counts& vertices)
{
    std::vector<std::string> batches;
    for (std::size_t b = 1; b <= static_cast<std::size_t>(count); ++b)
        batches.push_back(std::to_string(textures[b]) + ":" + std::to_string(vertices[b]));
    return batches;
}

class SurfacesTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        MakeTexture("one.png");
        MakeTexture("two.png");
    }
    void Load(const std::string& entries) { LoadMapText("TEXTURE,1,one.png\r\nTEXTURE,2,two.png\r\n" + entries); }
    // The draw calls of one drawing function as "texture:triangles".
    std::vector<std::string> Drawn(void (*draw)())
    {
        graphics->Draws.clear();
        draw();
        std::vector<std::string> drawn;
        for (const ScriptedDraw& d : graphics->Draws)
            drawn.push_back(d.Texture + ":" + std::to_string(d.PrimitiveCount));
        return drawn;
    }
};

TEST_F(SurfacesTest, WallsRegroupByTextureKeepingFileOrderWithOneBatchEach)
{
    // Textures outside the table draw with texture 1.
    Load(WallLine(0, 2) + WallLine(5, 1) + WallLine(9, 2) + WallLine(7, 0) + WallLine(8, 150));
    ASSERT_EQ(WallCount, 5);
    std::vector<std::string> walls;
    for (int i = 1; i <= WallCount; ++i)
        walls.push_back(std::to_string(Walls[static_cast<std::size_t>(i)].Texture) + "@" +
                        std::to_string(static_cast<int>(Walls[static_cast<std::size_t>(i)].Y1)));
    EXPECT_THAT(walls, ElementsAre("0@7", "1@5", "2@0", "2@9", "150@8"));
    EXPECT_EQ(Walls[11].Texture, -1) << "the copies and the closing wall lie above the count";
    EXPECT_THAT(Batches(WallBatchCount, WallBatchTextures, WallBatchVertexCounts),
                ElementsAre("0:6", "1:6", "2:12", "150:6"));
    journal->clear();
    EXPECT_THAT(Drawn(&DrawWalls), ElementsAre("one.png:2", "one.png:2", "two.png:4", "one.png:2"));
    EXPECT_EQ(graphics->Draws[2].Vertices[6].y, 9.0f);
    EXPECT_THAT(std::vector<std::string>(journal->begin(), journal->begin() + 2), ElementsAre("SetMaterial", "SetTransform(256)"));
}

TEST_F(SurfacesTest, AWallStagesTwoTrianglesWithItsTextureSpanAndOneNormal)
{
    ClearWalls();
    AddWall(0, 10, 10, 10, 0, -20, 2, 0.5f, 1, 0.25f, 0.125f);
    const float expected[6][5] = {{0, 10, 0, 0.25f, 0.125f},  {10, 10, -20, 2.25f, 0.625f}, {10, 10, 0, 2.25f, 0.125f},
                                  {10, 10, -20, 2.25f, 0.625f}, {0, 10, 0, 0.25f, 0.125f},  {0, 10, -20, 0.25f, 0.625f}};
    for (std::size_t i = 0; i < 6; ++i) {
        const Vertex& v = WallVertices[1 + i];
        EXPECT_EQ(std::tuple(v.x, v.y, v.z, v.tu, v.tv),
                  std::tuple(expected[i][0], expected[i][1], expected[i][2], expected[i][3], expected[i][4]))
            << i;
        // sign(Z2 - Z1) x (-dy, dx, 0) / length with Z2 < Z1: (0, -1, 0), facing y < 10.
        EXPECT_EQ(std::tuple(v.nx, v.ny, v.nz), std::tuple(0.0f, -1.0f, 0.0f)) << i;
    }
    AddWall(0, 10, 10, 10, -20, 0, 1, 1, 1, 0, 0);
    EXPECT_EQ(WallVertices[7].ny, 1.0f);
    EXPECT_EQ(WallVertices[12].ny, 1.0f);
    EXPECT_EQ(StagedWallVertexCount, 12);
    EXPECT_EQ(Walls[2].Z1, -20.0f);
}

TEST_F(SurfacesTest, SurfacesOfTextureMinusOneAreClosedAndDrawnLikeOthers)
{
    // -1 is also the texture of the surfaces that close the batches: walls and floors that use
    // it themselves are closed with another and drawn, with texture one as other slots outside the table.
    Load(WallLine(0, -2) + WallLine(5, -1) + FloorLine(0, -1));
    EXPECT_THAT(Drawn(DrawWalls), ElementsAre("one.png:2", "one.png:2"));
    EXPECT_THAT(Drawn(DrawFloors), ElementsAre("one.png:1"));
}

TEST_F(SurfacesTest, AMapWithoutWallsOrFloorsDrawsNothingAndStillClosesTheStores)
{
    Load("");
    EXPECT_EQ(std::tuple(WallCount, WallBatchCount, FloorCount), std::tuple(0, 0, 0));
    // The closing records lie just above the counts.
    EXPECT_EQ(std::tuple(Walls[1].Texture, Floors[1].Texture), std::tuple(-1, -1));
    // The closing floor closes the empty first batch: it has no buffer and is skipped.
    EXPECT_EQ(FloorBatchCount, 1);
    EXPECT_EQ(FloorBatchBuffers[1], nullptr);
    EXPECT_TRUE(Drawn(&DrawWalls).empty());
    EXPECT_TRUE(Drawn(&DrawFloors).empty());
}

TEST_F(SurfacesTest, WallCapacitiesRefuseTheEntryThatDoesNotFitAndChangeNothing)
{
    std::string map;
    for (int i = 0; i < 84; ++i)
        map += WallLine(i, 1);
    Load(map);
    EXPECT_EQ(WallCount, 83);
    EXPECT_THAT(Batches(WallBatchCount, WallBatchTextures, WallBatchVertexCounts), ElementsAre("1:498"));
    EXPECT_EQ(Log().back(), "Map reading stopped at line 86: more than 83 walls use texture 1");

    // 249 walls fit, in runs of alternating textures; the 250th is refused.
    map.clear();
    for (int i = 0; i < 250; ++i)
        map += WallLine(i, 1 + (i / 50) % 2 + 2 * (i / 100));
    Load(map);
    EXPECT_EQ(WallCount, 249);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 252: a map holds at most 249 walls");
    EXPECT_THAT(Batches(WallBatchCount, WallBatchTextures, WallBatchVertexCounts),
                ElementsAre("1:300", "2:300", "3:300", "4:300", "5:294"));

    // 99 changes of texture fit while reading; the closing wall's change takes the hundredth batch.
    map.clear();
    for (int i = 0; i < 120; ++i)
        map += WallLine(i, 1 + i % 2);
    Load(map);
    EXPECT_EQ(WallCount, 100);
    EXPECT_THAT(Log().back(), HasSubstr("line 103: the walls change texture too often"));
    EXPECT_EQ(WallBatchCount, 2);

    ClearWalls();
    WallCount = 0;
    for (int i = 0; i < 83; ++i)
        AddWall(0, 0, 1, 0, 0, -20, 1, 1, 1, 0, 0);
    const Vertex before = WallVertices[498];
    EXPECT_THROW(AddWall(5, 5, 6, 5, 0, -20, 1, 1, 1, 0, 0), CapacityError);
    EXPECT_EQ(std::tuple(WallCount, NextWallVertex, WallVertices[498].x), std::tuple(83, 499, before.x));
}

TEST_F(SurfacesTest, FloorsBatchConsecutiveRunsOfOneTexture)
{
    Load(FloorLine(0, 1) + FloorLine(20, 1) + FloorLine(40, 2));
    EXPECT_EQ(FloorCount, 3);
    EXPECT_THAT(Batches(FloorBatchCount, FloorBatchTextures, FloorBatchVertexCounts), ElementsAre("1:6", "2:3"));
    Load(FloorLine(0, 1) + FloorLine(20, 2) + FloorLine(40, 1));
    EXPECT_THAT(Batches(FloorBatchCount, FloorBatchTextures, FloorBatchVertexCounts), ElementsAre("1:3", "2:3", "1:3"));
    EXPECT_THAT(Drawn(&DrawFloors), ElementsAre("one.png:1", "two.png:1", "one.png:1"));
    EXPECT_EQ(graphics->Draws[2].Vertices[0].x, 40.0f);

    // A first floor of another texture closes an empty first batch; 3 was never loaded, the last
    // slot 100 draws its own texture, and 0 and 101 draw as 1.
    Load("TEXTURE,100,two.png\r\n" + FloorLine(0, 3) + FloorLine(20, 0) + FloorLine(40, 100) + FloorLine(60, 101));
    EXPECT_THAT(Batches(FloorBatchCount, FloorBatchTextures, FloorBatchVertexCounts),
                ElementsAre("1:0", "3:3", "0:3", "100:3", "101:3"));
    EXPECT_EQ(FloorBatchBuffers[1], nullptr);
    EXPECT_THAT(Drawn(&DrawFloors), ElementsAre(":1", "one.png:1", "two.png:1", "one.png:1"));
}

TEST_F(SurfacesTest, FloorsStageTheirCornersAsFirstThirdSecondAndFaceByWinding)
{
    ClearFloors();
    AddFloor(0, 0, 10, 0, 0, 10, 5, 1, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f);
    const Vertex* v = &FloorVertices[1];
    EXPECT_EQ(std::tuple(v[0].x, v[0].y, v[0].tu, v[0].tv), std::tuple(0.0f, 0.0f, 0.1f, 0.2f));
    EXPECT_EQ(std::tuple(v[1].x, v[1].y, v[1].tu, v[1].tv), std::tuple(0.0f, 10.0f, 0.5f, 0.6f));
    EXPECT_EQ(std::tuple(v[2].x, v[2].y, v[2].tu, v[2].tv), std::tuple(10.0f, 0.0f, 0.3f, 0.4f));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::tuple(v[i].z, v[i].nx, v[i].ny, v[i].nz), std::tuple(5.0f, 0.0f, 0.0f, -1.0f)); // facing up
    AddFloor(0, 0, 0, 10, 10, 0, 5, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(FloorVertices[4].nz, 1.0f);
    EXPECT_EQ(std::tuple(Floors[2].Y2, Floors[2].X3), std::tuple(10.0f, 10.0f));
    EXPECT_EQ(NextFloorVertex, 7);
}

TEST_F(SurfacesTest, FloorCapacitiesRefuseTheEntryThatDoesNotFit)
{
    std::string map;
    for (int i = 0; i < 167; ++i)
        map += FloorLine(i * 20, 1);
    Load(map);
    EXPECT_EQ(FloorCount, 166);
    EXPECT_EQ(FloorBatchVertexCounts[1], 498);
    EXPECT_THAT(Log().back(), HasSubstr("line 169: more than 166 floors of one texture in a row"));

    // 99 changes of texture fit while reading; the closing floor's change takes the hundredth batch.
    map.clear();
    for (int i = 0; i < 120; ++i)
        map += FloorLine(i * 20, 2 - i % 2);
    Load(map);
    EXPECT_EQ(std::tuple(FloorCount, FloorBatchCount), std::tuple(99, 100));
    EXPECT_THAT(Log().back(), HasSubstr("line 102: the floors change texture too often"));

    map.clear();
    for (int i = 0; i < 500; ++i)
        map += FloorLine(i * 20, 1 + i / 150);
    Load(map);
    EXPECT_EQ(FloorCount, 499);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 502: a map holds at most 499 floors");
    EXPECT_THAT(Batches(FloorBatchCount, FloorBatchTextures, FloorBatchVertexCounts),
                ElementsAre("1:450", "2:450", "3:450", "4:147"));
}

} // namespace

#include "tests/support/WorldFixture.h"

#include "world/WorldErrors.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

using namespace mdlWalls;
using namespace mdlFloors;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class MapLoaderTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        MakeTexture("brick.png");
        MakeTexture("my, stone.png");
    }
};

const char* const Sample = "TEXTURE,1,brick.png\r\n"
                           "WALL,0,0,10,0,0,-20,1,1,1,0,0\r\n"
                           "FLOOR,0,0,10,0,0,10,0,1,0,0,1,0,0,1\r\n"
                           "ENTITY,PLAYERSPAWN,1,2,3\r\n";

TEST_F(MapLoaderTest, KeywordsInAnyCaseLoadTheSameWorld)
{
    LoadMapText("texture,1,brick.png\r\nWall,0,0,10,0,0,-20,1,1,1,0,0\r\nfLoOr,0,0,10,0,0,10,0,1,0,0,1,0,0,1\r\n"
                "entity,playerspawn,1,2,3\r\n");
    EXPECT_EQ(WallCount, 1);
    EXPECT_EQ(FloorCount, 1);
    EXPECT_EQ(mdlEntities::EntityCount, 1);
    EXPECT_EQ(mdlEntities::Entities[1].Name, "PLAYERSPAWN");
    EXPECT_NE(mdlTextures::Textures[1], nullptr);
    EXPECT_EQ(mdlTextures::TextureNames[1], "brick.png");
    EXPECT_THAT(Log(), ElementsAre("Loading texture from file " + (folder / "Textures/brick.png")));
}

TEST_F(MapLoaderTest, StrayFieldsAndBlankLinesAreIgnoredAndEntriesAreCountedByFields)
{
    LoadMapText("hello\r\n\r\nstray,1,2\r\nWALL,0,0,10,0\r\n0,-20,1,1,1,0,0\r\n"
                "WALL,0,5,10,5,0,-20,1,1,1,0,0,WALL,0,9,10,9,0,-20,1,1,1,0,0\n"
                "   FLOOR , 0 , 0 ,10,0,0,10,0,1,0,0,1,0,0,1\r\n");
    ASSERT_EQ(WallCount, 3);
    EXPECT_EQ(Walls[1].Z1, 0.0f);
    EXPECT_EQ(Walls[1].Z2, -20.0f);
    EXPECT_EQ(Walls[3].Y1, 9.0f);
    EXPECT_EQ(FloorCount, 1);
    EXPECT_EQ(Floors[1].X2, 10.0f);
    EXPECT_TRUE(Log().empty());
}

TEST_F(MapLoaderTest, QuotedTextKeepsCommasAndBlanks)
{
    LoadMapText("TEXTURE,2,\"my, stone.png\"\r\nENTITY,\"Player, spawn\",1,2,3\r\n");
    EXPECT_EQ(mdlTextures::TextureNames[2], "my, stone.png");
    EXPECT_EQ(mdlEntities::Entities[1].Name, "PLAYER, SPAWN");
    EXPECT_EQ(mdlEntities::Entities[1].Colour, 0);
}

TEST_F(MapLoaderTest, NumbersAreDecimalsWithAPointAndOtherTextReadsAsZero)
{
    LoadMapText("WALL,1.5,-2.25,abc,,1e1,-20,+1,1,2.5,0.1,0\r\n");
    ASSERT_EQ(WallCount, 1);
    EXPECT_EQ(Walls[1].X1, 1.5f);
    EXPECT_EQ(Walls[1].Y1, -2.25f);
    EXPECT_EQ(Walls[1].X2, 0.0f);
    EXPECT_EQ(Walls[1].Y2, 0.0f);
    EXPECT_EQ(Walls[1].Z1, 10.0f);
    EXPECT_EQ(Walls[1].TUSpan, 1.0f);
    EXPECT_EQ(Walls[1].TUOffset, 0.1f);
    EXPECT_EQ(Walls[1].Texture, 2); // halves go to the even neighbour
}

TEST_F(MapLoaderTest, AnEmptyFileLoadsNothingAndStillClosesTheStores)
{
    LoadMapText("");
    EXPECT_EQ(WallCount, 0);
    EXPECT_EQ(FloorCount, 0);
    EXPECT_EQ(mdlEntities::EntityCount, 0);
    for (int i = 1; i <= 100; ++i)
        EXPECT_EQ(mdlTextures::Textures[static_cast<std::size_t>(i)], nullptr);
    EXPECT_TRUE(Log().empty());
    // The closing records lie just above the counts.
    EXPECT_EQ(Walls[1].Texture, -1);
    EXPECT_EQ(Floors[1].Texture, -1);
}

TEST_F(MapLoaderTest, ACutOffLastEntryIsDroppedWholeAndReported)
{
    LoadMapText(std::string(Sample) + "WALL,0,9,10,9\r\n0");
    EXPECT_EQ(WallCount, 1);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 6: the file ends inside a WALL entry (5 of 11 fields)");
}

TEST_F(MapLoaderTest, ATextureNumberOutsideTheTableEndsTheReadingThere)
{
    for (const char* number : {"0", "101"}) {
        LoadMapText(std::string("WALL,0,0,10,0,0,-20,1,1,1,0,0\r\nTEXTURE,") + number +
                    ",brick.png\r\nWALL,0,5,10,5,0,-20,1,1,1,0,0\r\n");
        EXPECT_EQ(WallCount, 1) << number;
        EXPECT_EQ(Log().back(), "Map reading stopped at line 2: texture number " + std::string(number) +
                                    " is outside 1 to 100");
        EXPECT_THAT(*journal, ::testing::Not(Contains("CreateTextureFromFile(brick.png)")));
        DirectX_Framework::ClearLog();
    }
}

TEST_F(MapLoaderTest, NumbersThatAreNotFiniteOrTooLargeEndTheReading)
{
    for (const char* bad : {"nan", "inf", "-Infinity", "1e999", "3.5e38"}) {
        LoadMapText(std::string("FLOOR,0,0,10,0,0,10,0,1,0,0,1,0,0,1\r\nFLOOR,0,0,10,0,0,10,\r\n") + bad +
                    ",1,0,0,1,0,0,1\r\n");
        EXPECT_EQ(FloorCount, 1) << bad;
        EXPECT_THAT(Log().back(), HasSubstr("Map reading stopped at line 3: ")) << bad;
        DirectX_Framework::ClearLog();
    }
    LoadMapText("WALL,0,0,10,0,0,-20,1,1,99999999999,0,0\r\n");
    EXPECT_EQ(WallCount, 0);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 1: the whole number 99999999999 is out of range");
}

TEST_F(MapLoaderTest, AnUnterminatedQuoteOrAHugeFieldEndsTheReading)
{
    LoadMapText(std::string(Sample) + "ENTITY,\"spawn,1,2,3\r\n");
    EXPECT_EQ(mdlEntities::EntityCount, 1);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 5: a quoted text has no closing quote on its line");

    LoadMapText(std::string(Sample) + std::string(100000, 'x') + "\r\n" + Sample);
    EXPECT_EQ(WallCount, 1);
    EXPECT_THAT(Log().back(), HasSubstr("longer than 65536 characters"));
}

TEST_F(MapLoaderTest, ASixthEntityIsRefusedAndTheRestOfTheMapIsIgnored)
{
    std::string map;
    for (int i = 1; i <= 6; ++i)
        map += "ENTITY,thing" + std::to_string(i) + "," + std::to_string(i) + ",0,0\r\n";
    LoadMapText(map + "WALL,0,0,10,0,0,-20,1,1,1,0,0\r\n");
    EXPECT_EQ(mdlEntities::EntityCount, 5);
    EXPECT_EQ(mdlEntities::Entities[5].Name, "THING5");
    EXPECT_EQ(WallCount, 0);
    EXPECT_EQ(Log().back(), "Map reading stopped at line 6: the entity table is full (5 entities)");
}

TEST_F(MapLoaderTest, AMissingFileIsAnErrorNamingItsPath)
{
    const std::string path = folder / "nothere.dnmap";
    try {
        mdlMap::LoadMap(path);
        FAIL() << "no error raised";
    } catch (const MapFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr(path));
    }
    EXPECT_EQ(WallBatchCount, 0);
}

TEST_F(MapLoaderTest, ABinaryFileEndsInOrder)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk.push_back(static_cast<char>((i * 7919 + 13) % 256));
    LoadMapText(std::string(Sample) + junk);
    EXPECT_EQ(WallCount, 1);
    EXPECT_EQ(FloorCount, 1);
}

TEST_F(MapLoaderTest, AMissingTextureFileEndsTheProgram)
{
    EXPECT_EQ(RunToExit([&] { LoadMapText("TEXTURE,4,nothere.png\r\n"); }), 1);
    EXPECT_THAT(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")), Contains("Error loading texture - Quitting."));
}

} // namespace

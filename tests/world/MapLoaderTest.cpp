#include "tests/support/WorldFixture.h"

#include "world/World.h"
#include "world/WorldErrors.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <gmock/gmock.h>

#include <functional>
#include <new>

using namespace mdlWalls;
using namespace mdlFloors;
using ::testing::Contains;
using ::testing::Each;
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
    // Every live wall and floor sits in a closed batch: the completion steps ran.
    void ExpectBatchesClosed()
    {
        int walls = 0;
        for (int b = 1; b <= WallBatchCount; ++b)
            walls += WallBatchVertexCounts[static_cast<std::size_t>(b)];
        EXPECT_EQ(walls, 6 * WallCount);
        int floors = 0;
        for (int b = 1; b <= FloorBatchCount; ++b)
            floors += FloorBatchVertexCounts[static_cast<std::size_t>(b)];
        EXPECT_EQ(floors, 3 * FloorCount);
    }
};

const char* const Sample = "TEXTURE,1,brick.png\r\n"
                           "WALL,0,0,10,0,0,-20,1,1,1,0,0\r\n"
                           "FLOOR,0,0,10,0,0,10,0,1,0,0,1,0,0,1\r\n"
                           "ENTITY,PLAYERSPAWN,1,2,3\r\n";
const std::string Wall = "WALL,0,5,10,5,0,-20,1,1,1,0,0\r\n";

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
    // A field too long to keep (65537 characters; 65536 fit) is one more stray field; an entry
    // holding one is ignored. Reading goes on after both.
    LoadMapText("hello\r\n\r\nstray,1,2\r\n" + std::string(200000, 'x') + ",\"" + std::string(70000, 'y') +
                "\"\r\nWALL,0,0,10,0\r\n0,-20,1,1,1,0,0\r\nTEXTURE,1,\"" + std::string(65537, 'a') + "\"\r\nWALL,0,0," +
                std::string(70000, '7') + ",0,0,0,-20,1,1,1,0,0\r\n"
                "WALL,0,5,10,5,0,-20,1,1,1,0,0,WALL,0,9,10,9,0,-20,1,1,1,0,0\n"
                "   FLOOR , 0 , 0 ,10,0,0,10,0,1,0,0,1,0,0,1\r\nENTITY," + std::string(65536, 'n') + ",1,2,3\r\n");
    ASSERT_EQ(WallCount, 3);
    EXPECT_EQ(Walls[1].Z1, 0.0f);
    EXPECT_EQ(Walls[1].Z2, -20.0f);
    EXPECT_EQ(Walls[3].Y1, 9.0f);
    EXPECT_EQ(FloorCount, 1);
    EXPECT_EQ(Floors[1].X2, 10.0f);
    EXPECT_EQ(mdlTextures::Textures[1], nullptr);
    EXPECT_EQ(mdlEntities::Entities[1].Name.size(), 65536u);
    EXPECT_THAT(Log(), ElementsAre("Map entry ignored at line 7: a TEXTURE field is longer than 65536 characters",
                                   "Map entry ignored at line 8: a WALL field is longer than 65536 characters"));
}

TEST_F(MapLoaderTest, QuotedTextKeepsCommasBlanksAndLineEnds)
{
    LoadMapText("TEXTURE,2,\"my, stone.png\"\r\nENTITY,\"Player, spawn\",1,2,3\r\n"
                "ENTITY,\"two\r\nlines\nand\rthree\",1,2,3\r\nTEXTURE,0,brick.png\r\n");
    EXPECT_EQ(mdlTextures::TextureNames[2], "my, stone.png");
    EXPECT_EQ(mdlEntities::Entities[1].Name, "PLAYER, SPAWN");
    EXPECT_EQ(mdlEntities::Entities[1].Colour, 0);
    EXPECT_EQ(mdlEntities::Entities[2].Name, "TWO\r\nLINES\nAND\rTHREE");
    // Lines go on being counted inside the quotes.
    EXPECT_THAT(Log().back(), HasSubstr("stopped at line 7: "));
}

TEST_F(MapLoaderTest, TextureFilesNamesTheMapsTexturesInOrderAsFarAsItsFieldsCanBeRead)
{
    const std::string path = folder / "names.dnmap";
    WriteWholeFile(path, "texture,2,\"my, stone.png\"\r\nWALL,0,0,10,0,0,-20,1,1,1,0,0,TEXTURE,1,brick.png\r\n"
                         "ENTITY,TEXTURE,1,2,3\r\nTEXTURE,1,\"" + std::string(70000, 'a') + "\"\r\nTEXTURE,3,\"cut off");
    EXPECT_THAT(mdlMap::TextureFiles(path), ElementsAre("my, stone.png", "brick.png"));
    EXPECT_THAT(mdlMap::TextureFiles(folder / "missing.dnmap"), ElementsAre());
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

TEST_F(MapLoaderTest, ReadingStopsAtTheFirstEntryThatCannotBeReadOrDoesNotFit)
{
    std::string sixEntities;
    for (int i = 1; i <= 6; ++i)
        sixEntities += "ENTITY,thing" + std::to_string(i) + "," + std::to_string(i) + ",0,0\r\n";
    struct Case {
        std::string Map;
        int Walls;
        std::string Stop; // the log's last line
    };
    const Case cases[] = {
        {std::string(Sample) + "WALL,0,9,10,9\r\n0", 1,
         "Map reading stopped at line 5: the file ends inside a WALL entry (5 of 11 fields)"},
        {Wall + "TEXTURE,100,\"my, stone.png\"\r\nTEXTURE,101,brick.png\r\n" + Wall, 1, // the last slot, one past
         "Map reading stopped at line 3: texture number 101 is outside 1 to 100"},
        {Wall + "WALL,0,0,10,0,\r\n-Infinity,-20,1,1,1,0,0\r\n", 1,
         "Map reading stopped at line 3: \"-Infinity\" is not a finite number"},
        {Wall + "WALL,0,0,10,0,\r\n1e999,-20,1,1,1,0,0\r\n", 1, "Map reading stopped at line 3: the number 1e999 is too large"},
        {Wall + "WALL,0,0,10,0,\r\n3.5e38,-20,1,1,1,0,0\r\n", 1,
         "Map reading stopped at line 3: the number 3.5e38 is too large for a 32-bit float"},
        {Wall + "WALL,0,0,10,0,0,-20,1,1,99999999999,0,0\r\n", 1,
         "Map reading stopped at line 2: the whole number 99999999999 is out of range"},
        {sixEntities + Wall, 0, "Map reading stopped at line 6: the entity table is full (5 entities)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Map);
        ResetWorldState();
        DirectX_Framework::ClearLog();
        journal->clear();
        LoadMapText(c.Map);
        EXPECT_EQ(WallCount, c.Walls);
        ASSERT_FALSE(Log().empty());
        EXPECT_EQ(Log().back(), c.Stop);
        ExpectBatchesClosed();
        if (c.Stop.find("texture number") != std::string::npos) { // refused before any file is touched
            EXPECT_THAT(*journal, ::testing::Not(Contains("CreateTextureFromFile(brick.png)")));
        }
    }
}

// Errors that no store raises today (a failed allocation, anything not derived from
// std::exception) still end the reading in order.
TEST_F(MapLoaderTest, AnyErrorEndsTheReadingAndTheCompletionStillRuns)
{
    struct Thrower : mdlMap::MapObserver {
        std::function<void()> Throw;
        void Stored(mdlMap::EntryKind, int index, const MapField&, const std::vector<MapField>&) override
        {
            if (index == 2)
                Throw();
        }
    };
    const std::pair<std::function<void()>, std::string> errors[] = {
        {[] { throw std::bad_alloc(); }, "std::bad_alloc"},
        {[] { throw 42; }, "an unexpected error"},
    };
    for (const auto& [error, why] : errors) {
        SCOPED_TRACE(why);
        DirectX_Framework::ClearLog();
        WriteWholeFile(folder / "e1m1-double.dnmap", Wall + Wall + Wall);
        Thrower thrower;
        thrower.Throw = error;
        mdlMap::LoadMap(folder / "e1m1-double.dnmap", &thrower);
        EXPECT_EQ(WallCount, 2);
        EXPECT_THAT(Log(), ElementsAre("Map reading stopped at line 2: " + why));
        ExpectBatchesClosed();
    }
}

TEST_F(MapLoaderTest, AMissingFileOrAFolderIsAnErrorNamingItsPath)
{
    for (const std::string& path : {folder / "nothere.dnmap", folder / "Textures"}) {
        try {
            mdlMap::LoadMap(path);
            ADD_FAILURE() << "no error raised for " << path;
        } catch (const MapFileError& error) {
            EXPECT_THAT(error.what(), HasSubstr(path));
        }
    }
    EXPECT_EQ(WallBatchCount, 0);
}

TEST_F(MapLoaderTest, AMissingTextureFileEndsTheProgram)
{
    EXPECT_EQ(RunToExit([&] { LoadMapText("TEXTURE,4,nothere.png\r\n"); }), 1);
    EXPECT_THAT(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")), Contains("Error loading texture - Quitting."));
}

// Loading another map while playing starts from the world reset: every world store back to its
// start, the player where it was until it is reset too.
TEST_F(MapLoaderTest, TheWorldResetEmptiesEveryStoreAndKeepsThePlayer)
{
    const auto fresh = [] {
        return std::array{mdlTextures::State == mdlTextures::ModuleState{}, mdlWalls::State == mdlWalls::ModuleState{},
                          mdlFloors::State == mdlFloors::ModuleState{},
                          mdlEntities::State == mdlEntities::ModuleState{},
                          mdlSlipping::State == mdlSlipping::ModuleState{}};
    };
    LoadMapText(Sample);
    mdlEntities::SpawnPlayer();
    mdlSlipping::MoveY = 1; // a tick's move
    ASSERT_THAT(fresh(), Each(false));
    const PlayerRecord spawned = Player;
    ASSERT_NE(spawned, PlayerRecord{});

    ResetWorld();
    EXPECT_THAT(fresh(), Each(true));
    EXPECT_EQ(Player, spawned);

    ResetPlayer();
    EXPECT_EQ(Player, PlayerRecord{});
}

} // namespace

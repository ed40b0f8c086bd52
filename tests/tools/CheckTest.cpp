#include "tests/support/WorldFixture.h"

#include "tools/Check.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <sstream>

using ::testing::HasSubstr;

namespace {

class CheckTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        MakeTexture("Floor.png");
    }
    int Check(const std::string& path, bool quiet = false)
    {
        out.str("");
        err.str("");
        return Check::CheckMap(path, platform, *graphics, quiet, out, err);
    }
    std::ostringstream out;
    std::ostringstream err;
};

// Nothing to report in the square room; without its spawn entity, no spawn.
const std::string Clean = SquareRoomMap;
const std::string Floors = Clean.substr(0, Clean.find("ENTITY"));

TEST_F(CheckTest, EachFindingIsReportedAtItsPlace)
{
    struct Case {
        std::string Map;
        std::string Finding; // "LINE:COL: error|warning: text" (text a part of the message)
        int Exit;
    };
    std::string sixEntities = Clean;
    for (int i = 2; i <= 6; ++i)
        sixEntities += "ENTITY,thing,1,1,1\r\n";
    const Case cases[] = {
        {Clean + "TEXTURE,0,floor.png\r\n", "6:1: error: reading stops here: texture number 0 is outside 1 to 100", 1},
        {sixEntities, "10:1: error: reading stops here: the entity table is full", 1},
        {Clean + "WALL,0,0,nan,0,0,-20,1,1,1,0,0\r\n", "6:10: error: reading stops here: \"nan\" is not a finite", 1},
        {Clean + "WALL,0,0\r\n", "6:1: error: reading stops here: the file ends inside a WALL entry (2 of 11", 1},
        {Clean + "ENTITY,\"x,1,2,3\r\n", "6:8: error: reading stops here: a quoted text has no closing quote", 1},
        {Clean + "TEXTURE,2,\"gone.png\"\r\n", "6:11: error: no texture file \"gone.png\" under Textures/", 1},
        {Clean + "WALL,0," + std::string(70000, '7') + ",0,0,0,-20,1,1,1,0,0\r\n",
         "6:8: error: a field longer than 65536 characters: the game ignores the whole WALL entry", 1},
        {Floors, "1:1: error: no PLAYERSPAWN entity is loaded", 1},
        {Clean + "hello\r\n", "6:1: warning: \"hello\" is not a keyword", 0},
        {Clean + "WALL,-100,60,100,60,0,-40,1,1,1,abc,0\r\n", "6:33: warning: \"abc\" is not a number: it reads as 0", 0},
        {Clean + "WALL,-100,60,100,60,0,-40,1,1,1.4,0,0\r\n", "6:31: warning: the whole-number field \"1.4\" has a fraction", 0},
        {Clean + "WALL,5,5,5,5,0,-40,1,1,1,0,0\r\n", "6:1: warning: the wall's two ends coincide", 0},
        {Clean + "WALL,-100,60,100,60,0,0,1,1,1,0,0\r\n", "6:1: warning: the wall's two heights are equal", 0},
        {Clean + "FLOOR,0,0,10,10,20,20,0,1,0,0,1,0,1,1\r\n", "6:1: warning: the floor has no area", 0},
        {Clean + "WALL,-100,60,100,60,0,-40,1,1,7,0,0\r\n", "6:31: warning: texture slot 7 is filled by no TEXTURE", 0},
        {Clean + "TEXTURE,1,FLOOR.PNG\r\n", "6:9: warning: texture slot 1 is loaded again (first at line 1)", 0},
        {Clean + "ENTITY,PLAYERSPAWN,10,10,-10\r\n", "5:1: warning: this PLAYERSPAWN is not used: the last one, at line 6", 0},
        {Floors + "ENTITY,PLAYERSPAWN,500,0,-10\r\n", "5:1: warning: the spawn point is above no floor", 0},
        {Clean + "TEXTURE,2,floor.png\r\nFLOOR,-9,-9,9,-9,9,9,-50,2,0,0,1,0,1,1\r\nFLOOR,-9,-9,9,-9,9,9,-60,1,0,0,1,0,1,1\r\n",
         "8:1: warning: floors of texture 1 start another batch here (the first began at line 2)", 0},
        {Clean,
         ": 1 wall (248 left), 2 floors (497 left), 1 texture (99 left), 1 entity (4 left), 1 wall batch (99 "
         "left), 1 floor batch (99 left); at most 1 wall (82 left) of one texture, 2 floors (164 left) in one batch",
         0},
    };
    const std::string path = folder / "test.dnmap";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Finding);
        WriteWholeFile(path, c.Map);
        EXPECT_EQ(Check(path), c.Exit);
        EXPECT_THAT(out.str(), HasSubstr(path + (c.Finding[0] == ':' ? "" : ":") + c.Finding));
        const std::string reported = out.str();
        const bool summary = c.Exit == 0 && c.Finding[0] == ':'; // a clean map reports it and nothing else
        EXPECT_TRUE(!summary || std::count(reported.begin(), reported.end(), '\n') == 1);
    }

    WriteWholeFile(path, Clean + "hello\r\nTEXTURE,0,floor.png\r\n");
    EXPECT_EQ(Check(path, true), 1);
    EXPECT_EQ(out.str(), path + ":7:1: error: reading stops here: texture number 0 is outside 1 to 100; nothing "
                                "after this is loaded\n");
    EXPECT_EQ(Check(folder / "nothere.dnmap"), 2);
    EXPECT_THAT(err.str(), HasSubstr("cannot open the map file"));
}

// The shipped map gives no finding at all (nothing to explain in its level description).
TEST_F(CheckTest, TheShippedMapChecksClean)
{
    EXPECT_EQ(Check(std::string(DUNMERE_ASSETS_DIR) + "/e1m1-double.dnmap"), 0);
    const std::string reported = out.str();
    EXPECT_THAT(reported, HasSubstr("e1m1-double.dnmap: 170 walls"));
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1);
}

} // namespace

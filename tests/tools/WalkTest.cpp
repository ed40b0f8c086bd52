#include "tests/support/WorldFixture.h"

#include "game/Game.h"
#include "tools/Walk.h"

#include <gmock/gmock.h>

#include <sstream>

using ::testing::HasSubstr;

namespace {

class WalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DirectX_Framework::ResetState();
        ResetWorldState();
        ResetGame();
        WriteWholeFile(folder / "Textures/Floor.png", "image");
        WriteWholeFile(map, SquareRoomMap);
    }
    void TearDown() override
    {
        ResetWorldState();
        DirectX_Framework::ResetState();
        DirectX_Framework::DirectXFactory = nullptr;
        InstallPlatform(nullptr);
    }
    int Walk(const std::string& script)
    {
        std::istringstream in(script);
        out.str("");
        err.str("");
        return Walk::Run(map, in, out, err);
    }

    TempFolder folder;
    std::string map = folder / "test.dnmap";
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(WalkTest, TheScriptDrivesThePlayerThroughTheGamesOwnHandlers)
{
    ASSERT_EQ(Walk("print\n"
                   "down 38   # walk forward\n"
                   "\n"
                   "tick 10\n"
                   "up 38\n"
                   "print\n"
                   "tick 100\n"
                   "print\n"
                   "look 900 -1000\n"
                   "key r\n"
                   "look 0 25\n"
                   "key f\n"
                   "tick 1\n"
                   "print\n"),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "0 0 -15 0 0\n"
                         "0 10 -15 0 0\n"
                         "0 10 -15 0 0\n"
                         "0 10 -34 0 2.5\n");

    // Placed where a print left it, to the bit; the next tick settles onto the floor as usual.
    ASSERT_EQ(Walk("at 0.1 -7.25e-5 -30 -1e+30 89.5\nprint\ntick 1\nprint\n"), 0) << err.str();
    EXPECT_EQ(out.str(), "0.1 -7.25e-05 -30 -1e+30 89.5\n0.1 -7.25e-05 -29 -1e+30 89.5\n");
}

TEST_F(WalkTest, WallsAndTurnsShowInTheExactFloats)
{
    ASSERT_EQ(Walk("down 38\ntick 60\nprint\nup 38\ndown 39\ntick 45\nup 39\ndown 38\ntick 3\nlook 3 0\nprint\n"), 0)
        << err.str();
    // Held 3 units off the wall at y = 50, then turned to face +x and walked on.
    EXPECT_EQ(out.str(), "0 47 -15 0 0\n3 47 -15 90.3 0\n");

}

TEST_F(WalkTest, AScriptLineThatCannotBeParsedNamesItsLine)
{
    EXPECT_EQ(Walk("tick 1\nprint\njump now\nprint\n"), 2);
    EXPECT_THAT(err.str(), HasSubstr("line 3"));
    EXPECT_EQ(out.str(), "0 0 -15 0 0\n");
    for (const char* bad : {"tick -1", "down 65", "key ab", "look 1", "tick x", "print now", "at 1 2 3 4",
                            "at 1 2 3 4 nan", "at 1 2 3 4 1e39"})
        EXPECT_EQ(Walk(bad), 2) << bad;
}

TEST_F(WalkTest, AMapOrTextureThatCannotBeLoadedIsReported)
{
    map = folder / "missing.dnmap";
    EXPECT_EQ(Walk("print\n"), 1);
    EXPECT_THAT(err.str(), HasSubstr("missing.dnmap"));

    map = folder / "broken.dnmap";
    WriteWholeFile(map, "TEXTURE,1,nothere.png\r\n");
    EXPECT_EQ(Walk("print\n"), 1);
    EXPECT_THAT(err.str(), HasSubstr("nothere.png"));
    EXPECT_FALSE(std::filesystem::exists(folder / "Log.txt"));
}

TEST(ShortestFloat, ReadsBackAsTheSameFloat)
{
    EXPECT_EQ(Walk::ShortestFloat(0.1f), "0.1");
    EXPECT_EQ(Walk::ShortestFloat(-21.1015625f), "-21.101562");
    EXPECT_EQ(std::stof("-21.101562"), -21.1015625f);
    EXPECT_EQ(Walk::ShortestFloat(6.9e-10f), "6.9e-10");
    EXPECT_EQ(Walk::ShortestFloat(90.3f), "90.3");
}

} // namespace

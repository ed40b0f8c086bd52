#include "tests/game/GameFixture.h"

#include "game/frmMain.h"
#include "game/mdlVars.h"
#include "tools/PlaySession.h"
#include "tools/Reload.h"
#include "world/World.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>
#include <utility>

using ::testing::StartsWith;

namespace {

class PlayTest : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        MakeTexture("floor.png");
        LoadMapText(SquareRoomMap);
    }
    static std::vector<Walk::Command> Commands(const std::string& script)
    {
        std::istringstream in(script);
        Walk::ScriptReader reader(in);
        std::vector<Walk::Command> commands(1);
        while (reader.Next(commands.back()) == Walk::ScriptReader::Result::Read)
            commands.emplace_back();
        commands.pop_back();
        return commands;
    }
    // The player after the script, walked from the spawn as dunmere-tool walk walks it.
    PlayerRecord Walked(const std::string& script)
    {
        const PlayerRecord played = Player;
        ResetPlayer();
        mdlEntities::SpawnPlayer();
        std::ostringstream printed;
        for (const Walk::Command& command : Commands(script))
            Walk::Apply(command, printed);
        return std::exchange(Player, played);
    }
    std::string map = folder / "e1m1-double.dnmap";
};

TEST_F(PlayTest, TheRecordingHoldsThePassesInTheLoopsOrderAndWalksToWhereTheRunEnded)
{
    std::ostringstream recording;
    Play::Recorder recorder(recording);
    Play::Options options;
    options.MapPath = map;
    options.At = {{0, 0, -30, 10, 95}}; // a pitch beyond the limit: the first look holds it
    Play::Session session(options, &recorder, nullptr);
    session.TakeKeys(*window);
    mdlRender::State.Observer = &session;
    const WindowHandlers& keys = window->Handlers;
    RunLoop({20, 7, 40, 15}, [&](int pass) {
        platform.QueueEvent([&, pass] {
            if (pass == 1)
                keys.KeyDown(38, 0);
            if (pass == 2) {
                keys.KeyPress('f');
                keys.MouseMove(0, 0, 320 + 30, 240 - 4);
            }
            if (pass == 3) {
                keys.MouseMove(0, 0, 320, 240); // the pointer back where the look put it
                keys.KeyUp(38, 0);
                keys.KeyDown(112, 0); // F1 and a blank change nothing in the game
                keys.KeyPress(' ');
            }
            if (pass == 4)
                keys.KeyPress(27);
        });
    });
    mdlRender::State.Observer = nullptr;
    EXPECT_EQ(recording.str(), "at 0 0 -30 10 95\n"
                               "down 38\ntick 1\nlook 0 0\n"
                               "key f\ntick 1\nlook 30 -4\n"
                               "up 38\ntick 2\n"
                               "key esc\ntick 1\n");
    EXPECT_EQ(Walked(recording.str()), Player);

    recorder.End("the map was reloaded");
    recorder.Ticks(3);
    EXPECT_THAT(recording.str(), ::testing::EndsWith("tick 1\n# the map was reloaded\n"));
}

TEST_F(PlayTest, AReplayRunsTheScriptAtTheLoopsPaceThenHandsOver)
{
    mdlEntities::SpawnPlayer();
    const std::string script = "down 38\ntick 4\nlook 5 0\nkey esc\ntick 3\nkey f\nup 38\n";
    Play::Replay replay(Commands(script));
    for (const std::int32_t due : {0, 3, 2, 4}) {
        EXPECT_TRUE(replay.Playing());
        replay.Run(due);
    }
    EXPECT_FALSE(replay.Playing());
    EXPECT_FALSE(mdlVars::QuitRequested); // Escape in a script does not end the demo
    EXPECT_EQ(Player, Walked(script + "tick 2\n"));
}

TEST_F(PlayTest, AReloadKeepsThePlayerAndReplacesTheWorldOnlyWithOneThatLoadsCleanly)
{
    MakeTexture("brick.png");
    Player = PlayerRecord{30, 10, 5, 6, -7, 2, 1};
    const PlayerRecord player = Player;

    WriteWholeFile(map, std::string(SquareRoomMap) + "TEXTURE,2,brick.png\r\nWALL,-100,60,100,60,0,-40,1,1,2,0,0\r\n");
    frmMain::Form_KeyPress('b'); // textures off: they stay off
    Reload::Outcome outcome = Reload::LoadAgain(map);
    ASSERT_TRUE(outcome.Loaded) << ::testing::PrintToString(outcome.Errors);
    EXPECT_EQ(Player, player);
    EXPECT_EQ(mdlWalls::WallCount, 2);
    EXPECT_EQ(mdlTextures::TextureNames[2], "brick.png");
    EXPECT_EQ(mdlTextures::Textures[2], nullptr);
    const IDirect3DVertexBuffer8* buffer = mdlWalls::WallBatchBuffers[1].get();

    // A save cut in the middle of an entry, a texture missing, a texture that does not decode.
    graphics->FailingTextureFiles.insert("brick.png");
    const std::pair<std::string, std::string> bad[] = {
        {std::string(SquareRoomMap) + "WALL,-100,60,1", ":6:1: error: reading stops here"},
        {std::string(SquareRoomMap) + "TEXTURE,3,nothere.png\r\n", ":6:1: error: reading stops here"},
        {std::string(SquareRoomMap) + "TEXTURE,2,brick.png\r\n", ":6:1: error: reading stops here"},
        {"TEXTURE,1,floor.png\r\n", ":1:1: error: no PLAYERSPAWN"}};
    for (const auto& [text, error] : bad) {
        WriteWholeFile(map, text);
        outcome = Reload::LoadAgain(map);
        EXPECT_FALSE(outcome.Loaded) << text;
        ASSERT_FALSE(outcome.Errors.empty()) << text;
        EXPECT_THAT(outcome.Errors[0], StartsWith(map + error)) << text;
        EXPECT_EQ(Player, player);
        EXPECT_EQ(mdlWalls::WallCount, 2);
        EXPECT_EQ(mdlWalls::WallBatchBuffers[1].get(), buffer);
        EXPECT_EQ(mdlTextures::TextureNames[2], "brick.png");
    }
    EXPECT_FALSE(DirectX_Framework::TextureFailureRaises);
}

TEST_F(PlayTest, AReloadTakesOverTheTexturesWhoseFilesDidNotChangeAndReadsTheOthers)
{
    MakeTexture("brick.png");
    WriteWholeFile(map, std::string(SquareRoomMap) + "TEXTURE,2,brick.png\r\n");
    const Reload::Outcome shown = Reload::LoadAgain(map);
    ASSERT_TRUE(shown.Loaded);
    const TexturePtr floor = mdlTextures::Textures[1];
    const TexturePtr brick = mdlTextures::Textures[2];

    MakeTexture("new.png"); // saved by an editor that renames its new file over the old
    std::filesystem::rename(folder / "Textures/new.png", folder / "Textures/brick.png");
    const Reload::Outcome outcome = Reload::LoadAgain(map, shown.Files);
    ASSERT_TRUE(outcome.Loaded) << ::testing::PrintToString(outcome.Errors);
    EXPECT_EQ(outcome.TexturesRead, 1);
    EXPECT_EQ(mdlTextures::Textures[1], floor);
    EXPECT_NE(mdlTextures::Textures[2], brick);
    EXPECT_NE(mdlTextures::Textures[2], nullptr);
}

// Every table full: 249 walls and 499 floors, each in 100 runs of one texture, 100 textures, 5
// entities. Loaded twice: the second load replaces the first whole.
TEST_F(PlayTest, AMapAtEveryCapacityReloads)
{
    std::ostringstream text;
    for (int t = 1; t <= mdlTextures::MaxTextures; ++t) {
        MakeTexture(std::to_string(t) + ".png");
        text << "TEXTURE," << t << "," << t << ".png\n";
    }
    for (int i = 0; i < mdlWalls::MaxMapWalls; ++i)
        text << "WALL," << i << ",0," << i << ",1,0,-40,1,1," << 1 + i * 100 / mdlWalls::MaxMapWalls << ",0,0\n";
    for (int i = 0; i < mdlFloors::MaxMapFloors; ++i)
        text << "FLOOR,0,0,1," << i << ",0,1,0," << 1 + i * 100 / mdlFloors::MaxMapFloors << ",0,0,1,0,0,1\n";
    for (int e = 0; e < mdlEntities::MaxEntities; ++e)
        text << "ENTITY,PLAYERSPAWN,0," << e << ",-10\n";
    WriteWholeFile(map, text.str());
    for (int load = 0; load < 2; ++load) {
        const Reload::Outcome outcome = Reload::LoadAgain(map);
        ASSERT_TRUE(outcome.Loaded) << ::testing::PrintToString(outcome.Errors);
        EXPECT_EQ(mdlWalls::WallCount, mdlWalls::MaxMapWalls);
        EXPECT_EQ(mdlFloors::FloorCount, mdlFloors::MaxMapFloors);
        EXPECT_EQ(mdlEntities::EntityCount, mdlEntities::MaxEntities);
        EXPECT_NE(mdlTextures::Textures[mdlTextures::MaxTextures], nullptr);
        EXPECT_EQ(mdlWalls::WallBatchCount, mdlWalls::MaxWallBatches);
        EXPECT_EQ(mdlFloors::FloorBatchCount, mdlFloors::MaxFloorBatches);
    }
}

} // namespace

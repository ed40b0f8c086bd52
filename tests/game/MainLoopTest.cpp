#include "tests/game/GameFixture.h"

#include "game/frmMain.h"
#include "game/mdlInput.h"
#include "game/mdlRender.h"
#include "game/mdlVars.h"

#include <gmock/gmock.h>

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

class MainLoopTest : public GameTest {
protected:
    void QuitAtPass(int pass, int atPass)
    {
        if (pass == atPass)
            platform.QueueEvent([] { frmMain::Form_KeyPress(27); });
    }
    std::vector<std::string> ReadOuts() const
    {
        std::vector<std::string> texts;
        for (const std::string& text : graphics->Texts)
            texts.push_back(text.substr(0, text.find(" @")));
        return texts;
    }
};

TEST(TickAccounting, OnePassFromAFreshStartCountsRoundedTicks)
{
    const std::pair<std::uint32_t, int> cases[] = {{7, 0}, {8, 1}, {22, 1}, {23, 2}, {300, 20}, {0, 0}};
    for (const auto& [ms, ticks] : cases) {
        mdlRender::LastUpdateTick = 1000;
        EXPECT_EQ(mdlRender::TakeDueTicks(1000 + ms), ticks) << ms << " ms";
    }
}

TEST(TickAccounting, TheRestOfEachPassCarriesOver)
{
    mdlRender::LastUpdateTick = 0;
    std::vector<int> ticks;
    for (std::uint32_t now = 5; now <= 60; now += 5)
        ticks.push_back(mdlRender::TakeDueTicks(now));
    // One tick every three passes: game time keeps up with real time.
    EXPECT_THAT(ticks, ElementsAre(0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0));

    // A pass runs at most 200 ticks: 200 due keep their rest, 201 due run 200 and drop the rest.
    mdlRender::LastUpdateTick = 0;
    EXPECT_EQ(mdlRender::TakeDueTicks(3007), 200);
    EXPECT_EQ(mdlRender::LastUpdateTick, 3000u);
    EXPECT_EQ(mdlRender::TakeDueTicks(6008), 200); // 201 due
    EXPECT_EQ(mdlRender::TakeDueTicks(6018), 1);

    // The counter wrapping past 2^32 is just more time, on either side of the wrap.
    mdlRender::LastUpdateTick = 0xFFFFFFF0u;
    EXPECT_EQ(mdlRender::TakeDueTicks(0xFFFFFFFFu), 1);
    EXPECT_EQ(mdlRender::TakeDueTicks(0x0000000Eu), 1);
    EXPECT_EQ(mdlRender::LastUpdateTick, 0x0000000Eu);

    // A counter that goes backwards starts the count again.
    EXPECT_EQ(mdlRender::TakeDueTicks(5), 0);
    EXPECT_EQ(mdlRender::TakeDueTicks(20), 1);
}

TEST_F(MainLoopTest, TheSetUpCountsAsGameTimeAndAStallIsCapped)
{
    Player.Speed = 1;
    graphics->LoadMesh = [&, load = graphics->LoadMesh](const std::string& path, D3DXMaterialBuffer& m, DWORD& n) {
        platform.Ticks += 300; // the model takes 20 ticks to load
        return load(path, m, n);
    };
    RunLoop({0, 60000}, [&](int pass) { QuitAtPass(pass, 2); });
    EXPECT_EQ(Player.Y, 220.0f);
}

// The counter runs since the machine started: the first pass closes the measuring window that
// began at 0, even just before the counter wraps (the loop then runs on across the wrap); only
// in the machine's first second it does not.
using ReadOutCase = std::pair<std::uint32_t, std::vector<std::string>>;
class ReadOutTest : public MainLoopTest, public ::testing::WithParamInterface<ReadOutCase> {};

TEST_P(ReadOutTest, TheReadOutShowsTheFramesOfTheLastClosedWindow)
{
    platform.Ticks = GetParam().first;
    RunLoop({400, 400, 1700, 100}, [&](int pass) { QuitAtPass(pass, 5); });
    EXPECT_EQ(ReadOuts(), GetParam().second);
}

const std::vector<std::string> FirstPassClosesAWindow = {"FPS: 0", "FPS: 1", "FPS: 1", "FPS: 1", "FPS: 3"};
INSTANTIATE_TEST_SUITE_P(CounterAtStart, ReadOutTest,
                         ::testing::Values(ReadOutCase{5000, FirstPassClosesAWindow},
                                           ReadOutCase{0xFFFFFFFFu - 500, FirstPassClosesAWindow},
                                           ReadOutCase{100, {"FPS: 0", "FPS: 0", "FPS: 0", "FPS: 0", "FPS: 4"}}));

// Escape, or a close request for the window: the window manager's close button, or a signal to
// end, which the platform delivers as one.
class QuitTest : public MainLoopTest, public ::testing::WithParamInterface<bool> {};

TEST_P(QuitTest, EscapeOrAClosedWindowFinishesThePassAndRendersNoFurtherFrame)
{
    Player.Speed = 1;
    RunLoop({15}, [&](int pass) {
        if (pass != 3)
            return;
        if (GetParam())
            platform.QueueEvent([&] { window->Handlers.QueryUnload(); });
        else
            QuitAtPass(pass, 3);
        platform.QueueEvent([&] { frmMain::Form_MouseMove(0, 0, 320 + 50, 240); });
    });
    EXPECT_EQ(Frames(), 3);
    EXPECT_EQ(Player.Y, 3.0f);  // the third pass's tick ran
    EXPECT_EQ(Player.Yaw, 5.0f); // and its mouse look
    EXPECT_EQ(journal->back(), "EndProcess(0)");
}
INSTANTIATE_TEST_SUITE_P(EscapeOrClose, QuitTest, ::testing::Bool());

TEST_F(MainLoopTest, AQuitBeforeTheLoopSetsUpAndEndsWithoutAFrame)
{
    mdlVars::QuitRequested = true;
    RunLoop({15}, nullptr);
    EXPECT_EQ(Frames(), 0);
    EXPECT_THAT(*journal, Contains("LoadMeshFromX(entitycube.x, 0x220)"));
    EXPECT_THAT(*journal, Contains("SetRenderState(22, 3)"));
}

TEST_F(MainLoopTest, MouseLookTurnsAndClampsThePitchButNotTheYaw)
{
    RunLoop({15}, [&](int pass) {
        if (pass == 1)
            platform.QueueEvent([] { frmMain::Form_MouseMove(0, 0, 320 + 7200, 240 + 950); });
        if (pass == 2)
            platform.QueueEvent([] { frmMain::Form_MouseMove(0, 0, 320, 240); });
        QuitAtPass(pass, 3);
    });
    EXPECT_EQ(Player.Yaw, 720.0f);
    EXPECT_EQ(Player.Pitch, 89.0f);
    mdlRender::ApplyMouseLook(0, -1790); // down past the other end
    EXPECT_EQ(Player.Pitch, -89.0f);
}

TEST_F(MainLoopTest, TheFirstFrameDoesNotJumpTheView)
{
    RunLoop({15}, [&](int pass) { QuitAtPass(pass, 2); });
    EXPECT_EQ(Player.Yaw, 0.0f);
    EXPECT_EQ(Player.Pitch, 0.0f);
    EXPECT_THAT(*journal, Contains("SetCursorPos(320, 240)"));
}

TEST_F(MainLoopTest, AMissingModelEndsTheProgramNamingTheFile)
{
    graphics->LoadMesh = nullptr;
    EXPECT_EQ(RunToExit([] { mdlRender::RunMainLoop(); }), 1);
    const std::string path = folder / "models/entitycube.x";
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title + ": " + platform.MessageBoxes[0].Text,
              "Error loading model: The model file " + path + " could not be loaded. Please reinstall the game.");
    EXPECT_THAT(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")),
                Contains("Error loading model " + path + " - Quitting."));
}

TEST_F(MainLoopTest, TheShutdownStatisticsAreMeasured)
{
    RunLoop({20}, [&](int pass) { QuitAtPass(pass, 50); });
    const std::vector<std::string> saved = SplitCrLfLines(ReadWholeFile(folder / "Log.txt"));
    EXPECT_THAT(saved, Contains("Average FPS: 50"));
    EXPECT_THAT(saved, Contains("Game loop resolution: 75%"));
    EXPECT_THAT(saved, Contains(::testing::StartsWith("Performance: 10")));
}

} // namespace

#include "tests/game/GameFixture.h"

#include "game/frmMain.h"
#include "game/mdlInput.h"
#include "game/mdlVars.h"
#include "world/mdlTextures.h"

#include <gmock/gmock.h>

using namespace frmMain;
using ::testing::ElementsAre;

namespace {

using InputTest = GameTest;

TEST_F(InputTest, ArrowKeysSetRatesAndAnyReleaseOfThePairStopsThem)
{
    // Each step: key down (true) or up, the key, then the turn rate and walking speed after it.
    const std::tuple<bool, int, float, float> steps[] = {
        {true, VK_LEFT, -2, 0}, {true, VK_RIGHT, 2, 0}, {false, VK_LEFT, 0, 0}, // right still held, yet the turn stops
        {true, VK_UP, 0, 1},    {true, VK_DOWN, 0, -1}, {true, 65, 0, -1},      {false, 65, 0, -1},
        {false, VK_DOWN, 0, 0}, {true, VK_UP, 0, 1},    {false, VK_DOWN, 0, 0}, {true, VK_RIGHT, 2, 0},
        {false, VK_RIGHT, 0, 0},
    };
    for (const auto& [down, key, yawRate, speed] : steps) {
        (down ? Form_KeyDown : Form_KeyUp)(key, 0);
        EXPECT_EQ(std::tuple(Player.YawRate, Player.Speed), std::tuple(yawRate, speed)) << down << " " << key;
    }
}

TEST_F(InputTest, LetterKeysAreLowerCaseOnlyAndTwoLiftsInOneDeliveryLiftForty)
{
    for (int c : {'W', 'S', 'P', 'B', 'F', 'R', 'x', '1'})
        Form_KeyPress(c);
    EXPECT_TRUE(journal->empty());
    EXPECT_EQ(Player.Z, 0.0f);
    EXPECT_FALSE(mdlVars::QuitRequested);

    for (int c : {'w', 'p', 's'})
        Form_KeyPress(c);
    EXPECT_THAT(*journal, ElementsAre("SetRenderState(8, 2)", "SetRenderState(8, 1)", "SetRenderState(8, 3)"));
    Player.Yaw = 123;
    Player.Pitch = -45;
    Form_KeyPress('r');
    EXPECT_EQ(std::tuple(Player.Yaw, Player.Pitch), std::tuple(0.0f, 0.0f));
    Form_KeyPress(27);
    EXPECT_TRUE(mdlVars::QuitRequested);

    Player.Z = -15;
    platform.QueueEvent([] { Form_KeyPress('f'); });
    platform.QueueEvent([] { Form_KeyPress('f'); });
    platform.DoEvents();
    EXPECT_EQ(Player.Z, -55.0f);
}

TEST_F(InputTest, DroppingTheTexturesKeepsTheirNamesAndClearingTheTableEmptiesThem)
{
    MakeTexture("brick.png");
    mdlTextures::LoadTexture(3, "brick.png");
    Form_KeyPress('b');
    EXPECT_EQ(mdlTextures::Textures[3], nullptr);
    EXPECT_EQ(mdlTextures::TextureNames[3], "brick.png");
    mdlTextures::ClearTextures();
    EXPECT_EQ(mdlTextures::TextureNames[3], "");
}

TEST_F(InputTest, MouseLookMeasuresFromTheWindowCentreAndRecentres)
{
    // Pointer positions round half to even; an odd width puts the centre on a half pixel, where
    // the same rounding keeps the view still.
    const struct {
        int Left, Top, Width, Height;
        float PointerX, PointerY;
        int DeltaX, DeltaY;
        const char* Cursor;
    } cases[] = {
        {0, 0, 640, 480, 330.5f, 229.5f, 10, -10, "SetCursorPos(320, 240)"},
        {0, 0, 1025, 768, 512, 384, 0, 0, "SetCursorPos(512, 384)"},
        {100, 50, 640, 480, 430, 280, 10, -10, "SetCursorPos(420, 290)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Cursor);
        window->Place(c.Left, c.Top, c.Width, c.Height);
        Form_MouseMove(0, 0, c.PointerX, c.PointerY);
        for (int frame = 0; frame < 2; ++frame) {
            mdlInput::MouseLook(*window);
            EXPECT_EQ(std::tuple(mdlInput::MouseDeltaX, mdlInput::MouseDeltaY), std::tuple(c.DeltaX, c.DeltaY));
            EXPECT_EQ(journal->back(), c.Cursor);
        }
    }
}

TEST_F(InputTest, TheBackgroundWindowLeavesThePointerToTheUser)
{
    Form_Load();
    EXPECT_LT(platform.CursorCounter, 0);
    window->SetFocusState(true);
    window->SetFocusState(false);
    EXPECT_GE(platform.CursorCounter, 0);
    journal->clear();
    Form_MouseMove(0, 0, 900, 700);
    mdlInput::MouseLook(*window);
    EXPECT_EQ(std::tuple(mdlInput::MouseDeltaX, mdlInput::MouseDeltaY), std::tuple(0, 0));
    EXPECT_TRUE(graphics->CallsStartingWith("SetCursorPos").empty());

    window->SetFocusState(true);
    EXPECT_LT(platform.CursorCounter, 0);
    mdlInput::MouseLook(*window);
    EXPECT_EQ(std::tuple(mdlInput::MouseDeltaX, mdlInput::MouseDeltaY), std::tuple(0, 0));
    Form_MouseMove(0, 0, 340, 240);
    mdlInput::MouseLook(*window);
    EXPECT_EQ(mdlInput::MouseDeltaX, 20);
}

TEST_F(InputTest, F12SavesNumberedScreenshotsWithoutOverwriting)
{
    WriteWholeFile(folder / "screenshot-0001.png", "an earlier one");
    Form_KeyDown(VK_F12, 0);
    Form_KeyDown(VK_F12, 0);
    EXPECT_EQ(ReadWholeFile(folder / "screenshot-0001.png"), "an earlier one");
    EXPECT_TRUE(std::filesystem::exists(folder / "screenshot-0002.png"));
    EXPECT_TRUE(std::filesystem::exists(folder / "screenshot-0003.png"));
    EXPECT_THAT(Log(), ElementsAre("Saved screenshot screenshot-0002.png", "Saved screenshot screenshot-0003.png"));
    graphics->FailingCalls["SaveImageToPng"] = E_FAIL;
    Form_KeyDown(VK_F12, 0);
    EXPECT_EQ(Log().back(), "Could not save screenshot screenshot-0004.png");
}

} // namespace

#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

using namespace DirectX_Framework;
using ::testing::ElementsAre;

namespace {

class DisplayModesTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        StartDirectX();
    }
};

TEST_F(DisplayModesTest, FormatsMatchDepthsByTheProgramsTable)
{
    struct Case {
        D3DFORMAT format;
        std::int32_t depth;
        bool matches;
    };
    const Case cases[] = {
        {D3DFMT_X8R8G8B8, 32, true},  {D3DFMT_X8R8G8B8, 16, false}, {D3DFMT_R8G8B8, 32, true},
        {D3DFMT_R8G8B8, 16, false},   {D3DFMT_R5G6B5, 16, true},    {D3DFMT_R5G6B5, 32, false},
        {D3DFMT_X1R5G5B5, 16, true},  {D3DFMT_X4R4G4B4, 16, true},  {D3DFMT_A1R5G5B5, 16, false},
        {D3DFMT_A4R4G4B4, 16, false}, {D3DFMT_A8R8G8B8, 32, false}, {D3DFMT_A8R8G8B8, 16, false},
        {D3DFMT_X8R8G8B8, 24, false}, {D3DFMT_R8G8B8, 24, false},   {D3DFMT_R5G6B5, 0, false},
    };
    for (const Case& c : cases) {
        graphics->Modes = {Mode(640, 480, 60, c.format)};
        EXPECT_EQ(FindDisplayMode(640, 480, c.depth), c.matches ? c.format : 0u)
            << "format " << c.format << " for depth " << c.depth;
    }
}

TEST_F(DisplayModesTest, TheLogLabelsOnlyX8R8G8B8As32Bit)
{
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 75, D3DFMT_X8R8G8B8),
                       Mode(800, 600, 0, D3DFMT_R8G8B8), Mode(1024, 768, 85, D3DFMT_A8R8G8B8)};
    EnumerateDisplayModes();
    EXPECT_THAT(Log(), ::testing::IsSupersetOf({"Enumerating display modes available:",
                                                "640x480 in 16-bit colour at 60Hz", "800x600 in 32-bit colour at 75Hz",
                                                "800x600 in 16-bit colour at 0Hz", "1024x768 in 16-bit colour at 85Hz",
                                                "End of display mode list."}));
    // An R8G8B8 mode is labelled 16-bit yet serves a 32-bit request.
    EXPECT_EQ(FindDisplayMode(800, 600, 32), D3DFMT_X8R8G8B8);
    graphics->Modes = {Mode(800, 600, 0, D3DFMT_R8G8B8)};
    EXPECT_EQ(FindDisplayMode(800, 600, 32), D3DFMT_R8G8B8);
}

TEST_F(DisplayModesTest, EveryRefreshRateIsListedAndTheFirstMatchWins)
{
    graphics->Modes = {Mode(800, 600, 60, D3DFMT_X1R5G5B5), Mode(800, 600, 72, D3DFMT_R5G6B5),
                       Mode(800, 600, 85, D3DFMT_R5G6B5)};
    EnumerateDisplayModes();
    ASSERT_EQ(LastDisplayMode, 2);
    EXPECT_EQ(DisplayModes[1].RefreshRate, 72u);
    EXPECT_EQ(DisplayModes[2].RefreshRate, 85u);
    EXPECT_EQ(FindDisplayMode(800, 600, 16), D3DFMT_X1R5G5B5);
    EXPECT_EQ(FindDisplayMode(800, 601, 16), 0u);
}

TEST_F(DisplayModesTest, EnumeratingTwiceKeepsOneListAndLogsTwice)
{
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_X8R8G8B8)};
    EnumerateDisplayModes();
    graphics->Modes.pop_back();
    EnumerateDisplayModes();
    EXPECT_EQ(DisplayModes.size(), 1u);
    EXPECT_EQ(LastDisplayMode, 0);
    EXPECT_THAT(Log(), ElementsAre("Started DirectX 8 at 12:34:56", " ", "Enumerating display modes available:",
                                   "640x480 in 16-bit colour at 60Hz", "640x480 in 32-bit colour at 60Hz",
                                   "End of display mode list.", " ", "Enumerating display modes available:",
                                   "640x480 in 16-bit colour at 60Hz", "End of display mode list.", " "));
}

TEST_F(DisplayModesTest, AFailingModeReadIsRaisedWithItsCode)
{
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_R5G6B5)};
    graphics->ModeReadFailures[1] = D3DERR_INVALIDCALL;
    try {
        FindDisplayMode(800, 600, 16);
        FAIL() << "no error raised";
    } catch (const GraphicsError& error) {
        EXPECT_EQ(error.Code(), D3DERR_INVALIDCALL);
    }
    EXPECT_THROW(EnumerateDisplayModes(), GraphicsError);
}

TEST_F(DisplayModesTest, AnAdapterWithoutModesEndsTheProgramInOrder)
{
    graphics->Modes.clear();
    EXPECT_EQ(RunToExit([] { EnumerateDisplayModes(); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title, "Error starting DirectX");
    EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
    EXPECT_TRUE(DisplayModes.empty());
    const std::string saved = ReadWholeFile(folder / "Log.txt");
    EXPECT_NE(saved.find("No display modes available: Quitting at 12:34:56\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Statistics:"), std::string::npos);
}

} // namespace

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
        ClearLog();
    }
};

TEST_F(DisplayModesTest, FormatsMatchDepthsByTheProgramsTable)
{
    const struct {
        D3DFORMAT Format;
        std::int32_t Depth;
        bool Matches;
    } cases[] = {
        {D3DFMT_X8R8G8B8, 32, true},  {D3DFMT_X8R8G8B8, 16, false}, {D3DFMT_R8G8B8, 32, true},
        {D3DFMT_R8G8B8, 16, false},   {D3DFMT_R5G6B5, 16, true},    {D3DFMT_R5G6B5, 32, false},
        {D3DFMT_X1R5G5B5, 16, true},  {D3DFMT_X4R4G4B4, 16, true},  {D3DFMT_A1R5G5B5, 16, false},
        {D3DFMT_A4R4G4B4, 16, false}, {D3DFMT_A8R8G8B8, 32, false}, {D3DFMT_A8R8G8B8, 16, false},
        {D3DFMT_X8R8G8B8, 24, false}, {D3DFMT_R8G8B8, 24, false},   {D3DFMT_R5G6B5, 0, false},
    };
    for (const auto& c : cases) {
        graphics->Modes = {Mode(640, 480, 60, c.Format)};
        EXPECT_EQ(FindDisplayMode(640, 480, c.Depth), c.Matches ? c.Format : 0u) << c.Format << " for " << c.Depth;
    }
    // Every size and rate is listed; the first mode that matches wins.
    graphics->Modes = {Mode(800, 600, 60, D3DFMT_X1R5G5B5), Mode(800, 600, 72, D3DFMT_R5G6B5),
                       Mode(800, 600, 0, D3DFMT_R8G8B8), Mode(800, 600, 75, D3DFMT_X8R8G8B8)};
    EXPECT_EQ(FindDisplayMode(800, 600, 16), D3DFMT_X1R5G5B5);
    EXPECT_EQ(FindDisplayMode(800, 600, 32), D3DFMT_R8G8B8);
    EXPECT_EQ(FindDisplayMode(800, 601, 16), 0u);
}

TEST_F(DisplayModesTest, EnumeratingLogsEveryModeLabellingOnlyX8R8G8B8As32BitAndKeepsOneList)
{
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 75, D3DFMT_X8R8G8B8),
                       Mode(800, 600, 0, D3DFMT_R8G8B8), Mode(1024, 768, 85, D3DFMT_A8R8G8B8)};
    EnumerateDisplayModes();
    graphics->Modes.resize(1);
    EnumerateDisplayModes();
    EXPECT_THAT(Log(), ElementsAre("Enumerating display modes available:", "640x480 in 16-bit colour at 60Hz",
                                   "800x600 in 32-bit colour at 75Hz", "800x600 in 16-bit colour at 0Hz",
                                   "1024x768 in 16-bit colour at 85Hz", "End of display mode list.", " ",
                                   "Enumerating display modes available:", "640x480 in 16-bit colour at 60Hz",
                                   "End of display mode list.", " "));
    EXPECT_EQ(DisplayModes.size(), 1u);
    EXPECT_EQ(LastDisplayMode, 0);
}

TEST_F(DisplayModesTest, AFailingModeReadIsRaisedAndAnAdapterWithoutModesEndsTheProgram)
{
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(800, 600, 60, D3DFMT_R5G6B5)};
    graphics->ModeReadFailures[1] = D3DERR_INVALIDCALL;
    EXPECT_EQ(RaisedGraphicsError([] { FindDisplayMode(800, 600, 16); }).Code(), D3DERR_INVALIDCALL);
    EXPECT_THROW(EnumerateDisplayModes(), GraphicsError);

    graphics->Modes.clear();
    EXPECT_EQ(RunToExit([] { EnumerateDisplayModes(); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title + ": " + platform.MessageBoxes[0].Text,
              "Error starting DirectX: Error: Your graphics adapter reports no display modes, so the game cannot "
              "start.\r\nPlease check your display settings.");
    EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
    EXPECT_TRUE(DisplayModes.empty());
    const std::string saved = ReadWholeFile(folder / "Log.txt");
    EXPECT_NE(saved.find("No display modes available: Quitting at 12:34:56\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Statistics:"), std::string::npos);
}

} // namespace

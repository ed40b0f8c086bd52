#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

using namespace DirectX_Framework;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsSubsetOf;
using ::testing::Not;

namespace {

class ShutdownTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_X8R8G8B8)};
        graphics->DepthFormats = {D3DFMT_D16};
    }
    std::vector<std::string> SavedLog() { return SplitCrLfLines(ReadWholeFile(folder / "Log.txt")); }
    std::vector<std::string> SavedFrom(const std::string& first, std::size_t count)
    {
        return LinesFrom(SavedLog(), first, count);
    }
};

TEST_F(ShutdownTest, VertexProcessingFollowsTheHardwareTransformAndLightingBit)
{
    graphics->HalCaps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | 0x2;
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    EXPECT_EQ(graphics->CreatedBehaviour, D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_THAT(Log(), Contains("Hardware Transform and lighting supported"));
    EXPECT_THAT(*journal, Contains("CreateDevice(0, 1, 0x40)"));
    EXPECT_TRUE(mainWindow.IsVisible());
    EXPECT_TRUE(mainWindow.HasFocus());

    ResetState();
    graphics->HalCaps.DevCaps = 0x2;
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    EXPECT_EQ(graphics->CreatedBehaviour, D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    EXPECT_EQ(LinesFrom(Log(), "Creating device...", 4),
              (std::vector<std::string>{"Creating device...", "Hardware Transform and lighting is not supported",
                                        "Created device!", "Setting up a standard material"}));
}

TEST_F(ShutdownTest, TheDeviceIsCreatedFromThePresentationParametersThenShownBetweenEventDeliveries)
{
    graphics->HalCapsResult = D3DERR_INVALIDDEVICE;
    graphics->RefCaps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    ASSERT_TRUE(Start(640, 480, 32, true));
    journal->clear();
    CreateGraphicsDevice(&mainWindow);
    // The device type stays HAL even when the reference device's caps were read.
    EXPECT_EQ(journal->front(), "CreateDevice(0, 1, 0x40)");
    EXPECT_EQ(std::vector<std::string>(journal->end() - 4, journal->end()),
              (std::vector<std::string>{"DoEvents", "Show frmMain", "SetFocus frmMain", "DoEvents"}));
    EXPECT_EQ(graphics->CreatedWith.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(graphics->CreatedWith.Windowed, 1);
    EXPECT_EQ(graphics->CreatedWith.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_TRUE(D3DDevice != nullptr);
}

TEST_F(ShutdownTest, AFailedWindowedCreationLogsInOrderShowsTheMessageAndEnds)
{
    graphics->CreateDeviceResult = D3DERR_NOTAVAILABLE;
    ASSERT_TRUE(Start(640, 480, 16, true));
    EXPECT_EQ(RunToExit([&] { CreateGraphicsDevice(&mainWindow); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title, "Error creating device.");
    EXPECT_EQ(platform.MessageBoxes[0].Text,
              "Error creating device: check your resolution and colour depth settings, especially if your are in "
              "Fake fullscreen mode: you cannot use a colour depth which is different to the one your desktop "
              "uses.");
    EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
    EXPECT_EQ(SavedFrom("Creating device...", 7),
              (std::vector<std::string>{"Creating device...", "Hardware Transform and lighting is not supported",
                                        "Error Creating device - quitting.", "Windowed mode was active.",
                                        "Destroyed DirectX at 12:34:56", "", "Statistics:"}));
}

TEST_F(ShutdownTest, AFailedFullScreenCreationHasNoWindowedLine)
{
    graphics->CreateDeviceResult = D3DERR_OUTOFVIDEOMEMORY;
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(RunToExit([&] { CreateGraphicsDevice(&mainWindow); }), 1);
    EXPECT_EQ(SavedFrom("Creating device...", 4),
              (std::vector<std::string>{"Creating device...", "Hardware Transform and lighting is not supported",
                                        "Error Creating device - quitting.", "Destroyed DirectX at 12:34:56"}));
}

TEST_F(ShutdownTest, ShutdownReleasesInOrderUnloadsTheWindowAndRestoresTheCursor)
{
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    for (int i = 0; i < 5; ++i)
        platform.ShowCursor(false);
    journal->clear();
    EXPECT_EQ(RunToExit([] { DestroyDirectX(); }), 0);
    EXPECT_EQ(*journal, (std::vector<std::string>{"DoEvents", "Release DirectX8", "Release D3DX", "Release Device",
                                                  "Release Direct3D8", "Unload frmMain", "DoEvents",
                                                  "ShowCursor(1) -> -4", "ShowCursor(1) -> -3", "ShowCursor(1) -> -2",
                                                  "ShowCursor(1) -> -1", "ShowCursor(1) -> 0", "ShowCursor(1) -> 1",
                                                  "EndProcess(0)"}));
    EXPECT_FALSE(mainWindow.IsLoaded());
    EXPECT_EQ(SavedLog().end()[-6], "Destroyed DirectX at 12:34:56");
}

TEST_F(ShutdownTest, AnAlreadyVisibleCursorIsShownOnceMore)
{
    platform.CursorCounter = 3;
    RunToExit([] { DestroyDirectX(); });
    EXPECT_EQ(platform.CursorCounter, 4);
}

TEST_F(ShutdownTest, TheLogIsSavedEvenWhenNoDeviceWasEverCreated)
{
    LogLine("before anything");
    EXPECT_EQ(RunToExit([] { DestroyDirectX(); }), 0);
    // Nothing measured: every statistic would divide by zero and is left out.
    EXPECT_EQ(SavedLog(), (std::vector<std::string>{"Dunmere Demo 1.1.5 - logging at 12:34:56 on 03/14/26", "",
                                                    "before anything", "Destroyed DirectX at 12:34:56", "",
                                                    "Statistics:", "", "", "...log ends here."}));
}

TEST_F(ShutdownTest, ALogThatCannotBeWrittenStillEndsTheProcessCleanlySayingWhy)
{
    // A missing folder, a folder where the file should be, a disk that refuses the write.
    std::filesystem::create_directories(folder / "folder/Log.txt");
    std::filesystem::create_directories(folder / "full");
    std::filesystem::create_symlink("/dev/full", folder / "full/Log.txt");
    for (const char* where : {"missing/folder", "folder", "full"}) {
        SCOPED_TRACE(where);
        platform.AppFolder = folder / where;
        journal->clear();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunToExit([] { DestroyDirectX(); }), 0);
        EXPECT_THAT(::testing::internal::GetCapturedStderr(),
                    ::testing::StartsWith("Dunmere Demo: the log could not be saved: cannot "));
        EXPECT_THAT(*journal, Contains("EndProcess(0)"));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST_F(ShutdownTest, MeasuredStatisticsAreWrittenRoundedInTheirFormats)
{
    Statistics.Frames = 119;
    Statistics.LoopSeconds = 2;
    Statistics.TicksRun = 133;
    Statistics.TicksCalledFor = 133.3333333;
    Statistics.Passes = 119;
    RunToExit([] { DestroyDirectX(); });
    EXPECT_EQ(SavedFrom("Statistics:", 4),
              (std::vector<std::string>{"Statistics:", "Average FPS: 59.5", "Performance: 99.75%",
                                        "Game loop resolution: 89.25%"}));
}

TEST_F(ShutdownTest, AStatisticWithAZeroDivisorIsLeftOut)
{
    Statistics.Frames = 0;
    Statistics.LoopSeconds = 3;
    Statistics.TicksRun = 0;
    Statistics.TicksCalledFor = 0;
    Statistics.Passes = 0;
    RunToExit([] { DestroyDirectX(); });
    EXPECT_EQ(SavedFrom("Statistics:", 3), (std::vector<std::string>{"Statistics:", "Average FPS: 0", ""}));
}

TEST(Rounding, TwoDecimalsHalvesToEvenShortestForm)
{
    EXPECT_EQ(FormatRounded2(59.5), "59.5");
    EXPECT_EQ(FormatRounded2(60.0), "60");
    EXPECT_EQ(FormatRounded2(0.01), "0.01");
    EXPECT_EQ(FormatRounded2(0.125), "0.12");
    EXPECT_EQ(FormatRounded2(0.375), "0.38");
    EXPECT_EQ(FormatRounded2(2.0 / 3.0), "0.67");
    EXPECT_EQ(FormatRounded2(99.999), "100");
    EXPECT_EQ(FormatRounded2(0.004), "0");
    EXPECT_EQ(FormatRounded2(-1.5), "-1.5");
    EXPECT_EQ(FormatRounded2(1234567.891), "1234567.89");
    EXPECT_EQ(FormatRounded2(std::nan("")), std::nullopt);
    EXPECT_EQ(FormatRounded2(HUGE_VAL), std::nullopt);
    EXPECT_EQ(FormatRounded2(1e300), std::nullopt);
}

} // namespace

#include "tests/support/FrameworkFixture.h"

#include "framework/EndSignals.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

using namespace DirectX_Framework;
using ::testing::Contains;

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
};

TEST_F(ShutdownTest, TheDeviceIsCreatedWithTheVertexProcessingOfItsCapsThenShownBetweenEventDeliveries)
{
    // The device type stays HAL even when the reference device's caps were read.
    const struct {
        HRESULT HalResult;
        DWORD HalCaps, RefCaps;
        bool Hardware;
    } cases[] = {{D3D_OK, D3DDEVCAPS_HWTRANSFORMANDLIGHT | 2, 0, true},
                 {D3D_OK, 2, D3DDEVCAPS_HWTRANSFORMANDLIGHT, false},
                 {D3DERR_INVALIDDEVICE, 0, D3DDEVCAPS_HWTRANSFORMANDLIGHT, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        ResetState();
        graphics->HalCapsResult = c.HalResult;
        graphics->HalCaps.DevCaps = c.HalCaps;
        graphics->RefCaps.DevCaps = c.RefCaps;
        ASSERT_TRUE(Start(640, 480, 32, true));
        journal->clear();
        ClearLog();
        CreateGraphicsDevice(&mainWindow);
        EXPECT_EQ(journal->front(), c.Hardware ? "CreateDevice(0, 1, 0x40)" : "CreateDevice(0, 1, 0x20)");
        EXPECT_EQ(std::vector<std::string>(journal->end() - 4, journal->end()),
                  (std::vector<std::string>{"DoEvents", "Show frmMain", "SetFocus frmMain", "DoEvents"}));
        EXPECT_EQ(Log(), (std::vector<std::string>{"Creating device...",
                                                   c.Hardware ? "Hardware Transform and lighting supported"
                                                              : "Hardware Transform and lighting is not supported",
                                                   "Created device!", "Setting up a standard material"}));
        EXPECT_TRUE(D3DDevice != nullptr);
    }
}

TEST_F(ShutdownTest, AFailedCreationLogsInOrderShowsTheMessageAndEnds)
{
    for (const bool windowed : {true, false}) {
        SCOPED_TRACE(windowed ? "windowed" : "full screen");
        ResetState();
        platform.MessageBoxes.clear();
        graphics->CreateDeviceResult = windowed ? D3DERR_NOTAVAILABLE : D3DERR_OUTOFVIDEOMEMORY;
        ASSERT_TRUE(Start(640, 480, 16, windowed));
        EXPECT_EQ(RunToExit([&] { CreateGraphicsDevice(&mainWindow); }), 1);
        ASSERT_EQ(platform.MessageBoxes.size(), 1u);
        EXPECT_EQ(platform.MessageBoxes[0].Title, "Error creating device.");
        EXPECT_EQ(platform.MessageBoxes[0].Text,
                  "Error creating device: check your resolution and colour depth settings, especially if your are "
                  "in Fake fullscreen mode: you cannot use a colour depth which is different to the one your "
                  "desktop uses.");
        EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
        std::vector<std::string> expected{"Creating device...", "Hardware Transform and lighting is not supported",
                                          "Error Creating device - quitting.", "Destroyed DirectX at 12:34:56"};
        if (windowed)
            expected.insert(expected.begin() + 3, "Windowed mode was active.");
        EXPECT_EQ(LinesFrom(SavedLog(), "Creating device...", expected.size()), expected);
    }
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

    platform.CursorCounter = 3; // already shown: shown once more
    RunToExit([] { DestroyDirectX(); });
    EXPECT_EQ(platform.CursorCounter, 4);
}

TEST_F(ShutdownTest, AnUnexpectedErrorEndsTheProgramSayingWhat)
{
    EXPECT_EQ(RunToExit([] { EndOnUnexpectedError([] { throw std::runtime_error("disk on fire"); }); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title + ": " + platform.MessageBoxes[0].Text,
              "Dunmere Demo: The game stopped because of an unexpected error:\r\ndisk on fire");
    EXPECT_THAT(SavedLog(), Contains("Unexpected error - Quitting: disk on fire"));
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

TEST_F(ShutdownTest, StatisticsAreWrittenRoundedAndLeftOutWhenTheirDivisorIsZero)
{
    const struct {
        RunStatistics Run;
        std::vector<std::string> Lines;
    } cases[] = {
        {{119, 2, 133, 133.3333333, 119}, {"Average FPS: 59.5", "Performance: 99.75%", "Game loop resolution: 89.25%"}},
        {{0, 3, 0, 0, 0}, {"Average FPS: 0", ""}},
        {{}, {"", "", "...log ends here."}}, // no device and nothing measured
    };
    for (const auto& c : cases) {
        ClearLog();
        Statistics = c.Run;
        EXPECT_EQ(RunToExit([] { DestroyDirectX(); }), 0);
        std::vector<std::string> expected{"Statistics:"};
        expected.insert(expected.end(), c.Lines.begin(), c.Lines.end());
        EXPECT_EQ(LinesFrom(SavedLog(), "Statistics:", expected.size()), expected);
    }
}

TEST(Rounding, TwoDecimalsHalvesToEvenShortestForm)
{
    const std::pair<double, const char*> cases[] = {
        {59.5, "59.5"}, {60.0, "60"},    {0.01, "0.01"}, {0.125, "0.12"}, {0.375, "0.38"},       {2.0 / 3.0, "0.67"},
        {99.999, "100"}, {0.004, "0"}, {-1.5, "-1.5"}, {-0.125, "-0.12"}, {1234567.891, "1234567.89"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatRounded2(value), text) << value;
    for (const double value : {std::nan(""), HUGE_VAL, 1e300})
        EXPECT_EQ(FormatRounded2(value), std::nullopt) << value;
}

} // namespace

TEST(EndSignals, ASignalToEndIsTakenOnceAndASecondEndsTheProcessAtOnce)
{
    // In a child process: the handlers stay installed for good. SIGTERM is sent end to end.
    EXPECT_EXIT(
        {
            EndSignals::Install();
            std::raise(SIGINT);
            if (!EndSignals::Requested() || !EndSignals::TakeRequest() || EndSignals::TakeRequest())
                std::_Exit(4);
            std::raise(SIGHUP); // the orderly end is under way: no more waiting
            std::_Exit(5);
        },
        ::testing::ExitedWithCode(128 + SIGHUP), "");
}

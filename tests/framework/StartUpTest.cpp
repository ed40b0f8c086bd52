#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

#include <sstream>

using namespace DirectX_Framework;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

class StartUpTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        graphics->Modes = {Mode(320, 200, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_R5G6B5),
                           Mode(640, 480, 60, D3DFMT_X8R8G8B8), Mode(1024, 768, 60, D3DFMT_X8R8G8B8)};
        graphics->DepthFormats = {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16};
    }
    // The presentation parameters that the start-up sets, in a line.
    static std::string Described(const D3DPRESENT_PARAMETERS& p)
    {
        std::ostringstream text;
        text << p.BackBufferWidth << "x" << p.BackBufferHeight << " format " << p.BackBufferFormat << " buffers "
             << p.BackBufferCount << " swap " << p.SwapEffect << " windowed " << p.Windowed << " depth "
             << p.EnableAutoDepthStencil << "/" << p.AutoDepthStencilFormat << " multisample " << p.MultiSampleType
             << " refresh " << p.FullScreen_RefreshRateInHz;
        return text.str();
    }
};

TEST_F(StartUpTest, ASuccessfulStartLogsEveryStepAndFillsThePresentationParameters)
{
    ASSERT_TRUE(Start(640, 480, 32, false));
    EXPECT_THAT(Log(), ElementsAre("Started DirectX 8 at 12:34:56", " ", "Starting Direct3D", "Creating Window",
                                   "Checking Z-Buffer depths available...", "Checking for a 32 bit Z-Buffer: ",
                                   "Success! Using 32 bit Z-Buffer", "Getting device capibilities.",
                                   "Device set up correctly-- finished initialisation!", " "));
    EXPECT_EQ(AdapterFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(Described(PresentParams), "640x480 format 22 buffers 1 swap 2 windowed 0 depth 1/71 multisample 0 refresh 0");
    EXPECT_EQ(PresentParams.hDeviceWindow, &mainWindow);
    EXPECT_THAT(*journal, Contains("CheckDeviceFormat(0, 1, 22, 2, 1, 71)"));
    EXPECT_TRUE(platform.MessageBoxes.empty());
}

TEST_F(StartUpTest, DepthBuffersAreTriedDeepestFirstAndWithoutAnyTheEarlierFormatIsKept)
{
    graphics->DepthFormats = {D3DFMT_D16};
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(LinesFrom(Log(), "Checking for a 32 bit Z-Buffer: ", 7),
              (std::vector<std::string>{"Checking for a 32 bit Z-Buffer: ", "Failed.", "Checking for a 24 bit Z-Buffer: ",
                                        "Failed.", "Checking for a 16 bit Z-Buffer: ", "Success! Using 16 bit Z-Buffer",
                                        "Getting device capibilities."}));
    EXPECT_EQ(Described(PresentParams), "640x480 format 23 buffers 1 swap 2 windowed 0 depth 1/80 multisample 0 refresh 0");

    // A windowed start keeps the adapter format of the requested depth (R8G8B8 serves 32 bits).
    graphics->DepthFormats.clear();
    graphics->Modes = {Mode(800, 600, 60, D3DFMT_R8G8B8), Mode(800, 600, 60, D3DFMT_X8R8G8B8)};
    ASSERT_TRUE(StartDirect3D(&mainWindow, 800, 600, 32, true));
    EXPECT_EQ(Described(PresentParams), "800x600 format 20 buffers 1 swap 2 windowed 1 depth 0/80 multisample 0 refresh 0");
    EXPECT_THAT(Log(), Contains("No Z-Buffer available on card: Emulating! This will cause some slowdown..."));
}

TEST_F(StartUpTest, CapsFallBackToTheReferenceDeviceOnlyForAnInvalidDevice)
{
    graphics->HalCaps.DevCaps = 1;
    graphics->RefCaps.DevCaps = 2;
    graphics->HalCapsResult = D3DERR_INVALIDDEVICE;
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(DeviceCaps.DevCaps, 2u);
    const std::string fallback = "Error whilst getting device capibilities: checked software instead. Possible "
                                 "cause: no 3D card!";
    EXPECT_THAT(Log(), Contains(fallback));

    ResetState();
    graphics->Calls->clear();
    graphics->HalCapsResult = D3DERR_NOTAVAILABLE;
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(DeviceCaps.DevCaps, 0u);
    EXPECT_THAT(*journal, Not(Contains("GetDeviceCaps(0, 2)")));
    EXPECT_THAT(Log(), Not(Contains(fallback)));
}

TEST_F(StartUpTest, AModeTheAdapterDoesNotHaveEndsTheProgramWithItsMessageAndTheLogSaved)
{
    graphics->Modes.push_back(Mode(1024, 768, 60, D3DFMT_R8G8B8));
    for (const auto& [width, height, depth] : {std::tuple{800, 600, 32}, std::tuple{1024, 768, 24}}) {
        SCOPED_TRACE(depth);
        ResetState();
        platform.MessageBoxes.clear();
        EXPECT_EQ(RunToExit([&] { Start(width, height, depth, false); }), 1);
        ASSERT_EQ(platform.MessageBoxes.size(), 1u);
        EXPECT_EQ(platform.MessageBoxes[0].Title, "Error starting DirectX");
        EXPECT_EQ(platform.MessageBoxes[0].Text, "Error: The display mode " + std::to_string(width) + "x" +
                                                     std::to_string(height) + " in " + std::to_string(depth) +
                                                     "-bit colour mode is not supported by your hardware!\r\n"
                                                     "Please change the settings.");
        EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
        EXPECT_EQ(LinesFrom(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")), "Starting Direct3D", 3),
                  (std::vector<std::string>{"Starting Direct3D", "Bad Display mode: Quitting at 12:34:56",
                                            "Destroyed DirectX at 12:34:56"}));
    }
}

TEST_F(StartUpTest, AFailingAdapterOrBackEndReportsAnInitialisationErrorWithoutEndingTheProgram)
{
    for (const bool noAdapter : {false, true}) {
        SCOPED_TRACE(noAdapter ? "no adapter" : "a failing mode query");
        ResetState();
        platform.MessageBoxes.clear();
        graphics->NoAdapter = noAdapter;
        graphics->ModeReadFailures[2] = D3DERR_INVALIDCALL;
        EXPECT_FALSE(Start(1024, 768, 32, false));
        ASSERT_EQ(platform.MessageBoxes.size(), 1u);
        EXPECT_EQ(platform.MessageBoxes[0].Title, "DX8 Error");
        EXPECT_EQ(platform.MessageBoxes[0].Text, "Error in initialisation! Quitting...");
        EXPECT_EQ(Log().end()[-2], "Starting Direct3D");
        EXPECT_EQ(Log().back(), "Failed to set up the device.");
    }
}

TEST_F(StartUpTest, TheStandardSetupSelectsTheVertexLayoutLightingDepthViewAndMaterial)
{
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    EXPECT_THAT(graphics->CallsStartingWith("Set"),
                ElementsAre("SetVertexShader(0x112)", "SetRenderState(137, 1)", "SetRenderState(7, 1)",
                            "SetTransform(2)", "SetMaterial", "SetFocus frmMain"));
    // Looking from y = 10 toward the origin with +z up: the origin lies 10 ahead, +z above it,
    // and +x to the right.
    ExpectMapsTo(graphics->Transforms[D3DTS_VIEW], {0, 0, 0}, {0, 0, 10});
    ExpectMapsTo(graphics->Transforms[D3DTS_VIEW], {0, 0, 1}, {0, 1, 10});
    ExpectMapsTo(graphics->Transforms[D3DTS_VIEW], {1, 0, 0}, {1, 0, 10});

    const D3DMATERIAL8& m = graphics->Material;
    for (const D3DCOLORVALUE& c : {m.Diffuse, m.Ambient})
        EXPECT_EQ(std::tuple(c.r, c.g, c.b, c.a), std::tuple(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(std::tuple(m.Specular.r, m.Emissive.g, m.Power), std::tuple(0.0f, 0.0f, 0.0f));
    EXPECT_THAT(Log(), Contains("Setting up a standard material"));
}

} // namespace

#include "framework/D3DXMath.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

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
};

TEST_F(StartUpTest, ASuccessfulStartLogsEveryStepAndFillsThePresentationParameters)
{
    ASSERT_TRUE(Start(640, 480, 32, false));
    EXPECT_THAT(Log(), ElementsAre("Started DirectX 8 at 12:34:56", " ", "Starting Direct3D", "Creating Window",
                                   "Checking Z-Buffer depths available...", "Checking for a 32 bit Z-Buffer: ",
                                   "Success! Using 32 bit Z-Buffer", "Getting device capibilities.",
                                   "Device set up correctly-- finished initialisation!", " "));
    EXPECT_EQ(AdapterFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(PresentParams.BackBufferWidth, 640u);
    EXPECT_EQ(PresentParams.BackBufferHeight, 480u);
    EXPECT_EQ(PresentParams.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(PresentParams.BackBufferCount, 1u);
    EXPECT_EQ(PresentParams.SwapEffect, D3DSWAPEFFECT_FLIP);
    EXPECT_EQ(PresentParams.hDeviceWindow, &mainWindow);
    EXPECT_EQ(PresentParams.Windowed, 0);
    EXPECT_EQ(PresentParams.EnableAutoDepthStencil, 1);
    EXPECT_EQ(PresentParams.AutoDepthStencilFormat, D3DFMT_D32);
    EXPECT_EQ(PresentParams.MultiSampleType, 0u);
    EXPECT_EQ(PresentParams.FullScreen_RefreshRateInHz, 0u);
    EXPECT_THAT(*journal, Contains("CheckDeviceFormat(0, 1, 22, 2, 1, 71)"));
    EXPECT_TRUE(platform.MessageBoxes.empty());
}

TEST_F(StartUpTest, AnAdapterWithOnlySixteenBitDepthGetsD16AfterTwoFailures)
{
    graphics->DepthFormats = {D3DFMT_D16};
    ASSERT_TRUE(Start(640, 480, 16, false));
    const std::vector<std::string> log = Log();
    const auto probe = std::find(log.begin(), log.end(), "Checking for a 32 bit Z-Buffer: ");
    ASSERT_NE(probe, log.end());
    EXPECT_EQ(std::vector<std::string>(probe, probe + 7),
              (std::vector<std::string>{"Checking for a 32 bit Z-Buffer: ", "Failed.",
                                        "Checking for a 24 bit Z-Buffer: ", "Failed.",
                                        "Checking for a 16 bit Z-Buffer: ", "Success! Using 16 bit Z-Buffer",
                                        "Getting device capibilities."}));
    EXPECT_EQ(PresentParams.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(PresentParams.EnableAutoDepthStencil, 1);
}

TEST_F(StartUpTest, WithoutAnyDepthFormatTheEarlierFormatIsKeptAndDepthIsOff)
{
    graphics->DepthFormats = {D3DFMT_D24X8};
    ASSERT_TRUE(Start(640, 480, 16, false));
    graphics->DepthFormats.clear();
    ASSERT_TRUE(StartDirect3D(&mainWindow, 640, 480, 16, false));
    EXPECT_EQ(PresentParams.EnableAutoDepthStencil, 0);
    EXPECT_EQ(PresentParams.AutoDepthStencilFormat, D3DFMT_D24X8);
    EXPECT_THAT(Log(), Contains("No Z-Buffer available on card: Emulating! This will cause some slowdown..."));
}

TEST_F(StartUpTest, CapsFallBackToTheReferenceDeviceOnlyForAnInvalidDevice)
{
    graphics->HalCaps.DevCaps = 1;
    graphics->RefCaps.DevCaps = 2;
    graphics->HalCapsResult = D3DERR_INVALIDDEVICE;
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(DeviceCaps.DevCaps, 2u);
    EXPECT_THAT(Log(), Contains("Error whilst getting device capibilities: checked software instead. Possible "
                                "cause: no 3D card!"));

    ResetState();
    graphics->Calls->clear();
    graphics->HalCapsResult = D3DERR_NOTAVAILABLE;
    ASSERT_TRUE(Start(640, 480, 16, false));
    EXPECT_EQ(DeviceCaps.DevCaps, 0u);
    EXPECT_THAT(*journal, Not(Contains("GetDeviceCaps(0, 2)")));
    EXPECT_THAT(Log(), ElementsAre("Started DirectX 8 at 12:34:56", " ", "Starting Direct3D", "Creating Window",
                                   "Checking Z-Buffer depths available...", "Checking for a 32 bit Z-Buffer: ",
                                   "Success! Using 32 bit Z-Buffer", "Getting device capibilities.",
                                   "Device set up correctly-- finished initialisation!", " "));
}

TEST_F(StartUpTest, AMissingModeEndsTheProgramWithItsMessageAndTheLogSaved)
{
    EXPECT_EQ(RunToExit([&] { Start(800, 600, 32, false); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title, "Error starting DirectX");
    EXPECT_EQ(platform.MessageBoxes[0].Text,
              "Error: The display mode 800x600 in 32-bit colour mode is not supported by your hardware!\r\n"
              "Please change the settings.");
    EXPECT_EQ(platform.MessageBoxes[0].Icon, MessageBoxIcon::Critical);
    const std::vector<std::string> saved = SplitCrLfLines(ReadWholeFile(folder / "Log.txt"));
    const auto bad = std::find(saved.begin(), saved.end(), "Bad Display mode: Quitting at 12:34:56");
    ASSERT_NE(bad, saved.end());
    EXPECT_EQ(*(bad - 1), "Starting Direct3D");
    EXPECT_EQ(*(bad + 1), "Destroyed DirectX at 12:34:56");
}

TEST_F(StartUpTest, ATwentyFourBitRequestNeverMatches)
{
    graphics->Modes.push_back(Mode(1024, 768, 60, D3DFMT_R8G8B8));
    EXPECT_EQ(RunToExit([&] { Start(1024, 768, 24, false); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Text,
              "Error: The display mode 1024x768 in 24-bit colour mode is not supported by your hardware!\r\n"
              "Please change the settings.");
}

TEST_F(StartUpTest, WindowedStartsKeepTheAdapterFormatOfTheRequestedDepth)
{
    graphics->Modes = {Mode(800, 600, 60, D3DFMT_R8G8B8), Mode(800, 600, 60, D3DFMT_X8R8G8B8)};
    ASSERT_TRUE(Start(800, 600, 32, true));
    EXPECT_EQ(PresentParams.Windowed, 1);
    EXPECT_EQ(PresentParams.BackBufferFormat, D3DFMT_R8G8B8);
}

TEST_F(StartUpTest, AFailingAdapterQueryReportsAnInitialisationErrorWithoutEndingTheProgram)
{
    graphics->ModeReadFailures[2] = D3DERR_INVALIDCALL;
    EXPECT_FALSE(Start(1024, 768, 32, false));
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title, "DX8 Error");
    EXPECT_EQ(platform.MessageBoxes[0].Text, "Error in initialisation! Quitting...");
    EXPECT_EQ(Log().back(), "Failed to set up the device.");
    EXPECT_EQ(Log().end()[-2], "Starting Direct3D");
}

TEST_F(StartUpTest, ABackEndThatCannotStartFailsTheStartUpInOrder)
{
    graphics->NoAdapter = true;
    EXPECT_FALSE(Start(640, 480, 16, false));
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Title, "DX8 Error");
    EXPECT_EQ(Log().back(), "Failed to set up the device.");
}

TEST_F(StartUpTest, TheStandardSetupSelectsTheVertexLayoutLightingDepthViewAndMaterial)
{
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    EXPECT_THAT(graphics->CallsStartingWith("Set"),
                ElementsAre("SetVertexShader(0x112)", "SetRenderState(137, 1)", "SetRenderState(7, 1)",
                            "SetTransform(2)", "SetMaterial", "SetFocus frmMain"));
    D3DMATRIX expected;
    const D3DVECTOR eye{0, 10, 0}, at{0, 0, 0}, up{0, 0, 1};
    D3DXMatrixLookAtLH(&expected, &eye, &at, &up);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(graphics->Transforms[D3DTS_VIEW].m[r][c], expected.m[r][c]);
    // Looking from y = 10 toward the origin: the origin lies 10 units ahead.
    float p[4];
    D3DXVec4TransformPoint(&graphics->Transforms[D3DTS_VIEW], &at, p);
    EXPECT_NEAR(p[2], 10.0f, 1e-5f);

    const D3DMATERIAL8& m = graphics->Material;
    for (const D3DCOLORVALUE& c : {m.Diffuse, m.Ambient}) {
        EXPECT_EQ(c.r, 1.0f);
        EXPECT_EQ(c.g, 1.0f);
        EXPECT_EQ(c.b, 1.0f);
        EXPECT_EQ(c.a, 1.0f);
    }
    EXPECT_EQ(m.Specular.r, 0.0f);
    EXPECT_EQ(m.Power, 0.0f);
    EXPECT_THAT(Log(), Contains("Setting up a standard material"));
}

TEST_F(StartUpTest, FrameHelpersPassTheirArgumentsAndRaiseFailures)
{
    ASSERT_TRUE(Start(640, 480, 16, false));
    CreateGraphicsDevice(&mainWindow);
    journal->clear();
    ClearFrame(0);
    PresentFrame();
    SetAmbientLight(100, 100, 100);
    EXPECT_THAT(*journal, ElementsAre("Clear(0, 3, 0x0, 1, 0)", "Present", "SetRenderState(139, 6579300)"));

    graphics->FailingCalls["Present"] = D3DERR_DEVICELOST;
    try {
        PresentFrame();
        FAIL() << "no error raised";
    } catch (const GraphicsError& error) {
        EXPECT_EQ(error.Code(), D3DERR_DEVICELOST);
    }
    graphics->FailingCalls["Clear"] = D3DERR_INVALIDCALL;
    EXPECT_THROW(ClearFrame(0), GraphicsError);
}

} // namespace

#include "tests/game/GameFixture.h"

#include "framework/D3DXMath.h"
#include "game/mdlRender.h"
#include "world/mdlMap.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

class RendererTest : public GameTest {
protected:
    // Where a world point lands in the camera's space after a frame.
    std::array<float, 3> InView(D3DVECTOR point)
    {
        float out[4];
        D3DXVec4TransformPoint(&graphics->Transforms[D3DTS_VIEW], &point, out);
        return {out[0], out[1], out[2]};
    }
};

TEST_F(RendererTest, AFrameClearsLightsSetsTheCameraDrawsTheWorldAndTheReadOutThenPresents)
{
    MakeTexture("a.png");
    LoadMapText("TEXTURE,1,a.png\r\nWALL,0,10,10,10,0,-20,1,1,1,0,0\r\nFLOOR,0,0,10,0,0,10,0,1,0,0,1,0,0,1\r\n");
    journal->clear();
    mdlRender::RenderFrame(1, 2, 3, 0, 0);
    EXPECT_THAT(*journal,
                ElementsAre("Clear(0, 3, 0x0, 1, 0)", "LightEnable(0, 1)", "SetLight(0)", "LightEnable(1, 1)",
                            "SetLight(1)", "BeginScene", "SetTransform(2)", "SetTransform(256)", "SetMaterial",
                            "SetTransform(256)", "SetTexture(0, a.png)", "SetStreamSource(0, vb3, 32)",
                            "DrawPrimitive(4, 0, 2)", "SetMaterial", "SetTransform(256)", "SetTexture(0, a.png)",
                            "SetStreamSource(0, vb2, 32)", "DrawPrimitive(4, 0, 1)", "CreateFont(Tahoma, 12)",
                            "DrawText(FPS: 0 @ 2,0,102,100 #33FFFFFF, Tahoma 12, 0)", "EndScene", "Present"));
    const D3DVECTOR& lamp = graphics->Lights[1].Position;
    EXPECT_EQ(lamp.x, 1.0f);
    EXPECT_EQ(lamp.y, 2.0f);
    EXPECT_EQ(lamp.z, 3.0f);

    // The font is kept for the next frame.
    journal->clear();
    mdlRender::FramesPerSecond = 61;
    mdlRender::RenderFrame(1, 2, 3, 0, 0);
    EXPECT_TRUE(graphics->CallsStartingWith("CreateFont").empty());
    EXPECT_EQ(graphics->Texts.back(), "FPS: 61 @ 2,0,102,100 #33FFFFFF");
}

TEST_F(RendererTest, TheCameraLooksAlongTheHeadingWithUpAlongMinusZ)
{
    mdlRender::RenderFrame(0, 0, 0, 0, 0);
    D3DMATRIX expected;
    const D3DVECTOR eye{0, 0, 0}, target{0, 1, 0}, up{0, 0, -1};
    D3DXMatrixLookAtLH(&expected, &eye, &target, &up);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(graphics->Transforms[D3DTS_VIEW].m[r][c], expected.m[r][c]);
    // Straight ahead along +y; +x is to the right of the screen and -z (higher) is up.
    auto ahead = InView({0, 10, 0});
    EXPECT_NEAR(ahead[0], 0.0f, 1e-5f);
    EXPECT_NEAR(ahead[2], 10.0f, 1e-5f);
    EXPECT_GT(InView({1, 10, 0})[0], 0.0f);
    EXPECT_GT(InView({0, 10, -1})[1], 0.0f);

    mdlRender::RenderFrame(5, 5, -15, 90, 0);
    ahead = InView({15, 5, -15});
    EXPECT_NEAR(ahead[0], 0.0f, 1e-4f);
    EXPECT_NEAR(ahead[1], 0.0f, 1e-4f);
    EXPECT_NEAR(ahead[2], 10.0f, 1e-4f);
    EXPECT_LT(InView({15, 6, -15})[0], 0.0f); // +y lies to the left when facing +x

    // Pitch 89 looks almost straight down (toward +z).
    mdlRender::RenderFrame(0, 0, 0, 0, 89);
    const auto below = InView({0, 0, 10});
    EXPECT_NEAR(below[2], 10 * 0.99985f, 1e-3f);
    EXPECT_NEAR(below[0], 0.0f, 1e-4f);
}

TEST_F(RendererTest, AFailingDeviceCallEndsTheFrameWithItsError)
{
    graphics->FailingCalls["BeginScene"] = D3DERR_DEVICELOST;
    try {
        mdlRender::RenderFrame(0, 0, 0, 0, 0);
        FAIL() << "no error raised";
    } catch (const GraphicsError& error) {
        EXPECT_EQ(error.Code(), D3DERR_DEVICELOST);
    }
    EXPECT_TRUE(graphics->CallsStartingWith("Present").empty());
}

} // namespace

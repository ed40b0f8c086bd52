#include "tests/game/GameFixture.h"

#include "game/frmMain.h"
#include "game/mdlRender.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <sstream>

using ::testing::ElementsAre;

namespace {

// A light record in a line: type; diffuse, specular and ambient colours (r g b a); position;
// direction; range, fall-off, the three attenuation factors, theta and phi.
std::string Described(const D3DLIGHT8& l)
{
    std::ostringstream text;
    const auto colour = [&](const D3DCOLORVALUE& c) { text << " | " << c.r << " " << c.g << " " << c.b << " " << c.a; };
    const auto vector = [&](const D3DVECTOR& v) { text << " | " << v.x << " " << v.y << " " << v.z; };
    text << "type " << l.Type;
    colour(l.Diffuse);
    colour(l.Specular);
    colour(l.Ambient);
    vector(l.Position);
    vector(l.Direction);
    text << " | " << l.Range << " " << l.Falloff << " " << l.Attenuation0 << " " << l.Attenuation1 << " "
         << l.Attenuation2 << " " << l.Theta << " " << l.Phi;
    return text.str();
}

using RendererTest = GameTest;

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
    EXPECT_EQ(std::tuple(lamp.x, lamp.y, lamp.z), std::tuple(1.0f, 2.0f, 3.0f)) << "the lamp sits at the eye";
    // The font is kept for the next frame.
    journal->clear();
    mdlRender::FramesPerSecond = 61;
    mdlRender::RenderFrame(1, 2, 3, 0, 0);
    EXPECT_TRUE(graphics->CallsStartingWith("CreateFont").empty());
    EXPECT_EQ(graphics->Texts.back(), "FPS: 61 @ 2,0,102,100 #33FFFFFF");

    graphics->FailingCalls["BeginScene"] = D3DERR_DEVICELOST;
    journal->clear();
    EXPECT_EQ(RaisedGraphicsError([] { mdlRender::RenderFrame(0, 0, 0, 0, 0); }).Code(), D3DERR_DEVICELOST);
    EXPECT_TRUE(graphics->CallsStartingWith("Present").empty());
}

TEST_F(RendererTest, TheCameraLooksAlongTheHeadingWithUpAlongMinusZ)
{
    // Yaw 0 looks along +y with +x on the right; yaw 90 along +x; pitch 89 almost straight down
    // (+z). Higher points (-z) are up on the screen.
    const struct {
        float X, Y, Z, Yaw, Pitch;
        D3DVECTOR Point, InView;
    } cases[] = {
        {0, 0, 0, 0, 0, {0, 10, 0}, {0, 0, 10}},   {0, 0, 0, 0, 0, {1, 10, -1}, {1, 1, 10}},
        {5, 5, -15, 90, 0, {15, 5, -15}, {0, 0, 10}}, {5, 5, -15, 90, 0, {15, 6, -15}, {-1, 0, 10}},
        {0, 0, 0, 0, 89, {0, 0, 10}, {0, -0.1745f, 9.9985f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "yaw " << c.Yaw << " pitch " << c.Pitch);
        mdlRender::RenderFrame(c.X, c.Y, c.Z, c.Yaw, c.Pitch);
        ExpectMapsTo(graphics->Transforms[D3DTS_VIEW], c.Point, c.InView, 1e-3f);
    }
}

TEST_F(RendererTest, TheSetUpRunsOnceBeforeTheFirstFrameWithTheGamesLightsAtTheSpawn)
{
    mdlEntities::AddEntity("PLAYERSPAWN", 100, 200, 50);
    RunLoop({0}, [&](int pass) {
        if (pass == 3)
            platform.QueueEvent([] { frmMain::Form_KeyPress(27); });
    });
    ASSERT_EQ(Frames(), 3);
    for (const char* once : {"SetTransform(3)", "SetRenderState(22, 3)", "SetRenderState(139, 6579300)"})
        EXPECT_EQ(std::count(journal->begin(), journal->end(), once), 1) << once;
    EXPECT_EQ(graphics->CallsStartingWith("SetTextureStageState").size(), 3u);
    EXPECT_EQ(graphics->CallsStartingWith("SetLight(1)").size(), 3u) << "the lamp follows the eye every frame";
    EXPECT_EQ(Described(graphics->Lights[0]), "type 3 | 1 1 1 1 | 0 0 0 0 | 0 0 0 0 | 1 0 0 | 0 1 0 | 1 0 0 0 0 0 0");
    // The eye, and the lamp with it, stand 5 above the spawn entity (z grows downward).
    EXPECT_EQ(Described(graphics->Lights[1]),
              "type 1 | 1 1 1 1 | 0 0 0 0 | 0 0 0 0 | 100 200 45 | 0 0 0 | 300 0 0 0.02 0 0 0");
    // The projection: 60 degrees vertically, aspect 0.8, depth 0.1 to 500.
    const D3DMATRIX& projection = graphics->Transforms[D3DTS_PROJECTION];
    EXPECT_FLOAT_EQ(projection.m[1][1], 1 / std::tan(static_cast<float>(M_PI / 6)));
    EXPECT_FLOAT_EQ(projection.m[0][0], projection.m[1][1] / 0.8f);
    EXPECT_FLOAT_EQ(projection.m[3][2], -0.1f * 500 / 499.9f);
}

} // namespace

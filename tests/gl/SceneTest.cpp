// Walls and floors made by the world's stores, drawn on the real device by the game's own set-up
// and frame renderer: each shows one face, the one its normal points to, and never its back.
#include "game/mdlRender.h"
#include "tests/gl/GlTestSupport.h"
#include "tests/support/WorldFixture.h"
#include "world/mdlFloors.h"
#include "world/mdlWalls.h"

#include <filesystem>

using namespace DirectX_Framework;

namespace {

class Scene : public GlFrameworkTest {
protected:
    void SetUp() override
    {
        GlFrameworkTest::SetUp();
        if (HasFatalFailure())
            return;
        ResetWorldState();
        mdlRender::ResetState();
        StartGame(32);
        mdlRender::PrepareRendering();
    }
    void TearDown() override
    {
        ResetWorldState();
        mdlRender::ResetState();
        GlFrameworkTest::TearDown();
    }
    // Draws a frame from the eye; how many of the four points halfway from the picture's centre
    // to its edges are drawn. A surface across the whole view covers them two on each side of
    // any line through the centre, so each of its triangles holds at least one.
    int Shown(float x, float y, float z, float yaw, float pitch)
    {
        mdlRender::RenderFrame(x, y, z, yaw, pitch);
        EXPECT_EQ(D3DDevice->GetFrontBufferData(frame), D3D_OK);
        int shown = 0;
        for (const auto& [across, down] : {std::pair{1u, 2u}, std::pair{3u, 2u}, std::pair{2u, 1u}, std::pair{2u, 3u}})
            shown += (PixelAt(frame, frame.Width * across / 4, frame.Height * down / 4) & 0xFFFFFF) != 0;
        return shown;
    }

    ImageARGB frame;
};

TEST_F(Scene, WallsAndFloorsShowOnlyTheFaceTheirNormalPointsTo)
{
    // A wall across y = 10 whose second edge is the higher one faces -y; with its edges the
    // other way round it faces +y. The eye stands 10 away on either side, level with its middle.
    const struct {
        float Z1, Z2, EyeY, Yaw;
        bool Shown;
    } walls[] = {{0, -20, 0, 0, true}, {0, -20, 20, 180, false}, {-20, 0, 0, 0, false}, {-20, 0, 20, 180, true}};
    for (const auto& w : walls) {
        SCOPED_TRACE(testing::Message() << "wall from " << w.Z1 << " to " << w.Z2 << " seen from y " << w.EyeY);
        ResetWorldState();
        mdlWalls::AddWall(-20, 10, 20, 10, w.Z1, w.Z2, 1, 1, 1, 0, 0);
        mdlWalls::RegroupWallsByTexture();
        EXPECT_EQ(Shown(0, w.EyeY, -10, w.Yaw, 0), w.Shown ? 4 : 0);
    }
    // A floor whose corners turn from +x toward +y faces up (a floor); the other way round it
    // faces down (a ceiling). The eye looks at it from 15 above or 15 below.
    for (const auto& [faceUp, eyeZ, shown] : {std::tuple{true, -15.0f, true}, std::tuple{true, 15.0f, false},
                                             std::tuple{false, -15.0f, false}, std::tuple{false, 15.0f, true}}) {
        SCOPED_TRACE(testing::Message() << (faceUp ? "floor" : "ceiling") << " seen from z " << eyeZ);
        ResetWorldState();
        const float x2 = faceUp ? 300 : -100;
        const float y2 = faceUp ? -100 : 300;
        mdlFloors::AddFloor(-100, -100, x2, y2, y2, x2, 0, 1, 0, 0, 0, 0, 0, 0);
        mdlFloors::AddFloor(0, 0, 0, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 0); // closes the batch, as the map loader does
        EXPECT_EQ(Shown(0, 0, eyeZ, 0, eyeZ < 0 ? 89.0f : -89.0f), shown ? 4 : 0);
    }
}

TEST_F(Scene, AFrameSavedAsAPictureHoldsEveryPixel)
{
    mdlWalls::AddWall(-20, 10, 20, 10, 0, -20, 1, 1, 1, 0, 0);
    mdlWalls::RegroupWallsByTexture();
    mdlRender::FramesPerSecond = 60;
    ASSERT_EQ(Shown(0, 0, -10, 10, 5), 4);
    // Kept in the test's working folder for a person to look at.
    std::filesystem::create_directories("screenshots");
    ASSERT_EQ(D3DX->SaveImageToPng("screenshots/wall.png", frame), D3D_OK);
    const ImageARGB saved = ReadImageFile("screenshots/wall.png");
    EXPECT_EQ(saved.Width, 640u);
    EXPECT_TRUE(saved.Pixels == frame.Pixels) << "the PNG differs from the frame";
}

} // namespace

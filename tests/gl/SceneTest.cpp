// A small room drawn the way the game draws its world: the game's projection and camera, a
// textured floor and walls, the fixed directional light and the point light at the eye, and the
// faint read-out. The frame is saved as screenshots/lit-room.png (in the test's working folder)
// for a person to look at.
#include "framework/D3DXMath.h"
#include "tests/gl/GlTestSupport.h"

#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

using Scene = GlDeviceTest;

// Bricks: light bricks with dark mortar lines, 64 x 64 pixels.
std::vector<std::uint32_t> Bricks()
{
    std::vector<std::uint32_t> pixels(64 * 64);
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x) {
            const UINT shifted = (y / 16) % 2 == 0 ? x : (x + 16) % 64;
            const bool mortar = y % 16 == 0 || shifted % 32 == 0;
            pixels[y * 64 + x] = mortar ? 0xFF404040u : 0xFFB05030u;
        }
    return pixels;
}

TEST_F(Scene, ALitTexturedRoomWithTheReadOutLooksAsTheGameWouldDrawIt)
{
    MakeDevice(320, 240, D3DFMT_X8R8G8B8, D3DFMT_D24X8);
    D3DMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, static_cast<float>(M_PI / 3), 0.8f, 0.1f, 500.0f);
    const D3DVECTOR eye{0, 0, 0};
    const D3DVECTOR target{0, 1, 0};
    const D3DVECTOR up{0, 0, -1};
    D3DMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
    ASSERT_EQ(device->SetTransform(D3DTS_VIEW, view), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, 0x00646464), D3D_OK);
    for (const DWORD filter : {D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER})
        ASSERT_EQ(device->SetTextureStageState(0, filter, D3DTEXF_LINEAR), D3D_OK);
    ASSERT_EQ(device->LightEnable(0, 1), D3D_OK);
    ASSERT_EQ(device->SetLight(0, SunLight({0, 1, 0})), D3D_OK);
    ASSERT_EQ(device->LightEnable(1, 1), D3D_OK);
    ASSERT_EQ(device->SetLight(1, LampLight(eye)), D3D_OK);
    D3DMATERIAL8 standard{};
    standard.Diffuse = {1, 1, 1, 1};
    standard.Ambient = {1, 1, 1, 1};
    ASSERT_EQ(device->SetMaterial(standard), D3D_OK);
    TexturePtr bricks = MakeTexture(64, 64, Bricks());
    ASSERT_EQ(device->SetTexture(0, bricks.get()), D3D_OK);

    // A corridor 60 wide along +y: floor 15 below the eye (z grows downward), ceiling-less walls,
    // and an end wall 200 ahead, each wound clockwise as seen from inside. Texture repeats every
    // 20 units.
    const auto tiled = [](std::vector<Vertex> quad, float across, float along) {
        for (Vertex& v : quad) {
            v.tu *= across / 20;
            v.tv *= along / 20;
        }
        return quad;
    };
    std::vector<Vertex> room;
    for (const auto& part : {
             tiled(Quad({-30, 200, 15}, {30, 200, 15}, {30, 5, 15}, {-30, 5, 15}, {0, 0, -1}), 60, 195),
             tiled(Quad({-30, 5, -25}, {-30, 200, -25}, {-30, 200, 15}, {-30, 5, 15}, {1, 0, 0}), 195, 40),
             tiled(Quad({30, 200, -25}, {30, 5, -25}, {30, 5, 15}, {30, 200, 15}, {-1, 0, 0}), 195, 40),
             tiled(Quad({-30, 200, -25}, {30, 200, -25}, {30, 200, 15}, {-30, 200, 15}, {0, -1, 0}), 60, 40),
         })
        room.insert(room.end(), part.begin(), part.end());
    Draw(room);

    FontPtr font;
    ASSERT_EQ(d3dx->CreateFont(*device, "Tahoma", 12, font), D3D_OK);
    ASSERT_EQ(font->DrawText("FPS: 60", {2, 0, 102, 100}, 0, 0x33FFFFFF), D3D_OK);
    const ImageARGB frame = Frame();

    std::filesystem::create_directories("screenshots");
    ASSERT_EQ(d3dx->SaveImageToPng("screenshots/lit-room.png", frame), D3D_OK);
    SDL_Surface* saved = IMG_Load("screenshots/lit-room.png");
    ASSERT_NE(saved, nullptr);
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(saved, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(saved);
    ASSERT_EQ(argb->w, 320);
    ASSERT_EQ(argb->h, 240);
    int differing = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            differing += reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(argb->pixels) +
                                                                y * argb->pitch)[x] != PixelAt(frame, x, y);
    SDL_FreeSurface(argb);
    EXPECT_EQ(differing, 0) << "the PNG holds the frame";

    // Every part is drawn; the floor fades from the lamp at the eye into the distance, where the
    // end wall, facing the sun, is bright again.
    const auto brightest = [&](UINT x0, UINT y0, UINT x1, UINT y1) {
        int most = 0;
        for (UINT y = y0; y < y1; ++y)
            for (UINT x = x0; x < x1; ++x) {
                const std::uint32_t p = PixelAt(frame, x, y);
                most = std::max(most, RedOf(p) + GreenOf(p) + BlueOf(p));
            }
        return most;
    };
    const int nearFloor = brightest(140, 225, 180, 240);
    const int farFloor = brightest(150, 140, 170, 146);
    const int endWall = brightest(150, 105, 170, 125);
    EXPECT_GT(nearFloor, farFloor + 60);
    EXPECT_GT(endWall, farFloor + 60);
    EXPECT_GT(brightest(0, 100, 20, 140), 0) << "the left wall";
    EXPECT_GT(brightest(300, 100, 320, 140), 0) << "the right wall";
}

} // namespace

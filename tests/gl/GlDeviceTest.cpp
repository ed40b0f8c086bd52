// The OpenGL device drawing into a window under a real X server, read back pixel by pixel.
#include "framework/D3DXMath.h"
#include "tests/gl/GlTestSupport.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <set>

using ::testing::ElementsAre;

namespace {

constexpr UINT Size = 64;

int MaxChannel(const ImageARGB& image)
{
    int most = 0;
    for (const std::uint32_t p : image.Pixels)
        most = std::max({most, RedOf(p), GreenOf(p), BlueOf(p)});
    return most;
}

int LitPixels(const ImageARGB& image)
{
    return static_cast<int>(std::count_if(image.Pixels.begin(), image.Pixels.end(),
                                          [](std::uint32_t p) { return (p & 0xFFFFFF) != 0; }));
}

class GlDrawing : public GlDeviceTest {
protected:
    // Draws the centre quad lit by one light and returns the red channel at the centre.
    int LitCentre(const D3DLIGHT8& light, const D3DMATERIAL8& material, D3DCOLOR ambient = 0)
    {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_AMBIENT, ambient), D3D_OK);
        EXPECT_EQ(device->SetMaterial(material), D3D_OK);
        EXPECT_EQ(device->SetLight(0, light), D3D_OK);
        EXPECT_EQ(device->LightEnable(0, 1), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
        return RedOf(PixelAt(Frame(), Size / 2, Size / 2));
    }
};

TEST_F(GlDrawing, ClearShowsItsColourOnlyAfterPresentAndOnlyInsideItsRectangles)
{
    MakeDevice(Size, Size);
    ImageARGB before;
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00336699, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->GetFrontBufferData(before), D3D_OK);
    EXPECT_EQ(PixelAt(before, 10, 10), 0xFF000000u) << "the front buffer changed before Present";

    const ImageARGB after = Frame();
    ASSERT_EQ(after.Width, Size);
    ASSERT_EQ(after.Height, Size);
    EXPECT_TRUE(std::all_of(after.Pixels.begin(), after.Pixels.end(), [](std::uint32_t p) { return p == 0xFF336699u; }));

    const D3DRECT topLeft{0, 0, 16, 8};
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(1, &topLeft, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    const ImageARGB partly = Frame();
    EXPECT_EQ(PixelAt(partly, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(partly, 15, 7), 0xFFFF0000u);
    EXPECT_EQ(PixelAt(partly, 16, 7), 0xFF000000u);
    EXPECT_EQ(PixelAt(partly, 15, 8), 0xFF000000u);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(GlDrawing, ADirectionalLightFollowsTheCosineOfItsAngleToTheSurface)
{
    MakeDevice(Size, Size);
    const float s60 = std::sqrt(3.0f) / 2.0f;
    // The quad's normal points at the viewer (-z); a light shining along +z hits it head on.
    EXPECT_NEAR(LitCentre(SunLight({0, 0, 1}), Material(1)), 255, 1);
    EXPECT_NEAR(LitCentre(SunLight({0, s60, 0.5f}), Material(1)), 128, 2);
    EXPECT_NEAR(LitCentre(SunLight({0, 0, 5}), Material(0.5f)), 128, 2) << "the direction is normalised";
    EXPECT_EQ(LitCentre(SunLight({0, 0, -1}), Material(1)), 0) << "lit from behind";
    // Global ambient 100 on the ambient material, plus half of the diffuse at 60 degrees.
    EXPECT_NEAR(LitCentre(SunLight({0, s60, 0.5f}), Material(0.5f, 1.0f), 0x00646464), 164, 2);
}

TEST_F(GlDrawing, APointLightDimsWithDistanceAndLightsNothingBeyondItsRange)
{
    MakeDevice(Size, Size);
    // Attenuation 1 / (0.02 d): half at 100 units, a quarter at 200, none past the range of 300.
    const int near = LitCentre(LampLight({0, 0, 0.5f - 100}), Material(1));
    const int far = LitCentre(LampLight({0, 0, 0.5f - 200}), Material(1));
    const int outside = LitCentre(LampLight({0, 0, 0.5f - 310}), Material(1));
    EXPECT_NEAR(near, 127, 2);
    EXPECT_NEAR(far, 64, 2);
    EXPECT_EQ(outside, 0);
    // Closer than 50 units the attenuation passes 1 and the colour saturates.
    EXPECT_EQ(LitCentre(LampLight({0, 0, 0.5f - 20}), Material(1)), 255);
}

TEST_F(GlDrawing, WithoutLightingSurfacesAreWhiteAndWithoutLightsOnlyAmbientAndEmissiveShow)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    ASSERT_EQ(device->SetMaterial(Material(0)), D3D_OK);
    Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
    EXPECT_EQ(PixelAt(Frame(), 5, 5), 0xFFFFFFFFu);

    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, 0x00404040), D3D_OK);
    D3DMATERIAL8 material{};
    material.Ambient = {1, 0.5f, 0, 1};
    material.Emissive = {0, 0, 0.25f, 1};
    ASSERT_EQ(device->SetMaterial(material), D3D_OK);
    Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
    const std::uint32_t pixel = PixelAt(Frame(), 5, 5);
    EXPECT_NEAR(RedOf(pixel), 64, 1);
    EXPECT_NEAR(GreenOf(pixel), 32, 1);
    EXPECT_NEAR(BlueOf(pixel), 64, 1);
}

TEST_F(GlDrawing, CullingRemovesTrianglesThatAppearCounterClockwiseOnTheScreen)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    D3DMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, static_cast<float>(M_PI / 3), 1.0f, 0.1f, 500.0f);
    ASSERT_EQ(device->SetTransform(D3DTS_PROJECTION, projection), D3D_OK);
    // A wall across the +y axis, 10 units ahead of a camera that looks along +y with -z up,
    // wound clockwise as seen from that camera.
    const auto wall = Quad({-3, 10, -3}, {3, 10, -3}, {3, 10, 3}, {-3, 10, 3}, {0, -1, 0});

    const auto shows = [&](D3DVECTOR eye, D3DVECTOR target, DWORD cull) {
        const D3DVECTOR up{0, 0, -1};
        D3DMATRIX view;
        D3DXMatrixLookAtLH(&view, &eye, &target, &up);
        EXPECT_EQ(device->SetTransform(D3DTS_VIEW, view), D3D_OK);
        EXPECT_EQ(device->SetRenderState(D3DRS_CULLMODE, cull), D3D_OK);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        Draw(wall);
        return PixelAt(Frame(), Size / 2, Size / 2) == 0xFFFFFFFFu;
    };
    const D3DVECTOR front{0, 0, 0};
    const D3DVECTOR behind{0, 20, 0};
    const D3DVECTOR wallCentre{0, 10, 0};
    EXPECT_TRUE(shows(front, wallCentre, D3DCULL_CCW));
    EXPECT_FALSE(shows(behind, wallCentre, D3DCULL_CCW));
    EXPECT_FALSE(shows(front, wallCentre, D3DCULL_CW));
    EXPECT_TRUE(shows(behind, wallCentre, D3DCULL_CW));
    EXPECT_TRUE(shows(front, wallCentre, D3DCULL_NONE));
    EXPECT_TRUE(shows(behind, wallCentre, D3DCULL_NONE));
}

TEST_F(GlDrawing, FillModesDrawPointsLinesOrWholeTriangles)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    const auto lit = [&](DWORD mode) {
        EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, mode), D3D_OK);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        Draw(ScreenQuad(-0.5f, 0.5f, 0.5f, -0.5f, 0.5f)); // 32 x 32 pixels
        return Frame();
    };
    const ImageARGB solid = lit(D3DFILL_SOLID);
    const ImageARGB wire = lit(D3DFILL_WIREFRAME);
    const ImageARGB points = lit(D3DFILL_POINT);
    EXPECT_NEAR(LitPixels(solid), 32 * 32, 40);
    // Four sides and a diagonal, one pixel wide; inside a triangle it stays black.
    EXPECT_GT(LitPixels(wire), 100);
    EXPECT_LT(LitPixels(wire), 300);
    EXPECT_EQ(PixelAt(wire, 22, 40) & 0xFFFFFF, 0u);
    // The four corners, a pixel each.
    EXPECT_GE(LitPixels(points), 1);
    EXPECT_LE(LitPixels(points), 8);
}

TEST_F(GlDrawing, TheDepthTestKeepsTheNearerSurfaceUnlessItIsSwitchedOff)
{
    MakeDevice(Size, Size);
    D3DMATERIAL8 red{};
    red.Emissive = {1, 0, 0, 1};
    D3DMATERIAL8 green{};
    green.Emissive = {0, 1, 0, 1};
    const auto drawNearThenFar = [&]() {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        EXPECT_EQ(device->SetMaterial(red), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.2f));
        EXPECT_EQ(device->SetMaterial(green), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.8f));
        return PixelAt(Frame(), Size / 2, Size / 2);
    };
    EXPECT_EQ(drawNearThenFar(), 0xFFFF0000u);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, 0), D3D_OK);
    EXPECT_EQ(drawNearThenFar(), 0xFF00FF00u);
}

TEST_F(GlDrawing, TexturesAreSampledTheRightWayUpAndThroughTheirMipChain)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);

    // Texture coordinates (0, 0) are the picture's top-left corner.
    TexturePtr corners = MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_TRUE(corners);
    EXPECT_EQ(corners->LevelCount(), 2u);
    EXPECT_THAT(Quarters(corners), ElementsAre(0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu));

    // A one-pixel checkerboard shrunk eight times: without mip levels the samples are black or
    // white; through the mip chain they are the grey of the average.
    std::vector<std::uint32_t> board(64 * 64);
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 64; ++x)
            board[y * 64 + x] = (x + y) % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
    TexturePtr checker = MakeTexture(64, 64, board);
    ASSERT_TRUE(checker);
    EXPECT_EQ(checker->LevelCount(), 7u);
    ASSERT_EQ(device->SetTexture(0, checker.get()), D3D_OK);
    const auto shrunk = [&](DWORD minFilter, DWORD mipFilter) {
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MINFILTER, minFilter), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MIPFILTER, mipFilter), D3D_OK);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
        Draw(ScreenQuad(-0.125f, 0.125f, 0.125f, -0.125f, 0.5f)); // 8 x 8 pixels
        const ImageARGB image = Frame();
        std::vector<int> greys;
        for (UINT y = 29; y < 35; ++y)
            for (UINT x = 29; x < 35; ++x)
                greys.push_back(RedOf(PixelAt(image, x, y)));
        return greys;
    };
    for (const int grey : shrunk(D3DTEXF_POINT, D3DTEXF_NONE))
        EXPECT_TRUE(grey == 0 || grey == 255) << grey;
    for (const int grey : shrunk(D3DTEXF_LINEAR, D3DTEXF_LINEAR))
        EXPECT_NEAR(grey, 128, 8);
}

TEST_F(GlDrawing, ATextureSetOnTheDeviceStaysUsableAfterItsOwnerDropsIt)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    TexturePtr texture = MakeTexture(1, 1, {0xFF00FF00});
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    texture.reset();
    Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
    EXPECT_EQ(PixelAt(Frame(), 5, 5), 0xFF00FF00u);
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
    EXPECT_EQ(PixelAt(Frame(), 5, 5), 0xFFFFFFFFu) << "an empty stage draws untextured";
}

TEST_F(GlDrawing, ASixteenBitBackBufferShowsItsColourSteps)
{
    std::vector<std::uint32_t> ramp(256);
    for (std::uint32_t x = 0; x < 256; ++x)
        ramp[x] = 0xFF000000u | x << 16 | x << 8 | x;
    const auto distinct = [&](D3DFORMAT format, std::set<int>& reds, std::set<int>& greens) {
        MakeDevice(256, 16, format);
        ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
        TexturePtr texture = MakeTexture(256, 1, ramp);
        ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.5f));
        const ImageARGB image = Frame();
        for (UINT x = 0; x < 256; ++x) {
            reds.insert(RedOf(PixelAt(image, x, 8)));
            greens.insert(GreenOf(PixelAt(image, x, 8)));
        }
        device.reset();
    };
    std::set<int> reds16;
    std::set<int> greens16;
    distinct(D3DFMT_R5G6B5, reds16, greens16);
    EXPECT_EQ(reds16.size(), 32u);
    EXPECT_EQ(greens16.size(), 64u);
    // Steps of about 255 / 31 from black to full red.
    EXPECT_EQ(*reds16.begin(), 0);
    EXPECT_EQ(*reds16.rbegin(), 255);
    for (auto step = std::next(reds16.begin()); step != reds16.end(); ++step) {
        EXPECT_GE(*step - *std::prev(step), 7);
        EXPECT_LE(*step - *std::prev(step), 9);
    }

    std::set<int> reds32;
    std::set<int> greens32;
    distinct(D3DFMT_X8R8G8B8, reds32, greens32);
    EXPECT_EQ(reds32.size(), 256u);
}

TEST_F(GlDrawing, TextIsDrawnInItsRectangleInAColourWhoseAlphaBlends)
{
    MakeDevice(128, 64);
    FontPtr font;
    ASSERT_EQ(d3dx->CreateFont(*device, "Tahoma", 12, font), D3D_OK);
    const auto text = [&](const RECT& rect, D3DCOLOR colour) {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
        EXPECT_EQ(font->DrawText("FPS: 60", rect, 0, colour), D3D_OK);
        return Frame();
    };
    const RECT readOut{2, 0, 102, 100};
    const ImageARGB faint = text(readOut, 0x33FFFFFF);
    const ImageARGB full = text(readOut, 0xFFFFFFFF);
    // Alpha 0x33 is a fifth: the brightest pixel of faint text is about 51 over black.
    EXPECT_GE(MaxChannel(faint), 40);
    EXPECT_LE(MaxChannel(faint), 52);
    EXPECT_GE(MaxChannel(full), 240);
    EXPECT_GT(LitPixels(full), 40);
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 128; ++x)
            if (x < 2 || y >= 20) {
                EXPECT_EQ(PixelAt(full, x, y) & 0xFFFFFF, 0u) << "outside the line at " << x << "," << y;
            }

    // Clipped to a narrow rectangle, and drawn in the ink's own colour.
    const ImageARGB clipped = text({2, 0, 12, 100}, 0xFFFF0000);
    int inside = 0;
    for (UINT y = 0; y < 64; ++y)
        for (UINT x = 0; x < 128; ++x) {
            const std::uint32_t p = PixelAt(clipped, x, y);
            EXPECT_EQ(GreenOf(p) + BlueOf(p), 0);
            if (x >= 12) {
                EXPECT_EQ(p & 0xFFFFFF, 0u);
            }
            inside += RedOf(p) > 0;
        }
    EXPECT_GT(inside, 5);
}

TEST_F(GlDrawing, DrawCallsOutsideTheirBufferOrOutOfOrderAreRefused)
{
    MakeDevice(Size, Size);
    const auto quad = ScreenQuad(-1, 1, 1, -1, 0.5f);
    VertexBufferPtr buffer;
    const auto bytes = static_cast<UINT>(quad.size() * sizeof(Vertex));
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL) << "no stream";
    ASSERT_EQ(device->CreateVertexBuffer(bytes, 0, VertexFVF, D3DPOOL_DEFAULT, buffer), D3D_OK);
    EXPECT_EQ(buffer->Fill(8, bytes, 0, quad.data()), D3DERR_INVALIDCALL);
    ASSERT_EQ(buffer->Fill(0, bytes, 0, quad.data()), D3D_OK);
    ASSERT_EQ(device->SetStreamSource(0, buffer.get(), sizeof(Vertex)), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 1, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0xFFFFFFFFu, 0xFFFFFFFFu), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawPrimitive(99, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, VertexFVF, D3DPOOL_DEFAULT, buffer), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(), D3DERR_INVALIDCALL) << "presenting inside a scene";
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(), D3D_OK);
}

TEST_F(GlDrawing, ResourcesOutliveTheDeviceHarmlessly)
{
    MakeDevice(Size, Size);
    TexturePtr texture = MakeTexture(4, 4, std::vector<std::uint32_t>(16, 0xFF808080));
    VertexBufferPtr buffer;
    ASSERT_EQ(device->CreateVertexBuffer(96, 0, VertexFVF, D3DPOOL_DEFAULT, buffer), D3D_OK);
    FontPtr font;
    ASSERT_EQ(d3dx->CreateFont(*device, "Tahoma", 12, font), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);

    device.reset();
    EXPECT_EQ(font->DrawText("late", {0, 0, 50, 20}, 0, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    const std::vector<Vertex> three(3, Vertex{});
    EXPECT_EQ(buffer->Fill(0, 96, 0, three.data()), D3D_OK);
    d3dx.reset();
    d3d.reset();
    root.reset();
    texture.reset();
    buffer.reset();
    font.reset();
}

// ---- the adapter ----------------------------------------------------------------

using GlAdapter = GlDeviceTest;

TEST_F(GlAdapter, OffersBothFormatsForEveryResolutionInAStableOrder)
{
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    ASSERT_GT(count, 0u);
    std::vector<D3DDISPLAYMODE> modes(count);
    for (UINT i = 0; i < count; ++i)
        ASSERT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, modes[i]), D3D_OK);
    D3DDISPLAYMODE beyond;
    EXPECT_EQ(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, count, beyond), D3DERR_INVALIDCALL);
    EXPECT_EQ(d3d->GetAdapterModeCount(1), 0u);

    const auto has = [&](UINT w, UINT h, D3DFORMAT f) {
        return std::any_of(modes.begin(), modes.end(),
                           [&](const D3DDISPLAYMODE& m) { return m.Width == w && m.Height == h && m.Format == f; });
    };
    // The launcher's probe and the first run's default, and the desktop of the test server.
    EXPECT_TRUE(has(320, 200, D3DFMT_R5G6B5));
    EXPECT_TRUE(has(640, 480, D3DFMT_R5G6B5));
    EXPECT_TRUE(has(1280, 1024, D3DFMT_X8R8G8B8));
    EXPECT_FALSE(has(1600, 1200, D3DFMT_X8R8G8B8)) << "larger than the 1280 x 1024 screen";
    for (const D3DDISPLAYMODE& m : modes)
        EXPECT_TRUE(has(m.Width, m.Height, D3DFMT_R5G6B5) && has(m.Width, m.Height, D3DFMT_X8R8G8B8));
    EXPECT_EQ(modes.front().Width, 320u);
    EXPECT_EQ(modes.front().Format, D3DFMT_R5G6B5);
}

TEST_F(GlAdapter, AnswersDepthFormatsByWhetherTheDriverCanUseThem)
{
    for (const D3DFORMAT adapter : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
        for (const D3DFORMAT depth : {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16})
            EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, adapter, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth),
                      D3D_OK)
                << adapter << " " << depth;
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, 73),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, 99, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d->CheckDeviceFormat(1, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                     D3DFMT_D16),
              D3DERR_INVALIDCALL);
}

TEST_F(GlAdapter, ReportsHardwareTransformAndLightingOnlyOnAGraphicsCard)
{
    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, caps), D3D_OK);
    std::string error;
    const bool software = platform->GlContext(error)->IsSoftwareRenderer();
    EXPECT_EQ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0, !software);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_GE(caps.MaxActiveLights, 2u);
    D3DCAPS8 reference{};
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, reference), D3DERR_NOTAVAILABLE);
}

TEST_F(GlAdapter, RefusesDevicesItCannotMake)
{
    window = platform->CreateWindow(MainWindowOptions(64, 64));
    const auto create = [&](const std::function<void(D3DPRESENT_PARAMETERS&)>& change, Window* focus) {
        D3DPRESENT_PARAMETERS p = PresentParameters(nullptr, 64, 64, D3DFMT_X8R8G8B8, 0, true);
        change(p);
        std::unique_ptr<IDirect3DDevice8> made;
        const HRESULT hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, focus, D3DCREATE_SOFTWARE_VERTEXPROCESSING, p, made);
        EXPECT_EQ(made != nullptr, hr == D3D_OK);
        return hr;
    };
    EXPECT_EQ(create([](D3DPRESENT_PARAMETERS&) {}, window.get()), D3D_OK);
    EXPECT_EQ(create([](D3DPRESENT_PARAMETERS&) {}, nullptr), D3DERR_INVALIDCALL) << "no window";
    EXPECT_EQ(create([](D3DPRESENT_PARAMETERS& p) { p.BackBufferFormat = 99; }, window.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(create([](D3DPRESENT_PARAMETERS& p) { p.MultiSampleType = 4; }, window.get()), D3DERR_INVALIDCALL);
    EXPECT_EQ(create(
                  [](D3DPRESENT_PARAMETERS& p) {
                      p.EnableAutoDepthStencil = 1;
                      p.AutoDepthStencilFormat = 12345;
                  },
                  window.get()),
              D3DERR_INVALIDCALL);
    EXPECT_NE(create([](D3DPRESENT_PARAMETERS& p) { p.BackBufferWidth = 1000000; }, window.get()), D3D_OK);
    ScriptedWindow notOurs("elsewhere", nullptr);
    EXPECT_EQ(create([](D3DPRESENT_PARAMETERS&) {}, &notOurs), D3DERR_INVALIDCALL);
}

TEST_F(GlAdapter, AFakeFullscreenDeviceMovesItsWindowToTheCornerAtTheBackBufferSize)
{
    window = platform->CreateWindow(MainWindowOptions(100, 80));
    window->Show();
    D3DPRESENT_PARAMETERS p = PresentParameters(window.get(), 160, 120, D3DFMT_R5G6B5, 0, true);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.get(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, p, device),
              D3D_OK);
    platform->DoEvents();
    EXPECT_EQ(window->Left(), 0);
    EXPECT_EQ(window->Top(), 0);
    EXPECT_EQ(window->ClientWidth(), 160);
    EXPECT_EQ(window->ClientHeight(), 120);
}

} // namespace

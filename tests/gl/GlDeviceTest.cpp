// The OpenGL device drawing into a window under a real X server, read back pixel by pixel.
#include "tests/gl/GlTestSupport.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

using ::testing::ElementsAre;

namespace {

constexpr UINT Size = 64;

std::uint32_t Centre(const ImageARGB& image) { return PixelAt(image, image.Width / 2, image.Height / 2); }

// How many pixels of the rectangle from (left, top) to (right, bottom), excluded, are not black.
int LitIn(const ImageARGB& image, UINT left, UINT top, UINT right, UINT bottom)
{
    int lit = 0;
    for (UINT y = top; y < bottom; ++y)
        for (UINT x = left; x < right; ++x)
            lit += (PixelAt(image, x, y) & 0xFFFFFF) != 0;
    return lit;
}

// The brightest red of the picture (the text is drawn white).
int Brightest(const ImageARGB& image) { return RedOf(*std::max_element(image.Pixels.begin(), image.Pixels.end())); }

D3DMATERIAL8 Material(float diffuse, float ambient = 0, D3DCOLORVALUE emissive = {})
{
    D3DMATERIAL8 material{};
    material.Diffuse = {diffuse, diffuse, diffuse, 1};
    material.Ambient = {ambient, ambient, ambient, 1};
    material.Emissive = emissive;
    return material;
}

// White lights: the sun shining along direction, and a lamp of range 300 fading by 0.02 a unit,
// distance in front of the quads drawn at depth 0.5.
D3DLIGHT8 Sun(D3DVECTOR direction)
{
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Direction = direction;
    light.Range = 1;
    return light;
}

D3DLIGHT8 Lamp(float distance)
{
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_POINT;
    light.Diffuse = {1, 1, 1, 1};
    light.Position = {0, 0, 0.5f - distance};
    light.Range = 300;
    light.Attenuation1 = 0.02f;
    return light;
}

using GlDrawing = GlDeviceTest;

TEST_F(GlDrawing, ClearShowsItsColourOnlyAfterPresentAndOnlyInsideItsRectangles)
{
    MakeDevice(Size, Size);
    ImageARGB before;
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00336699, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->GetFrontBufferData(before), D3D_OK);
    EXPECT_EQ(PixelAt(before, 10, 10), 0xFF000000u) << "the front buffer changed before Present";
    const ImageARGB after = Frame();
    EXPECT_EQ(std::count(after.Pixels.begin(), after.Pixels.end(), 0xFF336699u), Size * Size);
    const D3DRECT topLeft{0, 0, 16, 8};
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Clear(1, &topLeft, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    const ImageARGB partly = Frame();
    EXPECT_EQ(std::tuple(PixelAt(partly, 15, 7), PixelAt(partly, 16, 7), PixelAt(partly, 15, 8)),
              std::tuple(0xFFFF0000u, 0xFF000000u, 0xFF000000u));
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(GlDrawing, LightingFollowsTheFixedFunctionEquation)
{
    MakeDevice(Size, Size);
    const float s60 = std::sqrt(3.0f) / 2.0f;
    const D3DLIGHT8 none{};
    // The quad faces the viewer (normal -z) at depth 0.5; a light along +z hits it head on.
    const struct {
        const char* What;
        D3DLIGHT8 Light;
        D3DMATERIAL8 Material;
        D3DCOLOR Ambient;
        int Red, Green, Blue, Tolerance;
    } cases[] = {
        {"head on", Sun({0, 0, 1}), Material(1), 0, 255, 255, 255, 1},
        {"at 60 degrees: the cosine", Sun({0, s60, 0.5f}), Material(1), 0, 128, 128, 128, 2},
        {"the direction is normalised", Sun({0, 0, 5}), Material(0.5f), 0, 128, 128, 128, 2},
        {"from behind", Sun({0, 0, -1}), Material(1), 0, 0, 0, 0, 0},
        {"global ambient plus diffuse", Sun({0, s60, 0.5f}), Material(0.5f, 1), 0x646464, 164, 164, 164, 2},
        {"lamp 100 away: 1 / (0.02 d)", Lamp(100), Material(1), 0, 127, 127, 127, 2},
        {"lamp 200 away", Lamp(200), Material(1), 0, 64, 64, 64, 2},
        {"lamp beyond its range", Lamp(310), Material(1), 0, 0, 0, 0, 0},
        {"lamp 20 away saturates", Lamp(20), Material(1), 0, 255, 255, 255, 0},
        {"no light: ambient and emissive", none, Material(0, 0.5f, {0, 0, 0.25f, 1}), 0x408040, 32, 64, 96, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_EQ(device->SetRenderState(D3DRS_AMBIENT, c.Ambient), D3D_OK);
        ASSERT_EQ(device->SetMaterial(c.Material), D3D_OK);
        if (c.Light.Type != 0) {
            ASSERT_EQ(device->SetLight(0, c.Light), D3D_OK);
        }
        ASSERT_EQ(device->LightEnable(0, c.Light.Type != 0 ? 1 : 0), D3D_OK);
        const std::uint32_t pixel = Centre(DrawFrame());
        EXPECT_NEAR(RedOf(pixel), c.Red, c.Tolerance);
        EXPECT_NEAR(GreenOf(pixel), c.Green, c.Tolerance);
        EXPECT_NEAR(BlueOf(pixel), c.Blue, c.Tolerance);
    }
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    EXPECT_EQ(Centre(DrawFrame()), 0xFFFFFFFFu) << "unlit surfaces are white";
}

// (Culling, the one mode the game sets, is seen on its walls and floors: SceneTest.)
TEST_F(GlDrawing, FillingAndDepthFollowTheirRenderStates)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    // A 32 x 32 square: whole, as four sides and a diagonal (black inside), or as its corners.
    const auto filled = [&](DWORD mode) {
        EXPECT_EQ(device->SetRenderState(D3DRS_FILLMODE, mode), D3D_OK);
        return DrawFrame(ScreenQuad(-0.5f, 0.5f, 0.5f, -0.5f, 0.5f));
    };
    EXPECT_NEAR(LitPixels(filled(D3DFILL_SOLID)), 32 * 32, 40);
    const ImageARGB wire = filled(D3DFILL_WIREFRAME);
    EXPECT_GT(LitPixels(wire), 100);
    EXPECT_LT(LitPixels(wire), 300);
    EXPECT_EQ(PixelAt(wire, 22, 40) & 0xFFFFFF, 0u);
    EXPECT_GE(LitPixels(filled(D3DFILL_POINT)), 1);
    EXPECT_LE(LitPixels(filled(D3DFILL_POINT)), 8);
    ASSERT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID), D3D_OK);

    // The nearer red quad drawn first stays in front of the green one, unless depth is off.
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 1), D3D_OK);
    const auto nearThenFar = [&] {
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
        EXPECT_EQ(device->SetMaterial(Material(0, 0, {1, 0, 0, 1})), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.2f));
        EXPECT_EQ(device->SetMaterial(Material(0, 0, {0, 1, 0, 1})), D3D_OK);
        Draw(ScreenQuad(-1, 1, 1, -1, 0.8f));
        return Centre(Frame());
    };
    EXPECT_EQ(nearThenFar(), 0xFFFF0000u);
    ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, 0), D3D_OK);
    EXPECT_EQ(nearThenFar(), 0xFF00FF00u);
}

TEST_F(GlDrawing, TexturesAreSampledTheRightWayUpThroughTheirMipChainAndOutliveTheirOwner)
{
    MakeDevice(Size, Size);
    ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
    TexturePtr corners = MakeTexture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_TRUE(corners);
    EXPECT_EQ(corners->LevelCount(), 2u);
    EXPECT_THAT(Quarters(corners), ElementsAre(0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu));
    corners.reset(); // still set on the device, which keeps it
    EXPECT_EQ(PixelAt(DrawFrame(), 16, 16), 0xFFFF0000u);
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(PixelAt(DrawFrame(), 16, 16), 0xFFFFFFFFu) << "an empty stage draws untextured";

    // A one-pixel checkerboard shrunk eight times: without mip levels the samples are black or
    // white; through the mip chain they are the grey of the average.
    std::vector<std::uint32_t> board(64 * 64);
    for (UINT i = 0; i < board.size(); ++i)
        board[i] = (i % 64 + i / 64) % 2 == 0 ? 0xFFFFFFFFu : 0xFF000000u;
    TexturePtr checker = MakeTexture(64, 64, board);
    ASSERT_TRUE(checker);
    EXPECT_EQ(checker->LevelCount(), 7u);
    ASSERT_EQ(device->SetTexture(0, checker.get()), D3D_OK);
    for (const auto& [filter, greys] : {std::pair{D3DTEXF_POINT, false}, std::pair{D3DTEXF_LINEAR, true}}) {
        SCOPED_TRACE(filter);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MINFILTER, filter), D3D_OK);
        EXPECT_EQ(device->SetTextureStageState(0, D3DTSS_MIPFILTER, greys ? D3DTEXF_LINEAR : D3DTEXF_NONE), D3D_OK);
        const ImageARGB image = DrawFrame(ScreenQuad(-0.125f, 0.125f, 0.125f, -0.125f, 0.5f)); // 8 x 8 pixels
        for (UINT y = 29; y < 35; ++y)
            for (UINT x = 29; x < 35; ++x) {
                const int grey = RedOf(PixelAt(image, x, y));
                EXPECT_TRUE(greys ? std::abs(grey - 128) <= 8 : grey == 0 || grey == 255) << grey;
            }
    }
}

TEST_F(GlDrawing, ASixteenBitBackBufferShowsItsColourSteps)
{
    std::vector<std::uint32_t> ramp(256);
    for (std::uint32_t x = 0; x < 256; ++x)
        ramp[x] = 0xFF000000u | x << 16 | x << 8 | x;
    for (const auto& [format, reds, greens] : {std::tuple{D3DFMT_R5G6B5, 32u, 64u}, std::tuple{D3DFMT_X8R8G8B8, 256u, 256u}}) {
        SCOPED_TRACE(format);
        MakeDevice(256, 16, format);
        ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, 0), D3D_OK);
        TexturePtr texture = MakeTexture(256, 1, ramp);
        ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
        const ImageARGB image = DrawFrame();
        std::set<int> red;
        std::set<int> green;
        for (UINT x = 0; x < 256; ++x) {
            red.insert(RedOf(PixelAt(image, x, 8)));
            green.insert(GreenOf(PixelAt(image, x, 8)));
        }
        EXPECT_EQ(red.size(), reds);
        EXPECT_EQ(green.size(), greens);
        EXPECT_EQ(*red.begin(), 0);
        EXPECT_EQ(*red.rbegin(), 255);
        for (auto step = std::next(red.begin()); step != red.end(); ++step)
            EXPECT_LE(*step - *std::prev(step), format == D3DFMT_R5G6B5 ? 9 : 1) << "steps of about 255 / 31";
    }
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
    // Alpha 0x33 is a fifth: the brightest pixel of faint text is about 51 over black.
    const int faint = Brightest(text({2, 0, 102, 100}, 0x33FFFFFF));
    EXPECT_GE(faint, 40);
    EXPECT_LE(faint, 52);
    const ImageARGB full = text({2, 0, 102, 100}, 0xFFFFFFFF);
    EXPECT_GE(Brightest(full), 240);
    EXPECT_GT(LitIn(full, 2, 0, 102, 20), 40);
    EXPECT_EQ(LitPixels(full), LitIn(full, 2, 0, 102, 20)) << "text outside its line";
    // Clipped to a narrow rectangle, and drawn in the ink's own colour.
    const ImageARGB clipped = text({2, 0, 12, 100}, 0xFFFF0000);
    EXPECT_GT(LitIn(clipped, 2, 0, 12, 20), 5);
    EXPECT_EQ(LitPixels(clipped), LitIn(clipped, 2, 0, 12, 20)) << "text outside its rectangle";
    EXPECT_EQ(std::count_if(clipped.Pixels.begin(), clipped.Pixels.end(), [](std::uint32_t p) { return (p & 0xFFFF) != 0; }), 0)
        << "not in the ink's red";
}

TEST_F(GlDrawing, CallsOutsideTheirBufferOrOutOfOrderAreRefusedAndResourcesOutliveTheDevice)
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
    VertexBufferPtr empty;
    EXPECT_EQ(device->CreateVertexBuffer(0, 0, VertexFVF, D3DPOOL_DEFAULT, empty), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(), D3DERR_INVALIDCALL) << "presenting inside a scene";
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->Present(), D3D_OK);

    TexturePtr texture = MakeTexture(4, 4, std::vector<std::uint32_t>(16, 0xFF808080));
    FontPtr font;
    ASSERT_EQ(d3dx->CreateFont(*device, "Tahoma", 12, font), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, texture.get()), D3D_OK);
    device.reset();
    EXPECT_EQ(font->DrawText("late", {0, 0, 50, 20}, 0, 0xFFFFFFFF), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Fill(0, bytes, 0, quad.data()), D3D_OK);
    d3dx.reset();
    d3d.reset();
    root.reset();
    texture.reset();
    buffer.reset();
    font.reset();
}

// ---- the adapter ----------------------------------------------------------------

using GlAdapter = GlDeviceTest;

TEST_F(GlAdapter, OffersTheDisplaysModesThatFitTheScreen)
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
    // The desktop of the test server, and nothing larger (the modes added to it: DisplayModeListTest).
    EXPECT_TRUE(has(1280, 1024, D3DFMT_X8R8G8B8));
    EXPECT_FALSE(has(1600, 1200, D3DFMT_X8R8G8B8));
}

TEST_F(GlAdapter, AnswersDepthFormatsAndCapabilities)
{
    const auto check = [&](UINT adapter, D3DFORMAT format, D3DFORMAT depth) {
        return d3d->CheckDeviceFormat(adapter, D3DDEVTYPE_HAL, format, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, depth);
    };
    for (const D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
        for (const D3DFORMAT depth : {D3DFMT_D32, D3DFMT_D24X8, D3DFMT_D16})
            EXPECT_EQ(check(0, format, depth), D3D_OK) << format << " " << depth;
    EXPECT_EQ(check(0, D3DFMT_X8R8G8B8, 73), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(0, 99, D3DFMT_D16), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(check(1, D3DFMT_X8R8G8B8, D3DFMT_D16), D3DERR_INVALIDCALL);

    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, caps), D3D_OK);
    EXPECT_GE(caps.MaxTextureWidth, 2048u);
    EXPECT_GE(caps.MaxActiveLights, 2u);
    D3DCAPS8 reference{};
    EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, reference), D3DERR_NOTAVAILABLE);
}

TEST_F(GlAdapter, RefusesDevicesItCannotMake)
{
    window = platform->CreateWindow(MainWindowOptions(64, 64));
    ScriptedWindow notOurs("elsewhere", nullptr);
    const struct {
        const char* What;
        void (*Change)(D3DPRESENT_PARAMETERS&);
        Window* Focus;
        HRESULT Result;
    } cases[] = {
        {"as asked", [](D3DPRESENT_PARAMETERS&) {}, window.get(), D3D_OK},
        {"no window", [](D3DPRESENT_PARAMETERS&) {}, nullptr, D3DERR_INVALIDCALL},
        {"another platform's window", [](D3DPRESENT_PARAMETERS&) {}, &notOurs, D3DERR_INVALIDCALL},
        {"unknown format", [](D3DPRESENT_PARAMETERS& p) { p.BackBufferFormat = 99; }, window.get(), D3DERR_INVALIDCALL},
        {"multisampling", [](D3DPRESENT_PARAMETERS& p) { p.MultiSampleType = 4; }, window.get(), D3DERR_INVALIDCALL},
        {"unknown depth", [](D3DPRESENT_PARAMETERS& p) { p.EnableAutoDepthStencil = 1, p.AutoDepthStencilFormat = 12345; },
         window.get(), D3DERR_INVALIDCALL},
        {"too wide (any failure)", [](D3DPRESENT_PARAMETERS& p) { p.BackBufferWidth = 1000000; }, window.get(), E_FAIL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        D3DPRESENT_PARAMETERS p = PresentParameters(nullptr, 64, 64, D3DFMT_X8R8G8B8, 0, true);
        c.Change(p);
        std::unique_ptr<IDirect3DDevice8> made;
        const HRESULT result = d3d->CreateDevice(0, D3DDEVTYPE_HAL, c.Focus, D3DCREATE_SOFTWARE_VERTEXPROCESSING, p, made);
        EXPECT_EQ(result == D3D_OK, c.Result == D3D_OK) << result;
        EXPECT_TRUE(c.Result == E_FAIL || result == c.Result) << result;
        EXPECT_EQ(made != nullptr, result == D3D_OK);
    }
}

TEST_F(GlAdapter, AFakeFullscreenDeviceMovesItsWindowToTheCornerAtTheBackBufferSize)
{
    window = platform->CreateWindow(MainWindowOptions(100, 80));
    window->Show();
    D3DPRESENT_PARAMETERS p = PresentParameters(window.get(), 160, 120, D3DFMT_R5G6B5, 0, true);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.get(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, p, device), D3D_OK);
    platform->DoEvents();
    EXPECT_EQ(window->Left(), 0);
    EXPECT_EQ(window->Top(), 0);
    EXPECT_EQ(window->ClientWidth(), 160);
    EXPECT_EQ(window->ClientHeight(), 120);
}

} // namespace

// Frame rates of the OpenGL back end at 640 x 480 in both colour depths (items per second are
// frames per second, in real time: the driver's threads do most of the work). It opens a window,
// so it needs a display:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/release/bench/gl_bench
//   - ClearAndPresent: an empty frame, the cost of clearing, scaling into the window and showing.
//   - LitTexturedCorridor: about a thousand lit, textured triangles covering the picture, and the
//     read-out with its font made anew each frame, as the renderer does.
//   - ShippedMap: the demo's own map drawn by the game's renderer from the spawn point.
#include "framework/DirectX_Framework.h"
#include "framework/D3DXMath.h"
#include "framework/gl/GlDirectX.h"
#include "game/StartSequence.h"
#include "game/frmMain.h"
#include "game/mdlRender.h"
#include "world/Player.h"
#include "world/World.h"
#include "world/mdlEntities.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

const std::string Assets = DUNMERE_ASSETS_DIR;

SdlPlatform& TheSdlPlatform()
{
    static std::unique_ptr<SdlPlatform> platform = [] {
        SdlPlatformOptions options;
        options.ShowMessageBoxes = false;
        std::string error;
        auto made = SdlPlatform::Create(options, error);
        if (!made) {
            std::fprintf(stderr, "gl_bench: %s\n", error.c_str());
            std::exit(1);
        }
        return made;
    }();
    return *platform;
}

// The device started on the main window in the given depth, through the game's start path.
struct Game {
    explicit Game(std::int32_t depth, const std::string& mapPath = {}) : platform(TheSdlPlatform(), Assets)
    {
        InstallPlatform(&platform);
        DirectX_Framework::ResetState();
        mdlRender::ResetState(); // its cached font belongs to an earlier device
        DirectX_Framework::KeepLogInMemory = true;
        DirectX_Framework::DirectXFactory = OpenGLDirectXFactory(TheSdlPlatform());
        request.Mode = GameMode{640, 480, depth, true};
        request.MapPath = mapPath;
        if (StartSequence::StartDevice(request).Outcome != StartSequence::Opening::Opened) {
            std::fprintf(stderr, "gl_bench: the device did not start in 640 x 480 x %d\n", depth);
            std::exit(1);
        }
    }
    ~Game()
    {
        DirectX_Framework::ResetState();
        frmMain::Form.reset();
    }
    IDirect3DDevice8& Device() { return *DirectX_Framework::D3DDevice; }

    RelocatedPlatform platform;
    StartSequence::WorldRequest request;
};

void ClearAndPresent(benchmark::State& state)
{
    Game game(static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) {
        DirectX_Framework::ClearFrame(0);
        DirectX_Framework::PresentFrame();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ClearAndPresent)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond)->UseRealTime();

void LitTexturedCorridor(benchmark::State& state)
{
    Game game(static_cast<std::int32_t>(state.range(0)));
    IDirect3DDevice8& device = game.Device();
    mdlRender::PrepareRendering();
    TexturePtr texture;
    DirectX_Framework::LoadTextureFile(texture, Assets + "/Textures/brick.png");
    // Floor and walls of a corridor along +y, cut into 20-unit squares: 800 triangles.
    std::vector<Vertex> vertices;
    const auto square = [&](Vertex a, Vertex b, Vertex c, Vertex d) {
        for (const Vertex& v : {a, b, c, a, c, d})
            vertices.push_back(v);
    };
    for (int row = 0; row < 20; ++row) {
        const auto y0 = static_cast<float>(5 + row * 20);
        const float y1 = y0 + 20;
        for (int column = 0; column < 6; ++column) {
            const auto x0 = static_cast<float>(-60 + column * 20);
            const float x1 = x0 + 20;
            square({x0, y1, 15, 0, 0, -1, 0, 0}, {x1, y1, 15, 0, 0, -1, 1, 0}, {x1, y0, 15, 0, 0, -1, 1, 1},
                   {x0, y0, 15, 0, 0, -1, 0, 1});
        }
        for (int level = 0; level < 7; ++level) {
            const auto z0 = static_cast<float>(-125 + level * 20);
            const float z1 = z0 + 20;
            square({-60, y0, z0, 1, 0, 0, 0, 0}, {-60, y1, z0, 1, 0, 0, 1, 0}, {-60, y1, z1, 1, 0, 0, 1, 1},
                   {-60, y0, z1, 1, 0, 0, 0, 1});
            square({60, y1, z0, -1, 0, 0, 0, 0}, {60, y0, z0, -1, 0, 0, 1, 0}, {60, y0, z1, -1, 0, 0, 1, 1},
                   {60, y1, z1, -1, 0, 0, 0, 1});
        }
    }
    VertexBufferPtr buffer;
    const auto bytes = static_cast<UINT>(vertices.size() * sizeof(Vertex));
    device.CreateVertexBuffer(bytes, 0, VertexFVF, D3DPOOL_DEFAULT, buffer);
    buffer->Fill(0, bytes, 0, vertices.data());
    for (auto _ : state) {
        DirectX_Framework::ClearFrame(0);
        device.LightEnable(0, 1);
        device.SetLight(0, mdlRender::DirectionalLight);
        device.LightEnable(1, 1);
        device.SetLight(1, mdlRender::PlayerLight);
        device.BeginScene();
        D3DMATRIX view;
        const D3DVECTOR eye{0, 0, 0};
        const D3DVECTOR target{0, 1, 0};
        const D3DVECTOR up{0, 0, -1};
        D3DXMatrixLookAtLH(&view, &eye, &target, &up);
        device.SetTransform(D3DTS_VIEW, view);
        device.SetTexture(0, texture.get());
        device.SetStreamSource(0, buffer.get(), sizeof(Vertex));
        device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size() / 3));
        mdlRender::DrawTextBox(2, 100, 0, 100, "FPS: 60", mdlRender::ReadoutColour, "Tahoma", 12);
        device.EndScene();
        DirectX_Framework::PresentFrame();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["triangles"] = static_cast<double>(vertices.size() / 3);
}
BENCHMARK(LitTexturedCorridor)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond)->UseRealTime();

void ShippedMap(benchmark::State& state)
{
    Game game(static_cast<std::int32_t>(state.range(0)), Assets + "/e1m1-double.dnmap");
    ResetWorld();
    if (StartSequence::LoadWorld(game.request).Outcome != StartSequence::Opening::Opened)
        state.SkipWithError("the shipped map cannot be read");
    ResetPlayer();
    mdlRender::SetUpScene();
    for (auto _ : state)
        mdlRender::RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ShippedMap)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();

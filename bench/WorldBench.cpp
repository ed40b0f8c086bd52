// Costs of the per-tick and load-time paths on the demo's own map, with the scripted device
// (no drawing): loading the map, one game tick of movement, and the floor-height query.
#include "framework/DirectX_Framework.h"
#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"
#include "game/mdlGameLoop.h"
#include "world/Player.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

#include <benchmark/benchmark.h>

namespace {

const std::string Assets = DUNMERE_ASSETS_DIR;

struct World {
    World()
    {
        InstallPlatform(&platform);
        platform.AppFolder = Assets;
        graphics->Modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_R5G6B5}};
        graphics->DepthFormats = {D3DFMT_D16};
        DirectX_Framework::DirectXFactory = ScriptedDirectXFactory(graphics);
        DirectX_Framework::StartDirectX();
        DirectX_Framework::StartDirect3D(&window, 640, 480, 16, false);
        DirectX_Framework::CreateGraphicsDevice(&window);
    }
    void Load()
    {
        graphics->Calls->clear();
        DirectX_Framework::ClearLog();
        mdlEntities::EntityCount = 0; // the loader never empties the entity store
        mdlMap::LoadMap(Assets + "/e1m1-double.dnmap");
        mdlSlipping::PrepareWalls();
    }
    std::shared_ptr<ScriptedGraphics> graphics = std::make_shared<ScriptedGraphics>();
    ScriptedPlatform platform{graphics->Calls};
    ScriptedWindow window{"frmMain", graphics->Calls};
};

World& TheWorld()
{
    static World world;
    return world;
}

void LoadShippedMap(benchmark::State& state)
{
    World& world = TheWorld();
    for (auto _ : state)
        world.Load();
}
BENCHMARK(LoadShippedMap)->Unit(benchmark::kMillisecond);

// One tick of walking and turning through the entrance hall, over the low wall and up the stairs.
void UpdatePlayerTick(benchmark::State& state)
{
    World& world = TheWorld();
    world.Load();
    for (auto _ : state) {
        state.PauseTiming();
        Player = PlayerRecord{};
        mdlEntities::SpawnPlayer();
        Player.Speed = 1;
        state.ResumeTiming();
        for (int tick = 0; tick < 400; ++tick)
            mdlGameLoop::UpdatePlayer();
        benchmark::DoNotOptimize(Player.Y);
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(UpdatePlayerTick)->Unit(benchmark::kMicrosecond);

void FloorHeightQuery(benchmark::State& state)
{
    World& world = TheWorld();
    world.Load();
    float x = 0;
    state.counters["floors"] = mdlFloors::FloorCount;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mdlClip::FloorHeight(x, 300, -10));
        x = x > 190 ? 0 : x + 1.5f;
    }
}
BENCHMARK(FloorHeightQuery);

} // namespace

BENCHMARK_MAIN();

// Costs of the per-tick, per-frame and load-time paths with the scripted device (no drawing):
// on the demo's own map (loading, movement, the floor-height query, one frame's engine work) and
// on a worst-case map that fills the wall and floor tables: 249 walls, all within the eye's
// height band, in a ring about the player, and 499 floors, all under the player.
//   build/release/bench/world_bench
#include "framework/DirectX_Framework.h"
#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"
#include "game/StartSequence.h"
#include "game/mdlGameLoop.h"
#include "game/mdlRender.h"
#include "world/Player.h"
#include "world/World.h"
#include "world/mdlClip.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlWalls.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include <unistd.h>

namespace {

const std::string Assets = DUNMERE_ASSETS_DIR;

// The worst-case map: a ring of 249 walls of radius 20 about the origin, standing on z 0 and
// 40 high, and 499 large triangles round the origin at heights 0 to 4.98, all below the eye.
// Walls come in runs of 83 per texture and floors in runs of 166, as the tables allow.
std::string WorstCaseMapText()
{
    std::ostringstream text;
    text << "ENTITY,\"PLAYERSPAWN\",0,0,-10\n";
    const double step = 2 * std::numbers::pi / mdlWalls::MaxMapWalls;
    for (int i = 0; i < mdlWalls::MaxMapWalls; ++i) {
        const double a = i * step;
        const double b = (i + 1) * step;
        text << "WALL," << 20 * std::cos(a) << ',' << 20 * std::sin(a) << ',' << 20 * std::cos(b) << ','
             << 20 * std::sin(b) << ",-40,0,1,1," << 1 + i / mdlWalls::MaxWallsPerTexture << ",0,0\n";
    }
    for (int i = 0; i < mdlFloors::MaxMapFloors; ++i) {
        text << "FLOOR";
        const double turn = i * 2.39996; // the golden angle: corners spread all round
        for (int corner = 0; corner < 3; ++corner) {
            const double a = turn + corner * 2 * std::numbers::pi / 3;
            text << ',' << 500 * std::cos(a) << ',' << 500 * std::sin(a);
        }
        text << ',' << i * 0.01 << ',' << 1 + i / mdlFloors::MaxFloorsPerBatch << ",0,0,1,0,0,1\n";
    }
    return text.str();
}

struct World {
    World()
    {
        InstallPlatform(&platform);
        platform.AppFolder = Assets;
        graphics->Modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_R5G6B5}};
        graphics->DepthFormats = {D3DFMT_D16};
        DirectX_Framework::DirectXFactory = ScriptedDirectXFactory(graphics);
        DirectX_Framework::KeepLogInMemory = true;
        StartSequence::WorldRequest request;
        request.Mode = GameMode{640, 480, 16, false};
        if (StartSequence::StartDevice(request).Outcome != StartSequence::Opening::Opened)
            throw std::runtime_error("the scripted device did not start");
        std::ofstream(worstCase) << WorstCaseMapText();
    }
    ~World() { std::filesystem::remove(worstCase); }
    void Load(const std::string& path)
    {
        graphics->Calls->clear();
        graphics->Draws.clear();
        DirectX_Framework::ClearLog();
        ResetWorld(); // each load starts from an empty world: the loader never empties the entity store
        StartSequence::WorldRequest request;
        request.MapPath = path;
        if (StartSequence::LoadWorld(request).Outcome != StartSequence::Opening::Opened)
            throw std::runtime_error("the map " + path + " cannot be read");
        ResetPlayer();
        mdlEntities::SpawnPlayer();
    }
    void LoadShipped() { Load(Assets + "/e1m1-double.dnmap"); }
    void LoadWorstCase()
    {
        Load(worstCase.string());
        if (mdlWalls::WallCount != mdlWalls::MaxMapWalls || mdlFloors::FloorCount != mdlFloors::MaxMapFloors)
            throw std::runtime_error("the worst-case map did not load whole");
        Player.Z = -15; // at rest, 15 above the floor at 0
    }
    std::shared_ptr<ScriptedGraphics> graphics = std::make_shared<ScriptedGraphics>();
    ScriptedPlatform platform{graphics->Calls};
    std::filesystem::path worstCase = std::filesystem::temp_directory_path() /
                                      ("dunmere-worst-case-" + std::to_string(::getpid()) + ".dnmap");
};

World& TheWorld()
{
    static World world;
    return world;
}

void LoadMap(benchmark::State& state)
{
    World& world = TheWorld();
    for (auto _ : state)
        world.LoadShipped();
}
BENCHMARK(LoadMap)->Unit(benchmark::kMillisecond);

// One tick of walking and turning through the entrance hall, over the low wall and up the stairs.
void UpdatePlayerShippedMap(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadShipped();
    for (auto _ : state) {
        state.PauseTiming();
        ResetPlayer();
        mdlEntities::SpawnPlayer();
        Player.Speed = 1;
        state.ResumeTiming();
        for (int tick = 0; tick < 400; ++tick)
            mdlGameLoop::UpdatePlayer();
        benchmark::DoNotOptimize(Player.Y);
    }
    state.SetItemsProcessed(state.iterations() * 400);
}
BENCHMARK(UpdatePlayerShippedMap)->Unit(benchmark::kMicrosecond);

void FloorHeightShippedMap(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadShipped();
    float x = 0;
    state.counters["floors"] = mdlFloors::FloorCount;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mdlClip::FloorHeight(x, 300, -10));
        x = x > 190 ? 0 : x + 1.5f;
    }
}
BENCHMARK(FloorHeightShippedMap);

// The player walks round inside the ring, turning two degrees a tick, and keeps running into it
// and sliding along it: every tick scans all floors and, pass after pass, all walls.
void UpdatePlayer(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadWorstCase();
    Player.Speed = 1;
    Player.YawRate = 2;
    std::int64_t blocked = 0;
    for (auto _ : state) {
        const float x = Player.X;
        const float y = Player.Y;
        mdlGameLoop::UpdatePlayer();
        blocked += std::hypot(Player.X - x, Player.Y - y) < 0.999f;
    }
    state.counters["blocked"] = benchmark::Counter(static_cast<double>(blocked), benchmark::Counter::kAvgIterations);
}
BENCHMARK(UpdatePlayer);

void FloorHeight(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadWorstCase();
    float x = -10;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mdlClip::FloorHeight(x, 3, -10));
        x = x > 10 ? -10 : x + 0.25f;
    }
}
BENCHMARK(FloorHeight);

// A move from near the ring straight into it, at every angle in turn.
void SlideAgainstWalls(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadWorstCase();
    int angle = 0;
    for (auto _ : state) {
        const double a = angle * std::numbers::pi / 180;
        Player.X = static_cast<float>(16 * std::cos(a));
        Player.Y = static_cast<float>(16 * std::sin(a));
        mdlSlipping::MoveX = static_cast<float>(3 * std::cos(a + 0.3));
        mdlSlipping::MoveY = static_cast<float>(3 * std::sin(a + 0.3));
        mdlSlipping::SlideAgainstWalls(Player, mdlGameLoop::CollisionRadius);
        benchmark::DoNotOptimize(mdlSlipping::MoveX);
        angle = (angle + 7) % 360;
    }
}
BENCHMARK(SlideAgainstWalls);

// The worst case for the bubble sort: the 249 walls in descending texture order.
void RegroupWallsByTexture(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadWorstCase();
    auto scrambled = mdlWalls::Walls;
    for (int i = 1; i <= mdlWalls::WallCount; ++i)
        scrambled[static_cast<std::size_t>(i)].Texture = 1 + (mdlWalls::WallCount - i) * 3 / mdlWalls::WallCount;
    for (auto _ : state) {
        state.PauseTiming();
        mdlWalls::Walls = scrambled;
        world.graphics->Calls->clear();
        state.ResumeTiming();
        mdlWalls::RegroupWallsByTexture();
    }
}
BENCHMARK(RegroupWallsByTexture)->Unit(benchmark::kMicrosecond);

// The engine's own work for one frame of the shipped map from the spawn: the renderer, the
// stores' draw loops and the framework's helpers, down to the device interface. The scripted
// device keeps a journal of every call and a copy of every draw's vertices, which is most of
// this figure (the game's own share of a real frame is measured under callgrind, see README).
void RenderFrame(benchmark::State& state)
{
    World& world = TheWorld();
    world.LoadShipped();
    mdlRender::ResetState();
    mdlRender::PrepareRendering();
    int frames = 0;
    for (auto _ : state) {
        mdlRender::RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
        if (++frames == 100) {
            state.PauseTiming();
            world.graphics->Calls->clear();
            world.graphics->Draws.clear();
            world.graphics->Texts.clear();
            frames = 0;
            state.ResumeTiming();
        }
    }
    mdlRender::ResetState();
}
BENCHMARK(RenderFrame)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

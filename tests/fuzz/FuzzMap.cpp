// The map file: LoadMap with every store on the scripted back end, then the walls readied, the
// spawn, and a few hundred movement ticks steered by the input, so collision and the floor-height
// query meet whatever geometry the map holds. The bytes after the last NUL byte, when there is
// one, steer the player; otherwise the map's own bytes do.
#include "tests/fuzz/FuzzHarness.h"

#include "framework/DirectX_Framework.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "tests/support/WorldState.h"
#include "world/Player.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

constexpr int Ticks = 300;

std::size_t At(std::int32_t number) { return static_cast<std::size_t>(number); }

// Every closed batch holds whole surfaces in a buffer of its size; together they hold every
// live surface once.
template <typename Buffers, typename Counts>
void CheckBatches(std::int32_t batchCount, int maxBatches, const Buffers& buffers, const Counts& counts,
                  std::int32_t corners, std::int32_t surfaces)
{
    FUZZ_CHECK(batchCount >= 0 && batchCount <= maxBatches);
    std::int64_t staged = 0;
    for (std::int32_t b = 1; b <= batchCount; ++b) {
        const std::int32_t count = counts[At(b)];
        FUZZ_CHECK(count >= 0 && count % corners == 0);
        FUZZ_CHECK((count == 0) == (buffers[At(b)] == nullptr));
        FUZZ_CHECK(count == 0 || buffers[At(b)]->Length() == static_cast<UINT>(count) * sizeof(Vertex));
        staged += count;
    }
    FUZZ_CHECK(staged == static_cast<std::int64_t>(surfaces) * corners);
}

void CheckStores()
{
    using namespace mdlWalls;
    FUZZ_CHECK(WallCount >= 0 && WallCount <= MaxMapWalls);
    CheckBatches(WallBatchCount, MaxWallBatches, WallBatchBuffers, WallBatchVertexCounts, 6, WallCount);
    for (std::int32_t b = 2; b <= WallBatchCount; ++b)
        FUZZ_CHECK(WallBatchTextures[At(b - 1)] < WallBatchTextures[At(b)]);
    for (std::int32_t i = 2; i <= WallCount; ++i)
        FUZZ_CHECK(Walls[At(i - 1)].Texture <= Walls[At(i)].Texture);

    using namespace mdlFloors;
    FUZZ_CHECK(FloorCount >= 0 && FloorCount <= MaxMapFloors);
    CheckBatches(FloorBatchCount, MaxFloorBatches, FloorBatchBuffers, FloorBatchVertexCounts, 3, FloorCount);

    FUZZ_CHECK(mdlEntities::EntityCount >= 0 && mdlEntities::EntityCount <= mdlEntities::MaxEntities);
    for (int t = 1; t <= mdlTextures::MaxTextures; ++t)
        FUZZ_CHECK((mdlTextures::Textures[At(t)] == nullptr) == mdlTextures::TextureNames[At(t)].empty());
}

// One byte: the arrow keys held (bits 0 to 3), a lift (bit 4) and 1 to 8 ticks (bits 5 to 7).
void Walk(const std::uint8_t* moves, std::size_t size)
{
    static constexpr int Arrows[] = {frmMain::VK_UP, frmMain::VK_DOWN, frmMain::VK_LEFT, frmMain::VK_RIGHT};
    int ticks = 0;
    for (std::size_t i = 0; size > 0 && ticks < Ticks; ++i) {
        const std::uint8_t move = moves[i % size];
        for (int k = 0; k < 4; ++k) {
            if ((move >> k & 1) != 0)
                frmMain::Form_KeyDown(Arrows[k], 0);
            else
                frmMain::Form_KeyUp(Arrows[k], 0);
        }
        if ((move & 0x10) != 0)
            frmMain::Form_KeyPress('f');
        for (int n = 0; n <= move >> 5 && ticks < Ticks; ++n, ++ticks) {
            try {
                mdlGameLoop::UpdatePlayer();
            } catch (const std::overflow_error&) {
                return; // the documented end of a player carried beyond the float range
            }
            FUZZ_CHECK(std::isfinite(Player.X) && std::isfinite(Player.Y) && std::isfinite(Player.Z));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool textures = [] {
        for (const char* name : {"brick.png", "stone.png", "Wood.PNG", "sub/metal.bmp"})
            Fuzz::WriteFile(std::string("Textures/") + name, nullptr, 0);
        return true;
    }();
    (void)textures;

    std::size_t mapSize = size;
    while (mapSize > 0 && data[mapSize - 1] != 0)
        --mapSize;
    const std::uint8_t* moves = mapSize > 0 ? data + mapSize : data;
    const std::size_t moveCount = mapSize > 0 ? size - mapSize : size;
    if (mapSize == 0)
        mapSize = size;

    Fuzz::StartDevice();
    ResetWorldState();
    try {
        mdlMap::LoadMap(Fuzz::WriteFile("e1m1-double.dnmap", data, mapSize));
    } catch (const ProcessExit&) {
        // A texture that cannot be loaded ends the program, saying so in the log.
        const auto& log = DirectX_Framework::EngineLog;
        FUZZ_CHECK(std::count(log.LogLines.begin(), log.LogLines.begin() + log.LogLineCount,
                              "Error loading texture - Quitting.") == 1);
        return 0;
    }
    CheckStores();
    mdlSlipping::PrepareWalls();
    mdlEntities::SpawnPlayer();
    Walk(moves, moveCount);
    return 0;
}

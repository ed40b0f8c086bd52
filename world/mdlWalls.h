// The wall store: vertical walls as records for the collision code, and as batches of one
// texture each, in one vertex buffer per batch, for drawing.
#pragma once

#include "framework/Device.h"

#include <array>
#include <cstdint>

namespace mdlWalls {

inline constexpr int MaxWalls = 500;
inline constexpr int MaxWallVertices = 500;
inline constexpr int MaxWallBatches = 100;
// The regrouping copies every live wall and adds a closing wall above them: 2n + 1 <= 500.
inline constexpr int MaxMapWalls = (MaxWalls - 1) / 2;
// Six vertices a wall: 83 walls of one texture fit one batch.
inline constexpr int MaxWallsPerTexture = MaxWallVertices / 6;

struct Wall {
    float X1 = 0;
    float X2 = 0;
    float Y1 = 0;
    float Y2 = 0;
    float Z1 = 0;
    float Z2 = 0;
    float MinZ = 0; // the higher edge (z grows downward)
    float MaxZ = 0; // the lower edge
    float NormalX = 0;
    float NormalY = 0;
    std::int32_t Texture = 0;
    float TUSpan = 0;
    float TVSpan = 0;
    float TUOffset = 0;
    float TVOffset = 0;

    friend bool operator==(const Wall&, const Wall&) = default;
};

// The store's state, every part at its start-of-program value. Tables are numbered from 1;
// slot 0 is unused. Slots above the counts may hold leftovers.
struct ModuleState {
    std::int32_t WallCount = 0;
    std::array<Wall, MaxWalls + 1> Walls{};
    std::array<Vertex, MaxWallVertices + 1> WallVertices{};
    std::int32_t NextWallVertex = 1;
    std::int32_t StagedWallVertexCount = 0;
    std::int32_t CurrentWallTexture = 1;
    std::int32_t WallBatchNumber = 1;
    std::int32_t WallBatchCount = 0;
    std::array<VertexBufferPtr, MaxWallBatches + 1> WallBatchBuffers{};
    std::array<std::int32_t, MaxWallBatches + 1> WallBatchTextures{};
    std::array<std::int32_t, MaxWallBatches + 1> WallBatchVertexCounts{};

    friend bool operator==(const ModuleState&, const ModuleState&) = default;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& WallCount = State.WallCount;
inline constexpr auto& Walls = State.Walls;
inline constexpr auto& WallVertices = State.WallVertices;
inline constexpr auto& NextWallVertex = State.NextWallVertex;
inline constexpr auto& StagedWallVertexCount = State.StagedWallVertexCount;
inline constexpr auto& CurrentWallTexture = State.CurrentWallTexture;
inline constexpr auto& WallBatchNumber = State.WallBatchNumber;
inline constexpr auto& WallBatchCount = State.WallBatchCount;
inline constexpr auto& WallBatchBuffers = State.WallBatchBuffers;
inline constexpr auto& WallBatchTextures = State.WallBatchTextures;
inline constexpr auto& WallBatchVertexCounts = State.WallBatchVertexCounts;

// Puts the whole store back to its start-of-program state, releasing the batches' buffers.
void ResetState();

// Empties the batches; leaves WallCount, Walls and WallBatchTextures alone.
void ClearWalls();

// Stages the wall's six vertices (closing the batch being filled first when the texture
// changes), then appends its record. A wall that does not fit (record table, staging table or
// batch table full) raises CapacityError before anything of it is stored.
void AddWall(float X1, float Y1, float X2, float Y2, float Z1, float Z2, float TUSpan, float TVSpan,
             std::int32_t Texture, float TUOffset, float TVOffset);

// Uploads the staged vertices into a new vertex buffer for batch b.
void BuildWallBatch(std::int32_t b);

// Sorts the live walls by texture (stable) and rebuilds the batches: one per texture.
void RegroupWallsByTexture();

// Draws every batch with its texture (numbers outside 1 to 100 draw with texture 1).
void DrawWalls();

} // namespace mdlWalls

// The floor store: horizontal triangles as records for the floor-height query, and as batches
// of consecutive floors with one texture, in one vertex buffer per batch, for drawing.
#pragma once

#include "framework/Device.h"

#include <array>
#include <cstdint>

namespace mdlFloors {

inline constexpr int MaxFloors = 500;
inline constexpr int MaxFloorVertices = 500;
inline constexpr int MaxFloorBatches = 100;
// The loader's closing floor takes one record.
inline constexpr int MaxMapFloors = MaxFloors - 1;
// Three vertices a floor: 166 floors fit one batch.
inline constexpr int MaxFloorsPerBatch = MaxFloorVertices / 3;

struct Floor {
    float X1 = 0;
    float X2 = 0;
    float X3 = 0;
    float Y1 = 0;
    float Y2 = 0;
    float Y3 = 0;
    float Z = 0;
    std::int32_t Texture = 0;
    float TU1 = 0;
    float TV1 = 0;
    float TU2 = 0;
    float TV2 = 0;
    float TU3 = 0;
    float TV3 = 0;
    // Derived by AddFloor for the floor-height query: whether the triangle has area
    // (mdlClip::FloorHasArea). A floor without area contains no point.
    bool HasArea = false;

    friend bool operator==(const Floor&, const Floor&) = default;
};

// The store's state, every part at its start-of-program value. Tables are numbered from 1;
// slot 0 is unused. Slots above the counts may hold leftovers.
struct ModuleState {
    std::int32_t FloorCount = 0;
    std::array<Floor, MaxFloors + 1> Floors{};
    std::array<Vertex, MaxFloorVertices + 1> FloorVertices{};
    std::int32_t NextFloorVertex = 1;
    std::int32_t CurrentFloorTexture = 1;
    std::int32_t FloorBatchCount = 0;
    std::array<VertexBufferPtr, MaxFloorBatches + 1> FloorBatchBuffers{};
    std::array<std::int32_t, MaxFloorBatches + 1> FloorBatchTextures{};
    std::array<std::int32_t, MaxFloorBatches + 1> FloorBatchVertexCounts{};

    friend bool operator==(const ModuleState&, const ModuleState&) = default;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& FloorCount = State.FloorCount;
inline constexpr auto& Floors = State.Floors;
inline constexpr auto& FloorVertices = State.FloorVertices;
inline constexpr auto& NextFloorVertex = State.NextFloorVertex;
inline constexpr auto& CurrentFloorTexture = State.CurrentFloorTexture;
inline constexpr auto& FloorBatchCount = State.FloorBatchCount;
inline constexpr auto& FloorBatchBuffers = State.FloorBatchBuffers;
inline constexpr auto& FloorBatchTextures = State.FloorBatchTextures;
inline constexpr auto& FloorBatchVertexCounts = State.FloorBatchVertexCounts;

// Puts the whole store back to its start-of-program state, releasing the batches' buffers.
void ResetState();

// Empties the batches and releases their buffers; leaves FloorCount alone.
void ClearFloors();

// Stages the triangle as V1, V3, V2 (closing the batch being filled first when the texture
// changes), then appends its record. A floor that does not fit raises CapacityError before
// anything of it is stored.
void AddFloor(float x1, float y1, float x2, float y2, float x3, float y3, float z, std::int32_t texture, float tu1,
              float tv1, float tu2, float tv2, float tu3, float tv3);

// Uploads the staged vertices into a new vertex buffer for batch b.
void BuildFloorBatch(std::int32_t b);

// Draws every closed batch; a batch without vertices is skipped.
void DrawFloors();

} // namespace mdlFloors

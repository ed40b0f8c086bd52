#include "world/mdlWalls.h"

#include "framework/MathHelpers.h"
#include "world/SurfaceBatches.h"
#include "world/WorldErrors.h"

#include <utility>
#include <string>

namespace mdlWalls {

using namespace DirectX_Framework;

namespace {

std::size_t Slot(std::int32_t number) { return static_cast<std::size_t>(number); }

} // namespace

void ResetState() { State = ModuleState{}; }

void ClearWalls()
{
    NextWallVertex = 1;
    CurrentWallTexture = 1;
    WallBatchNumber = 1;
    WallBatchCount = 0;
    StagedWallVertexCount = 0;
    for (int i = 1; i <= MaxWallBatches; ++i) {
        WallBatchBuffers[Slot(i)].reset();
        WallBatchVertexCounts[Slot(i)] = 0;
    }
}

void AddWall(float X1, float Y1, float X2, float Y2, float Z1, float Z2, float TUSpan, float TVSpan,
             std::int32_t Texture, float TUOffset, float TVOffset)
{
    const bool closesBatch = Texture != CurrentWallTexture;
    const std::int32_t s = closesBatch ? 1 : NextWallVertex;
    if (WallCount >= MaxWalls)
        throw CapacityError("the wall table is full (" + std::to_string(MaxWalls) + " walls)");
    if (closesBatch && WallBatchNumber > MaxWallBatches)
        throw CapacityError("the walls need more than " + std::to_string(MaxWallBatches) + " batches");
    if (s + 5 > MaxWallVertices)
        throw CapacityError("more than " + std::to_string(MaxWallsPerTexture) + " walls of one texture in a row");

    if (closesBatch) {
        BuildWallBatch(WallBatchNumber);
        WallBatchTextures[Slot(WallBatchNumber)] = CurrentWallTexture;
        ++WallBatchCount;
        NextWallVertex = 1;
        CurrentWallTexture = Texture;
        ++WallBatchNumber;
    }

    const float tu2 = TUOffset + TUSpan;
    const float tv2 = TVOffset + TVSpan;
    Vertex* v = &WallVertices[Slot(s)];
    v[0] = MakeVertex(X1, Y1, Z1, 0, 0, 0, TUOffset, TVOffset);
    v[1] = MakeVertex(X2, Y2, Z2, 0, 0, 0, tu2, tv2);
    v[2] = MakeVertex(X2, Y2, Z1, 0, 0, 0, tu2, TVOffset);
    v[3] = MakeVertex(X2, Y2, Z2, 0, 0, 0, tu2, tv2);
    v[4] = MakeVertex(X1, Y1, Z1, 0, 0, 0, TUOffset, TVOffset);
    v[5] = MakeVertex(X1, Y1, Z2, 0, 0, 0, TUOffset, tv2);
    for (int triangle = 0; triangle < 2; ++triangle) {
        Vertex* t = v + 3 * triangle;
        const D3DVECTOR n = FaceNormal(PositionOf(t[0]), PositionOf(t[1]), PositionOf(t[2]));
        for (int corner = 0; corner < 3; ++corner) {
            t[corner].nx = n.x;
            t[corner].ny = n.y;
            t[corner].nz = n.z;
        }
    }
    StagedWallVertexCount = s + 5;
    NextWallVertex = s + 6;

    ++WallCount;
    Wall& wall = Walls[Slot(WallCount)];
    wall.X1 = X1;
    wall.X2 = X2;
    wall.Y1 = Y1;
    wall.Y2 = Y2;
    wall.Z1 = Z1;
    wall.Z2 = Z2;
    wall.Texture = Texture;
    wall.TUSpan = TUSpan;
    wall.TVSpan = TVSpan;
    wall.TUOffset = TUOffset;
    wall.TVOffset = TVOffset;
}

void BuildWallBatch(std::int32_t b)
{
    if (WallCount == 0)
        return;
    WallBatchBuffers[Slot(b)] = SurfaceBatches::Upload(&WallVertices[1], StagedWallVertexCount);
    WallBatchVertexCounts[Slot(b)] = StagedWallVertexCount;
}

void RegroupWallsByTexture()
{
    ClearWalls();

    // Bubble sort: equal textures are never swapped, so walls of one texture keep file order.
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (std::int32_t i = 1; i < WallCount; ++i) {
            if (Walls[Slot(i)].Texture > Walls[Slot(i + 1)].Texture) {
                std::swap(Walls[Slot(i)], Walls[Slot(i + 1)]);
                swapped = true;
            }
        }
    }

    CurrentWallTexture = Walls[1].Texture;
    const std::int32_t n = WallCount;
    try {
        for (std::int32_t i = 1; i <= n; ++i) {
            const Wall w = Walls[Slot(i)];
            AddWall(w.X1, w.Y1, w.X2, w.Y2, w.Z1, w.Z2, w.TUSpan, w.TVSpan, w.Texture, w.TUOffset, w.TVOffset);
        }
        // Without live walls there is no batch to close: the current texture is the closing wall's.
        const std::int32_t closing = n > 0 ? SurfaceBatches::ClosingTexture(CurrentWallTexture) : CurrentWallTexture;
        AddWall(0, 0, 0, 0, 0, 0, 0, 0, closing, 0, 0);
    } catch (...) {
        WallCount = n;
        throw;
    }
    WallCount = n;
}

void DrawWalls()
{
    SurfaceBatches::BeginSurfaces();
    for (std::int32_t b = 1; b <= WallBatchCount; ++b)
        SurfaceBatches::DrawBatch(WallBatchBuffers[Slot(b)].get(), WallBatchVertexCounts[Slot(b)],
                                  WallBatchTextures[Slot(b)]);
}

} // namespace mdlWalls

#include "world/mdlFloors.h"

#include "framework/MathHelpers.h"
#include "world/mdlClip.h"
#include "world/SurfaceBatches.h"
#include "world/WorldErrors.h"

#include <string>

namespace mdlFloors {

using namespace DirectX_Framework;

namespace {

std::size_t Slot(std::int32_t number) { return static_cast<std::size_t>(number); }

} // namespace

void ResetState() { State = ModuleState{}; }

void ClearFloors()
{
    NextFloorVertex = 1;
    CurrentFloorTexture = 1;
    FloorBatchCount = 0;
    for (int i = 1; i <= MaxFloorBatches; ++i) {
        FloorBatchBuffers[Slot(i)].reset();
        FloorBatchVertexCounts[Slot(i)] = 0;
    }
}

void AddFloor(float x1, float y1, float x2, float y2, float x3, float y3, float z, std::int32_t texture, float tu1,
              float tv1, float tu2, float tv2, float tu3, float tv3)
{
    const bool closesBatch = texture != CurrentFloorTexture;
    const std::int32_t n = closesBatch ? 1 : NextFloorVertex;
    if (FloorCount >= MaxFloors)
        throw CapacityError("the floor table is full (" + std::to_string(MaxFloors) + " floors)");
    if (closesBatch && FloorBatchCount >= MaxFloorBatches)
        throw CapacityError("the floors need more than " + std::to_string(MaxFloorBatches) + " batches");
    if (n + 2 > MaxFloorVertices)
        throw CapacityError("more than " + std::to_string(MaxFloorsPerBatch) + " floors of one texture in a row");

    if (closesBatch) {
        BuildFloorBatch(FloorBatchCount + 1);
        FloorBatchTextures[Slot(FloorBatchCount + 1)] = CurrentFloorTexture;
        NextFloorVertex = 1;
        CurrentFloorTexture = texture;
        ++FloorBatchCount;
    }

    // The second and third corners change places: the triangle is drawn V1, V3, V2.
    Vertex* v = &FloorVertices[Slot(n)];
    v[0] = MakeVertex(x1, y1, z, 0, 0, 0, tu1, tv1);
    v[1] = MakeVertex(x3, y3, z, 0, 0, 0, tu3, tv3);
    v[2] = MakeVertex(x2, y2, z, 0, 0, 0, tu2, tv2);
    const D3DVECTOR normal = FaceNormal(PositionOf(v[0]), PositionOf(v[1]), PositionOf(v[2]));
    for (int corner = 0; corner < 3; ++corner) {
        v[corner].nx = normal.x;
        v[corner].ny = normal.y;
        v[corner].nz = normal.z;
    }
    NextFloorVertex = n + 3;

    ++FloorCount;
    Floor& floor = Floors[Slot(FloorCount)];
    floor = Floor{x1, x2, x3, y1, y2, y3, z, texture, tu1, tv1, tu2, tv2, tu3, tv3};
    floor.HasArea = mdlClip::FloorHasArea(floor);
}

void BuildFloorBatch(std::int32_t b)
{
    if (FloorCount == 0)
        return;
    const std::int32_t m = NextFloorVertex - 1;
    FloorBatchBuffers[Slot(b)] = m > 0 ? SurfaceBatches::Upload(&FloorVertices[1], m) : nullptr;
    FloorBatchVertexCounts[Slot(b)] = m;
}

void DrawFloors()
{
    SurfaceBatches::BeginSurfaces();
    for (std::int32_t b = 1; b <= FloorBatchCount; ++b)
        SurfaceBatches::DrawBatch(FloorBatchBuffers[Slot(b)].get(), FloorBatchVertexCounts[Slot(b)],
                                  FloorBatchTextures[Slot(b)]);
}

} // namespace mdlFloors

#include "world/mdlClip.h"

#include "framework/MathHelpers.h"

#include <cmath>

namespace mdlClip {

using DirectX_Framework::FaceNormal;

bool PointInFloor(float x, float y, const mdlFloors::Floor& floor)
{
    const D3DVECTOR p{x, y, 0};
    const D3DVECTOR a{floor.X1, floor.Y1, 0};
    const D3DVECTOR b{floor.X2, floor.Y2, 0};
    const D3DVECTOR c{floor.X3, floor.Y3, 0};
    // Two equal corners, or three on a line: the triangle covers nothing.
    if (FaceNormal(a, b, c).z == 0.0f)
        return false;
    const float s1 = FaceNormal(p, a, b).z;
    if (s1 == 0.0f)
        return true;
    const float s2 = FaceNormal(p, b, c).z;
    if (s2 == 0.0f)
        return true;
    const float s3 = FaceNormal(p, c, a).z;
    if (s3 == 0.0f)
        return true;
    return s1 == s2 && s1 == s3;
}

float FloorHeight(float x, float y, float referenceZ)
{
    float result = 1000.0f;
    float best = 3000.0f;
    for (std::int32_t i = 1; i <= mdlFloors::FloorCount; ++i) {
        const mdlFloors::Floor& floor = mdlFloors::Floors[static_cast<std::size_t>(i)];
        if (!PointInFloor(x, y, floor))
            continue;
        float d = std::fabs(floor.Z - referenceZ);
        if (floor.Z < referenceZ)
            d = d * 100.0f;
        if (d < best) {
            result = floor.Z;
            best = std::fabs(floor.Z - referenceZ);
        }
    }
    return result;
}

} // namespace mdlClip

#include "world/mdlClip.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace mdlClip {

// The query is defined on unit normals: for three points p1, p2, p3 in the plane z = 0 it asks
// for the z component of FaceNormal(p1, p2, p3), the unit vector along (p2 - p1) x (p3 - p1)
// in single precision. Only that z component is ever non-zero, so it comes from the single
// number c = (p2 - p1).x (p3 - p1).y - (p2 - p1).y (p3 - p1).x, formed in single precision as
// FaceNormal forms it, and it is
//   - not a number when c is not finite (the normalisation divides infinity by infinity, or a
//     difference overflowed and a zero times infinity spoiled the length);
//   - 0 when c x c is 0, that is c = 0 or |c| below about 1e-23 (the squared length underflows
//     and the vector counts as zero);
//   - c / sqrt(c x c) otherwise: +-0 when c x c overflows (|c| above about 1.8e19), and
//     exactly +1 or -1 whenever c x c is a normal number, because in binary floating point the
//     rounded square root of the rounded square of c is |c| again. Only a subnormal c x c gives
//     a value of its own, a little off 1.
// So the square root is needed only outside the normal range, where NormalZ works it out; in
// the everyday case the sign of c is the whole answer.
namespace {

float NormalZ(float c)
{
    if (!std::isfinite(c))
        return std::numeric_limits<float>::quiet_NaN();
    const float squared = c * c;
    return squared == 0.0f ? 0.0f : c / std::sqrt(squared);
}

// Whether FaceNormal's z component for c is +1 or -1, the sign of c.
bool IsUnit(float c)
{
    const float squared = c * c;
    return squared >= FLT_MIN && squared <= FLT_MAX;
}

// PointInFloor once the floor is known to have area: the point is on the same side of all three
// edges, or on the line through one of them.
bool OnInnerSide(float x, float y, const mdlFloors::Floor& f)
{
    const float ax = f.X1 - x;
    const float ay = f.Y1 - y;
    const float bx = f.X2 - x;
    const float by = f.Y2 - y;
    const float cx = f.X3 - x;
    const float cy = f.Y3 - y;
    const float c1 = ax * by - ay * bx; // (P, A, B)
    const float c2 = bx * cy - by * cx; // (P, B, C)
    const float c3 = cx * ay - cy * ax; // (P, C, A)
    if (IsUnit(c1) && IsUnit(c2) && IsUnit(c3))
        return (c1 > 0.0f) == (c2 > 0.0f) && (c1 > 0.0f) == (c3 > 0.0f);
    const float s1 = NormalZ(c1);
    const float s2 = NormalZ(c2);
    const float s3 = NormalZ(c3);
    if (s1 == 0.0f || s2 == 0.0f || s3 == 0.0f)
        return true;
    return s1 == s2 && s1 == s3;
}

} // namespace

bool FloorHasArea(const mdlFloors::Floor& f)
{
    const float bx = f.X2 - f.X1;
    const float by = f.Y2 - f.Y1;
    const float cx = f.X3 - f.X1;
    const float cy = f.Y3 - f.Y1;
    return NormalZ(bx * cy - by * cx) != 0.0f; // (A, B, C)
}

bool PointInFloor(float x, float y, const mdlFloors::Floor& floor)
{
    return FloorHasArea(floor) && OnInnerSide(x, y, floor);
}

float FloorHeight(float x, float y, float referenceZ)
{
    float result = 1000.0f;
    float best = 3000.0f;
    for (std::int32_t i = 1; i <= mdlFloors::FloorCount; ++i) {
        const mdlFloors::Floor& floor = mdlFloors::Floors[static_cast<std::size_t>(i)];
        if (!floor.HasArea || !OnInnerSide(x, y, floor))
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

// Small value builders and trigonometric helpers. Angles are in degrees; trigonometry is done
// in double precision and the double is handed back for the caller to narrow.
#pragma once

#include "framework/D3D8Types.h"

namespace DirectX_Framework {

// The program's own value of pi: these digits exactly, not the full-precision constant.
inline constexpr double Pi = 3.1415926522;

D3DVECTOR MakeVector(float x, float y, float z);
// Alpha comes first in the arguments and last in the record.
D3DCOLORVALUE MakeColourValue(float a, float r, float g, float b);
Vertex MakeVertex(float x, float y, float z, float nx, float ny, float nz, float tu, float tv);

double DegToRad(float degrees);
// With a as heading and b as elevation: (sin a cos b, cos a cos b, sin b).
double DirectionX(float a, float b);
double DirectionY(float a, float b);
double DirectionZ(float a, float b);

// Unit normal of the triangle p1, p2, p3 along (p2 - p1) x (p3 - p1), in single precision.
// A triangle without area gives the zero vector.
D3DVECTOR FaceNormal(const D3DVECTOR& p1, const D3DVECTOR& p2, const D3DVECTOR& p3);

inline D3DVECTOR PositionOf(const Vertex& v) { return {v.x, v.y, v.z}; }

} // namespace DirectX_Framework

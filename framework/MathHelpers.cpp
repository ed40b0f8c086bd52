#include "framework/MathHelpers.h"

#include "framework/D3DXMath.h"

#include <cmath>

namespace DirectX_Framework {

D3DVECTOR MakeVector(float x, float y, float z) { return {x, y, z}; }

D3DCOLORVALUE MakeColourValue(float a, float r, float g, float b) { return {r, g, b, a}; }

Vertex MakeVertex(float x, float y, float z, float nx, float ny, float nz, float tu, float tv)
{
    return {x, y, z, nx, ny, nz, tu, tv};
}

double DegToRad(float degrees) { return static_cast<double>(degrees) * Pi / 180.0; }

double DirectionX(float a, float b) { return std::sin(DegToRad(a)) * std::cos(DegToRad(b)); }

double DirectionY(float a, float b) { return std::cos(DegToRad(a)) * std::cos(DegToRad(b)); }

double DirectionZ(float /*a*/, float b) { return std::sin(DegToRad(b)); }

D3DVECTOR FaceNormal(const D3DVECTOR& p1, const D3DVECTOR& p2, const D3DVECTOR& p3)
{
    D3DVECTOR e1;
    D3DVECTOR e2;
    D3DVECTOR n;
    D3DXVec3Subtract(&e1, &p2, &p1);
    D3DXVec3Subtract(&e2, &p3, &p1);
    D3DXVec3Cross(&n, &e1, &e2);
    D3DXVec3Normalize(&n, &n);
    return n;
}

} // namespace DirectX_Framework

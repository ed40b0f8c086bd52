#include "framework/D3DXMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

// GLM keeps column-vector matrices column by column; the row-vector matrix of the same
// transform is its transpose kept row by row, so both have the same memory image.
static_assert(sizeof(glm::mat4) == sizeof(D3DMATRIX));

namespace {

glm::mat4 ToGlm(const D3DMATRIX& m) { return glm::make_mat4(&m.m[0][0]); }

D3DMATRIX* FromGlm(D3DMATRIX* out, const glm::mat4& g)
{
    std::memcpy(out->m, glm::value_ptr(g), sizeof out->m);
    return out;
}

glm::vec3 ToGlm(const D3DVECTOR& v) { return {v.x, v.y, v.z}; }

} // namespace

D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out) { return FromGlm(out, glm::mat4(1.0f)); }

D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b)
{
    return FromGlm(out, ToGlm(*b) * ToGlm(*a));
}

D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z)
{
    return FromGlm(out, glm::translate(glm::mat4(1.0f), glm::vec3(x, y, z)));
}

D3DMATRIX* D3DXMatrixRotationX(D3DMATRIX* out, float radians)
{
    return FromGlm(out, glm::rotate(glm::mat4(1.0f), radians, glm::vec3(1, 0, 0)));
}

D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float radians)
{
    return FromGlm(out, glm::rotate(glm::mat4(1.0f), radians, glm::vec3(0, 1, 0)));
}

D3DMATRIX* D3DXMatrixRotationZ(D3DMATRIX* out, float radians)
{
    return FromGlm(out, glm::rotate(glm::mat4(1.0f), radians, glm::vec3(0, 0, 1)));
}

D3DMATRIX* D3DXMatrixLookAtLH(D3DMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at, const D3DVECTOR* up)
{
    return FromGlm(out, glm::lookAtLH(ToGlm(*eye), ToGlm(*at), ToGlm(*up)));
}

D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovY, float aspect, float zNear, float zFar)
{
    return FromGlm(out, glm::perspectiveLH_ZO(fovY, aspect, zNear, zFar));
}

void D3DXVec4TransformPoint(const D3DMATRIX* m, const D3DVECTOR* point, float out[4])
{
    const glm::vec4 r = ToGlm(*m) * glm::vec4(point->x, point->y, point->z, 1.0f);
    out[0] = r.x;
    out[1] = r.y;
    out[2] = r.z;
    out[3] = r.w;
}

D3DVECTOR* D3DXVec3Subtract(D3DVECTOR* out, const D3DVECTOR* a, const D3DVECTOR* b)
{
    *out = {a->x - b->x, a->y - b->y, a->z - b->z};
    return out;
}

D3DVECTOR* D3DXVec3Cross(D3DVECTOR* out, const D3DVECTOR* a, const D3DVECTOR* b)
{
    const D3DVECTOR r{a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
    *out = r;
    return out;
}

D3DVECTOR* D3DXVec3Normalize(D3DVECTOR* out, const D3DVECTOR* v)
{
    const float length = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
    if (length == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f};
        return out;
    }
    *out = {v->x / length, v->y / length, v->z / length};
    return out;
}

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v)
{
    const float length = std::sqrt(v->x * v->x + v->y * v->y);
    if (length == 0.0f) {
        *out = {0.0f, 0.0f};
        return out;
    }
    *out = {v->x / length, v->y / length};
    return out;
}

float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }

D3DCOLOR PackColour(int red, int green, int blue)
{
    const auto channel = [](int value) { return static_cast<D3DCOLOR>(std::clamp(value, 0, 255)); };
    return (channel(red) << 16) | (channel(green) << 8) | channel(blue);
}

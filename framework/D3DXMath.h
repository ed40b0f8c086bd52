// Matrix and vector builders of the graphics math library: row vectors (v x M), left-handed,
// single precision, built on GLM.
#pragma once

#include "framework/D3D8Types.h"

struct D3DXVECTOR2 {
    float x, y;
};

D3DMATRIX* D3DXMatrixIdentity(D3DMATRIX* out);
// out = a x b: a point transformed by out is transformed by a first, then by b.
D3DMATRIX* D3DXMatrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
D3DMATRIX* D3DXMatrixTranslation(D3DMATRIX* out, float x, float y, float z);
D3DMATRIX* D3DXMatrixRotationX(D3DMATRIX* out, float radians);
D3DMATRIX* D3DXMatrixRotationY(D3DMATRIX* out, float radians);
D3DMATRIX* D3DXMatrixRotationZ(D3DMATRIX* out, float radians);
D3DMATRIX* D3DXMatrixLookAtLH(D3DMATRIX* out, const D3DVECTOR* eye, const D3DVECTOR* at, const D3DVECTOR* up);
// Depth maps to 0 at the near plane and 1 at the far plane.
D3DMATRIX* D3DXMatrixPerspectiveFovLH(D3DMATRIX* out, float fovY, float aspect, float zNear, float zFar);

// Transforms the point (x, y, z, 1) by m; returns x, y, z, w.
void D3DXVec4TransformPoint(const D3DMATRIX* m, const D3DVECTOR* point, float out[4]);

D3DVECTOR* D3DXVec3Subtract(D3DVECTOR* out, const D3DVECTOR* a, const D3DVECTOR* b);
D3DVECTOR* D3DXVec3Cross(D3DVECTOR* out, const D3DVECTOR* a, const D3DVECTOR* b);
// A zero vector stays zero.
D3DVECTOR* D3DXVec3Normalize(D3DVECTOR* out, const D3DVECTOR* v);
// A zero vector stays zero.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
float D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b);

// Packs red, green and blue on the 0 to 255 scale into an RGB colour (red in bits 16 to 23,
// green in 8 to 15, blue in 0 to 7, alpha 0). Channels outside the scale are clamped.
D3DCOLOR PackColour(int red, int green, int blue);

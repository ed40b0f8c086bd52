// What the wall and floor stores share: uploading staged vertices into a vertex buffer and
// drawing a batch with its texture under the white surface material.
#pragma once

#include "framework/Device.h"

#include <cstdint>

namespace SurfaceBatches {

// The texture number of the extra surface that closes the batch being filled by changing the
// texture: -1, or -2 when the batch itself has texture -1 (else it would stay open, undrawn).
inline std::int32_t ClosingTexture(std::int32_t current) { return current == -1 ? -2 : -1; }

// The device, or a GraphicsError naming what needed it.
IDirect3DDevice8& Device(const char* operation);

// A new vertex buffer holding count vertices from first.
VertexBufferPtr Upload(const Vertex* first, std::int32_t count);

// Sets the white material (diffuse and ambient 1) and the identity world transform.
void BeginSurfaces();

// Draws one batch as a triangle list with the texture of its texture number; a batch without
// a buffer or vertices draws nothing.
void DrawBatch(IDirect3DVertexBuffer8* buffer, std::int32_t vertexCount, std::int32_t texture);

} // namespace SurfaceBatches

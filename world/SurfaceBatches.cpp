#include "world/SurfaceBatches.h"

#include "framework/D3DXMath.h"
#include "framework/DirectX_Framework.h"
#include "world/mdlTextures.h"

#include <cmath>
#include <string>

namespace SurfaceBatches {

using namespace DirectX_Framework;

IDirect3DDevice8& Device(const char* operation)
{
    if (!D3DDevice)
        throw GraphicsError(D3DERR_INVALIDCALL, std::string(operation) + " (no device)");
    return *D3DDevice;
}

VertexBufferPtr Upload(const Vertex* first, std::int32_t count)
{
    IDirect3DDevice8& device = Device("CreateVertexBuffer");
    const UINT bytes = static_cast<UINT>(count) * sizeof(Vertex);
    VertexBufferPtr buffer;
    ThrowIfFailed(device.CreateVertexBuffer(bytes, 0, VertexFVF, D3DPOOL_DEFAULT, buffer), "CreateVertexBuffer");
    ThrowIfFailed(buffer->Fill(0, bytes, 0, first), "filling a vertex buffer");
    return buffer;
}

void BeginSurfaces()
{
    IDirect3DDevice8& device = Device("SetMaterial");
    D3DMATERIAL8 material{};
    material.Diffuse = MakeColourValue(1, 1, 1, 1);
    material.Ambient = MakeColourValue(1, 1, 1, 1);
    ThrowIfFailed(device.SetMaterial(material), "SetMaterial");
    D3DXMatrixIdentity(&WorldMatrix);
    ThrowIfFailed(device.SetTransform(D3DTS_WORLD, WorldMatrix), "SetTransform(D3DTS_WORLD)");
}

void DrawBatch(IDirect3DVertexBuffer8* buffer, std::int32_t vertexCount, std::int32_t texture)
{
    if (buffer == nullptr || vertexCount <= 0)
        return;
    IDirect3DDevice8& device = Device("DrawPrimitive");
    ThrowIfFailed(device.SetTexture(0, mdlTextures::TextureFor(texture)), "SetTexture");
    ThrowIfFailed(device.SetStreamSource(0, buffer, sizeof(Vertex)), "SetStreamSource");
    ThrowIfFailed(device.DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(std::lround(vertexCount / 3.0))),
                  "DrawPrimitive");
}

} // namespace SurfaceBatches

#include "framework/Device.h"

#include <cstdio>

std::string ResultCodeText(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

GraphicsError::GraphicsError(HRESULT code, const std::string& operation)
    : std::runtime_error(operation + " failed with " + ResultCodeText(code)), code_(code)
{
}

void ThrowIfFailed(HRESULT hr, const char* operation)
{
    if (Failed(hr))
        throw GraphicsError(hr, operation);
}

HRESULT ID3DX8::BufferGetMaterial(const D3DXMaterialBuffer& buffer, DWORD index, D3DMATERIAL8& out) const
{
    if (index >= buffer.Materials.size())
        return D3DERR_INVALIDCALL;
    out = buffer.Materials[index].MatD3D;
    return D3D_OK;
}

HRESULT ID3DX8::BufferGetTextureName(const D3DXMaterialBuffer& buffer, DWORD index, std::string& out) const
{
    if (index >= buffer.Materials.size())
        return D3DERR_INVALIDCALL;
    out = buffer.Materials[index].TextureFilename;
    return D3D_OK;
}

// The graphics device interface: the adapter, device, resource and helper objects the engine
// uses, in Direct3D 8's terms and with its result codes (0 is success). Everything above
// framework/ talks to the graphics system only through these classes; the back ends (OpenGL,
// and the scripted test double) implement them.
//
// Lifetime: the device and the adapter are owned by the framework's module state and are
// released in a fixed order at shutdown. Textures, vertex buffers and meshes are shared
// objects that the world stores may hold past the device's release; a back end must make
// their destruction harmless once the device is gone.
#pragma once

#include "framework/D3D8Types.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// A failing graphics call raised as an error that carries the platform's result code.
class GraphicsError : public std::runtime_error {
public:
    GraphicsError(HRESULT code, const std::string& operation);
    HRESULT Code() const { return code_; }

private:
    HRESULT code_;
};

// Raises a GraphicsError for a failing result; passes success through.
void ThrowIfFailed(HRESULT hr, const char* operation);

// Text form of a result code, "0x8876086B", for messages and logs.
std::string ResultCodeText(HRESULT hr);

// A picture in memory: 32-bit ARGB pixels, top row first, rows back to back.
struct ImageARGB {
    UINT Width = 0;
    UINT Height = 0;
    std::vector<std::uint32_t> Pixels;
};

class IDirect3DTexture8 {
public:
    virtual ~IDirect3DTexture8() = default;
    virtual UINT Width() const = 0;
    virtual UINT Height() const = 0;
    virtual UINT LevelCount() const = 0;
};
using TexturePtr = std::shared_ptr<IDirect3DTexture8>;

class IDirect3DVertexBuffer8 {
public:
    virtual ~IDirect3DVertexBuffer8() = default;
    virtual UINT Length() const = 0;
    // Copies bytes from source into the buffer at offset (the lock / copy / unlock of the
    // original API in one call).
    virtual HRESULT Fill(UINT offset, UINT bytes, DWORD flags, const void* source) = 0;
};
using VertexBufferPtr = std::shared_ptr<IDirect3DVertexBuffer8>;

class ID3DXMesh {
public:
    virtual ~ID3DXMesh() = default;
    virtual DWORD NumSubsets() const = 0;
    virtual DWORD NumFaces() const = 0;
    virtual HRESULT DrawSubset(DWORD subset) = 0;
};
using MeshPtr = std::shared_ptr<ID3DXMesh>;

// One entry of a mesh file's material list: the material and the texture file it names.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    std::string TextureFilename;
};

// The material list of a loaded mesh, as read from the file.
struct D3DXMaterialBuffer {
    std::vector<D3DXMATERIAL> Materials;
};

class ID3DXFont {
public:
    virtual ~ID3DXFont() = default;
    // Draws text in rect (left-aligned, top, one line, clipped when format is 0) in an ARGB
    // colour whose alpha blends.
    virtual HRESULT DrawText(const std::string& text, const RECT& rect, DWORD format, D3DCOLOR colour) = 0;
};
using FontPtr = std::unique_ptr<ID3DXFont>;

class IDirect3DDevice8 {
public:
    virtual ~IDirect3DDevice8() = default;

    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z,
                          DWORD stencil) = 0;
    // Shows the whole back buffer in the device window.
    virtual HRESULT Present() = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;

    virtual HRESULT SetTransform(DWORD state, const D3DMATRIX& matrix) = 0;
    virtual HRESULT SetRenderState(DWORD state, DWORD value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, DWORD type, DWORD value) = 0;
    virtual HRESULT SetMaterial(const D3DMATERIAL8& material) = 0;
    virtual HRESULT SetLight(DWORD index, const D3DLIGHT8& light) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    // A null texture leaves the stage empty: surfaces draw untextured.
    virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture) = 0;
    // Selects the vertex format (a flexible-vertex-format code such as VertexFVF).
    virtual HRESULT SetVertexShader(DWORD handle) = 0;

    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, DWORD pool,
                                       VertexBufferPtr& out) = 0;
    virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) = 0;
    virtual HRESULT DrawPrimitive(DWORD primitiveType, UINT startVertex, UINT primitiveCount) = 0;

    // The frame most recently presented, at the back buffer's size (screenshots, tests).
    virtual HRESULT GetFrontBufferData(ImageARGB& out) = 0;
};

class IDirect3D8 {
public:
    virtual ~IDirect3D8() = default;

    virtual UINT GetAdapterModeCount(UINT adapter) = 0;
    virtual HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE& out) = 0;
    // D3D_OK when a resource of checkFormat can be used with the adapter format.
    virtual HRESULT CheckDeviceFormat(UINT adapter, DWORD deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                      DWORD resourceType, D3DFORMAT checkFormat) = 0;
    virtual HRESULT GetDeviceCaps(UINT adapter, DWORD deviceType, D3DCAPS8& caps) = 0;
    virtual HRESULT CreateDevice(UINT adapter, DWORD deviceType, Window* focusWindow, DWORD behaviourFlags,
                                 D3DPRESENT_PARAMETERS& params, std::unique_ptr<IDirect3DDevice8>& out) = 0;
};

// The helper library's object: file loaders and text.
class ID3DX8 {
public:
    virtual ~ID3DX8() = default;

    virtual HRESULT LoadMeshFromX(const std::string& path, DWORD options, IDirect3DDevice8& device,
                                  MeshPtr& mesh, D3DXMaterialBuffer& materials, DWORD& materialCount) = 0;
    virtual HRESULT CreateTextureFromFile(IDirect3DDevice8& device, const std::string& path,
                                          TexturePtr& out) = 0;
    // A font of the named face (resolved to the closest installed one) at a size in points.
    virtual HRESULT CreateFont(IDirect3DDevice8& device, const std::string& face, int points, FontPtr& out) = 0;

    // Writes a picture to a PNG file.
    virtual HRESULT SaveImageToPng(const std::string& path, const ImageARGB& image) = 0;

    // Starts reading texture and model files that CreateTextureFromFile and LoadMeshFromX will be
    // asked for (with these paths), in the background, so that those calls find the work done
    // or under way. Changes nothing else: each of them still fails, and says why, as without.
    // The textures an earlier call read ahead and nobody took are let go of; with no paths at
    // all, that is all a call does.
    virtual void ReadAhead(const std::vector<std::string>& /*texturePaths*/,
                           const std::vector<std::string>& /*modelPaths*/)
    {
    }

    // Material i and texture name i of a material list (D3DERR_INVALIDCALL beyond its end).
    HRESULT BufferGetMaterial(const D3DXMaterialBuffer& buffer, DWORD index, D3DMATERIAL8& out) const;
    HRESULT BufferGetTextureName(const D3DXMaterialBuffer& buffer, DWORD index, std::string& out) const;
};

// The root object of a graphics back end: makes the adapter object and the helper object.
// Either may come back empty when the back end cannot start (no display, no usable driver);
// the back end then says why through the engine log.
class IDirectX8 {
public:
    virtual ~IDirectX8() = default;
    virtual std::unique_ptr<IDirect3D8> Direct3DCreate8() = 0;
    virtual std::unique_ptr<ID3DX8> D3DXCreate() = 0;
};

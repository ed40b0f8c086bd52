// The OpenGL device's resources: textures, vertex buffers and meshes, each holding the OpenGL
// objects behind it; and the upload of a texture's picture with its mip levels.
#pragma once

#include "framework/Device.h"
#include "framework/gl/GlObjects.h"
#include "framework/gl/XMeshFiles.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

class GlDevice;

// Each Make below needs the context current, leaves the bindings it used at 0, and gives null
// when OpenGL reports an error.

// Lets resources reach their device while it lives; Device is null once it is released.
struct GlDeviceLink {
    GlDevice* Device = nullptr;
};

class GlTexture final : public IDirect3DTexture8 {
public:
    // A texture of an RGBA picture (pitch bytes a row, a multiple of 4; top row first) with its
    // full mip chain; error is OpenGL's.
    static std::shared_ptr<GlTexture> Make(const std::shared_ptr<SdlGlContext>& context, const std::uint8_t* rgba,
                                           UINT width, UINT height, UINT pitch, GLenum& error);
    GlTexture(GlObjectPtr texture, UINT width, UINT height, UINT levels)
        : texture_(std::move(texture)), width_(width), height_(height), levels_(levels)
    {
    }
    UINT Width() const override { return width_; }
    UINT Height() const override { return height_; }
    UINT LevelCount() const override { return levels_; }
    const GlObjectPtr& Object() const { return texture_; }

private:
    GlObjectPtr texture_;
    UINT width_;
    UINT height_;
    UINT levels_;
};

// A vertex buffer's vertex array: made at the buffer's first draw, pointed at the buffer in the
// vertex format and stride of that draw, and pointed again only when those change.
struct GlStreamArray {
    GlObjectPtr Buffer;
    GlObjectPtr Array;
    DWORD Fvf = 0;
    UINT Stride = 0;
};

class GlVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    static std::shared_ptr<GlVertexBuffer> Make(const std::shared_ptr<SdlGlContext>& context, UINT length);
    GlVertexBuffer(std::shared_ptr<SdlGlContext> context, GlObjectPtr buffer, UINT length);
    UINT Length() const override { return length_; }
    HRESULT Fill(UINT offset, UINT bytes, DWORD flags, const void* source) override;
    const GlObjectPtr& Object() const { return buffer_; }
    const std::shared_ptr<GlStreamArray>& Stream() const { return stream_; }

private:
    std::shared_ptr<SdlGlContext> context_;
    GlObjectPtr buffer_;
    UINT length_;
    std::shared_ptr<GlStreamArray> stream_;
};

// A mesh's vertices and indices in a vertex array of its own; each subset is a run of indices
// (first, count), drawn by the device with its current state.
class GlMesh final : public ID3DXMesh {
public:
    // The geometry's indices and subsets must be valid.
    static std::shared_ptr<GlMesh> Make(const std::shared_ptr<SdlGlContext>& context,
                                        std::shared_ptr<GlDeviceLink> link, const MeshGeometry& geometry);
    GlMesh(std::shared_ptr<GlDeviceLink> link, GlObjectPtr vertexArray, GlObjectPtr vertices, GlObjectPtr indices,
           std::vector<std::pair<std::uint32_t, std::uint32_t>> subsets, DWORD faces);
    DWORD NumSubsets() const override { return static_cast<DWORD>(subsets_.size()); }
    DWORD NumFaces() const override { return faces_; }
    HRESULT DrawSubset(DWORD subset) override;

private:
    std::shared_ptr<GlDeviceLink> link_;
    GlObjectPtr vertexArray_;
    GlObjectPtr vertices_;
    GlObjectPtr indices_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> subsets_;
    DWORD faces_;
};

// Sets the bound vertex array's attributes for the Vertex layout (or a layout without normal or
// texture coordinates) from the buffer bound to GL_ARRAY_BUFFER.
void PointAttributes(GLsizei stride, bool normal, bool texCoord);

// How many levels a full mip chain of a texture of this size has (down to 1 x 1).
UINT MipLevels(UINT width, UINT height);

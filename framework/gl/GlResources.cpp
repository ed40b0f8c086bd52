#include "framework/gl/GlResources.h"

#include "framework/gl/GlDevice.h"
#include "framework/gl/GlShaders.h"

#include <algorithm>
#include <cstring>

std::shared_ptr<GlVertexBuffer> GlVertexBuffer::Make(const std::shared_ptr<SdlGlContext>& context, UINT length)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr buffer = MakeGlObject(context, GlKind::Buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer->Name());
    glBufferData(GL_ARRAY_BUFFER, length, nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
        return nullptr;
    return std::make_shared<GlVertexBuffer>(context, std::move(buffer), length);
}

GlVertexBuffer::GlVertexBuffer(std::shared_ptr<SdlGlContext> context, GlObjectPtr buffer, UINT length)
    : context_(std::move(context)), buffer_(std::move(buffer)), length_(length),
      stream_(std::make_shared<GlStreamArray>())
{
    stream_->Buffer = buffer_;
}

HRESULT GlVertexBuffer::Fill(UINT offset, UINT bytes, DWORD, const void* source)
{
    if (source == nullptr || offset > length_ || bytes > length_ - offset)
        return D3DERR_INVALIDCALL;
    if (bytes == 0)
        return D3D_OK;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    glBindBuffer(GL_ARRAY_BUFFER, buffer_->Name());
    glBufferSubData(GL_ARRAY_BUFFER, offset, bytes, source);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return D3D_OK;
}

std::shared_ptr<GlMesh> GlMesh::Make(const std::shared_ptr<SdlGlContext>& context, std::shared_ptr<GlDeviceLink> link,
                                     const MeshGeometry& geometry)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr vertexArray = MakeGlObject(context, GlKind::VertexArray);
    GlObjectPtr vertices = MakeGlObject(context, GlKind::Buffer);
    GlObjectPtr indices = MakeGlObject(context, GlKind::Buffer);
    glBindVertexArray(vertexArray->Name());
    glBindBuffer(GL_ARRAY_BUFFER, vertices->Name());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.Vertices.size() * sizeof(Vertex)),
                 geometry.Vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->Name());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.Indices.size() * sizeof(std::uint32_t)),
                 geometry.Indices.data(), GL_STATIC_DRAW);
    PointAttributes(sizeof(Vertex), true, true);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
        return nullptr;
    return std::make_shared<GlMesh>(std::move(link), std::move(vertexArray), std::move(vertices), std::move(indices),
                                    geometry.Subsets, static_cast<DWORD>(geometry.Indices.size() / 3));
}

GlMesh::GlMesh(std::shared_ptr<GlDeviceLink> link, GlObjectPtr vertexArray, GlObjectPtr vertices, GlObjectPtr indices,
               std::vector<std::pair<std::uint32_t, std::uint32_t>> subsets, DWORD faces)
    : link_(std::move(link)), vertexArray_(std::move(vertexArray)), vertices_(std::move(vertices)),
      indices_(std::move(indices)), subsets_(std::move(subsets)), faces_(faces)
{
}

HRESULT GlMesh::DrawSubset(DWORD subset)
{
    if (subset >= subsets_.size() || link_->Device == nullptr)
        return D3DERR_INVALIDCALL;
    const auto& [first, count] = subsets_[subset];
    if (count == 0)
        return D3D_OK;
    return link_->Device->DrawIndexed(vertexArray_, first, count);
}

void PointAttributes(GLsizei stride, bool normal, bool texCoord)
{
    glEnableVertexAttribArray(PositionAttribute);
    glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    std::uintptr_t offset = 12;
    if (normal) {
        glEnableVertexAttribArray(NormalAttribute);
        glVertexAttribPointer(NormalAttribute, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
        offset += 12;
    } else {
        glDisableVertexAttribArray(NormalAttribute);
        glVertexAttrib3f(NormalAttribute, 0, 0, 0);
    }
    if (texCoord) {
        glEnableVertexAttribArray(TexCoordAttribute);
        glVertexAttribPointer(TexCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offset));
    } else {
        glDisableVertexAttribArray(TexCoordAttribute);
        glVertexAttrib2f(TexCoordAttribute, 0, 0);
    }
}

UINT MipLevels(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}

namespace {

// The average of four RGBA texels, channel by channel, rounded: the channels are spread into
// the 16-bit lanes of a 64-bit number (the two even bytes in the low half, the two odd ones in
// the high half), summed there without carries between them, and gathered again.
std::uint32_t Average4(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, const std::uint8_t* d)
{
    constexpr std::uint64_t Lanes = 0x00FF00FF00FF00FFull;
    const auto spread = [](const std::uint8_t* texel) {
        std::uint32_t p = 0;
        std::memcpy(&p, texel, 4);
        return (std::uint64_t{p} & 0x00FF00FFu) | (std::uint64_t{(p >> 8) & 0x00FF00FFu} << 32);
    };
    const std::uint64_t sum = spread(a) + spread(b) + spread(c) + spread(d) + 0x0002000200020002ull;
    const std::uint64_t mean = (sum >> 2) & Lanes;
    return static_cast<std::uint32_t>(mean & 0x00FF00FFu) | static_cast<std::uint32_t>(mean >> 32) << 8;
}

// The mip level below an RGBA picture of width x height (pitch bytes a row): half as wide and
// high (at least 1), each texel the rounded average of 2 x 2 texels above it; the last row or
// column of an odd size is left out, and a side of 1 pairs each texel with itself.
void NextMipLevel(const std::uint8_t* source, std::size_t pitch, UINT width, UINT height,
                  std::vector<std::uint8_t>& out)
{
    const UINT nextW = std::max(1u, width / 2);
    const UINT nextH = std::max(1u, height / 2);
    out.resize(static_cast<std::size_t>(nextW) * nextH * 4);
    const std::size_t nextColumn = width > 1 ? 4 : 0;
    const std::size_t nextRow = height > 1 ? pitch : 0;
    for (UINT y = 0; y < nextH; ++y) {
        const std::uint8_t* row0 = source + static_cast<std::size_t>(2 * y) * pitch;
        const std::uint8_t* row1 = row0 + nextRow;
        std::uint8_t* texel = out.data() + static_cast<std::size_t>(y) * nextW * 4;
        for (std::size_t x0 = 0; x0 < static_cast<std::size_t>(nextW) * 8; x0 += 8, texel += 4) {
            const std::uint32_t mean = Average4(row0 + x0, row0 + x0 + nextColumn, row1 + x0, row1 + x0 + nextColumn);
            std::memcpy(texel, &mean, 4);
        }
    }
}

} // namespace

// Hands the texture bound to GL_TEXTURE_2D the picture as its level 0 and every mip level below
// it, down to 1 x 1.
void UploadWithMipChain(const std::uint8_t* rgba, UINT width, UINT height, UINT pitch)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / 4));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // The mip levels are worked out here rather than by glGenerateMipmap: a software driver
    // draws them with shaders it must first compile, which made the first texture of a run cost
    // a few hundred milliseconds.
    std::vector<std::uint8_t> above;
    std::vector<std::uint8_t> below;
    const std::uint8_t* source = rgba;
    std::size_t sourcePitch = pitch;
    UINT w = width;
    UINT h = height;
    for (UINT level = 1; level < MipLevels(width, height); ++level) {
        NextMipLevel(source, sourcePitch, w, h, below);
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(w),
                     static_cast<GLsizei>(h), 0, GL_RGBA, GL_UNSIGNED_BYTE, below.data());
        above.swap(below);
        source = above.data();
        sourcePitch = static_cast<std::size_t>(w) * 4;
    }
}

std::shared_ptr<GlTexture> GlTexture::Make(const std::shared_ptr<SdlGlContext>& context, const std::uint8_t* rgba,
                                           UINT width, UINT height, UINT pitch, GLenum& error)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr texture = MakeGlObject(context, GlKind::Texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->Name());
    UploadWithMipChain(rgba, width, height, pitch);
    glBindTexture(GL_TEXTURE_2D, 0);
    error = glGetError();
    if (error != GL_NO_ERROR)
        return nullptr;
    return std::make_shared<GlTexture>(std::move(texture), width, height, MipLevels(width, height));
}

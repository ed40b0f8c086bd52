// The device's text (DrawText of the helper library's fonts): a glyph atlas per font face
// (GlyphAtlas), the glyphs placed by LayOutText, each drawn as two triangles of a vertex buffer
// that holds TextGlyphs glyphs, so a piece of text costs a draw call per TextGlyphs glyphs. The
// coverage is blended over the picture in the ink's colour. The same text in the same place as
// the last one drawn (the read-out, frame after frame) is drawn again from the vertex buffer as
// it is.
#pragma once

#include "framework/gl/Fonts.h"
#include "framework/gl/GlShaders.h"
#include "framework/gl/GlStateCache.h"
#include "framework/gl/GlyphAtlas.h"
#include "framework/gl/TextLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GlTextDrawer {
public:
    // Makes the program and the vertex buffer for a target of width x height; the context must
    // be current. False with the driver's message when it cannot build the program.
    bool Build(const std::shared_ptr<SdlGlContext>& context, UINT width, UINT height, UINT maxTextureSize,
               std::string& error);
    // Draws text into framebuffer (the back buffer, of the size Build was given); the context
    // must be current.
    void Draw(GlStateCache& state, GLuint framebuffer, const std::shared_ptr<TtfFace>& face, const std::string& text,
              const RECT& rect, DWORD format, D3DCOLOR colour);

private:
    // The last text the vertex buffer holds.
    struct Memo {
        std::uint64_t Face = 0;
        int Generation = -1;
        std::string Text;
        RECT Rect{};
        DWORD Format = 0;
        int Glyphs = -1; // -1: the vertex buffer holds no batch that a draw could repeat
    };

    bool ClipBox(const RECT& rect, GLint box[4]) const;
    GlyphAtlas& AtlasFor(const std::shared_ptr<TtfFace>& face, GlStateCache& state);
    void ApplyState(GlStateCache& state, GLuint framebuffer, bool clip, const GLint box[4], D3DCOLOR colour);
    bool Remembered(const GlyphAtlas& atlas, const std::string& text, const RECT& rect, DWORD format) const;
    void DrawBatch(GlStateCache& state, GlyphAtlas& atlas, std::size_t first, int count);

    std::shared_ptr<SdlGlContext> context_;
    UINT width_ = 0;
    UINT height_ = 0;
    UINT maxTextureSize_ = 0;
    TextProgram program_;
    GlObjectPtr array_;
    GlObjectPtr vertices_;
    GlObjectPtr sampler_;
    std::vector<std::unique_ptr<GlyphAtlas>> atlases_;
    Memo memo_;
    D3DCOLOR ink_ = 0; // what the program holds
    bool inkKnown_ = false;
    std::vector<PlacedGlyph> placed_;
    float staging_[TextGlyphs * 6][4] = {}; // pixel x, y, atlas u, v of each corner
};

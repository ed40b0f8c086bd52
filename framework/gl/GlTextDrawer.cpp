#include "framework/gl/GlTextDrawer.h"

#include "framework/gl/GlFormats.h"

#include <algorithm>
#include <cstring>

bool GlTextDrawer::Build(const std::shared_ptr<SdlGlContext>& context, UINT width, UINT height, UINT maxTextureSize,
                         std::string& error)
{
    context_ = context;
    width_ = width;
    height_ = height;
    maxTextureSize_ = maxTextureSize;
    if (!BuildTextProgram(context_, program_, error))
        return false;
    sampler_ = MakeGlObject(context_, GlKind::Sampler);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    array_ = MakeGlObject(context_, GlKind::VertexArray);
    vertices_ = MakeGlObject(context_, GlKind::Buffer);
    glBindVertexArray(array_->Name());
    glBindBuffer(GL_ARRAY_BUFFER, vertices_->Name());
    glBufferData(GL_ARRAY_BUFFER, sizeof staging_, nullptr, GL_DYNAMIC_DRAW);
    constexpr GLsizei corner = sizeof staging_[0];
    glEnableVertexAttribArray(TextPixelAttribute);
    glVertexAttribPointer(TextPixelAttribute, 2, GL_FLOAT, GL_FALSE, corner, nullptr);
    glEnableVertexAttribArray(TextAtlasAttribute);
    glVertexAttribPointer(TextAtlasAttribute, 2, GL_FLOAT, GL_FALSE, corner, reinterpret_cast<const void*>(8));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(program_.Program->Name());
    glUniform2f(program_.Target, static_cast<float>(width_), static_cast<float>(height_));
    glUseProgram(0);
    return true;
}

void GlTextDrawer::Draw(GlStateCache& state, GLuint framebuffer, const std::shared_ptr<TtfFace>& face,
                        const std::string& text, const RECT& rect, DWORD format, D3DCOLOR colour)
{
    const bool clip = (format & DT_NOCLIP) == 0;
    GLint box[4] = {0, 0, 0, 0};
    if (clip && !ClipBox(rect, box))
        return;
    GlyphAtlas& atlas = AtlasFor(face, state);
    ApplyState(state, framebuffer, clip, box, colour);
    if (Remembered(atlas, text, rect, format)) {
        state.BindTexture(atlas.Texture());
        if (memo_.Glyphs > 0)
            glDrawArrays(GL_TRIANGLES, 0, memo_.Glyphs * 6);
        return;
    }
    LayOutText(text, rect, format, atlas, placed_);
    int batches = 0;
    int held = 0; // glyphs of the last batch handed to the vertex buffer
    for (std::size_t first = 0; first < placed_.size(); first += TextGlyphs) {
        held = static_cast<int>(std::min<std::size_t>(TextGlyphs, placed_.size() - first));
        DrawBatch(state, atlas, first, held);
        ++batches;
    }
    memo_.Glyphs = batches <= 1 ? held : -1;
    memo_.Face = face->Id();
    memo_.Generation = atlas.Generation();
    memo_.Format = format;
    memo_.Rect = rect;
    memo_.Text = text;
}

// The scissor box of rect within the target, in OpenGL's terms (from the bottom left); false
// when nothing of rect is inside the target.
bool GlTextDrawer::ClipBox(const RECT& rect, GLint box[4]) const
{
    const int left = std::clamp(rect.left, 0, static_cast<int>(width_));
    const int right = std::clamp(rect.right, 0, static_cast<int>(width_));
    const int top = std::clamp(rect.top, 0, static_cast<int>(height_));
    const int bottom = std::clamp(rect.bottom, 0, static_cast<int>(height_));
    if (right <= left || bottom <= top)
        return false;
    box[0] = left;
    box[1] = static_cast<int>(height_) - bottom;
    box[2] = right - left;
    box[3] = bottom - top;
    return true;
}

GlyphAtlas& GlTextDrawer::AtlasFor(const std::shared_ptr<TtfFace>& face, GlStateCache& state)
{
    for (const auto& atlas : atlases_)
        if (atlas->FaceId() == face->Id())
            return *atlas;
    atlases_.push_back(std::make_unique<GlyphAtlas>(context_, face, static_cast<int>(maxTextureSize_)));
    state.ForgetTexture(); // the atlas bound its texture
    return *atlases_.back();
}

// Text covers the picture where it is drawn: no depth test, no culling, filled, blended, cut to
// its rectangle unless told otherwise.
void GlTextDrawer::ApplyState(GlStateCache& state, GLuint framebuffer, bool clip, const GLint box[4],
                              D3DCOLOR colour)
{
    state.BindFramebuffer(framebuffer);
    state.SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    state.DepthTest(false);
    state.CullFace(false);
    state.PolygonMode(GL_FILL);
    state.Blend(true);
    state.ScissorTest(clip);
    if (clip)
        state.SetScissor(box);
    state.UseProgram(program_.Program);
    state.BindVertexArray(array_);
    state.BindSampler(sampler_);
    if (!inkKnown_ || ink_ != colour) {
        float ink[4];
        ColourOf(colour, ink);
        glUniform4f(program_.Ink, ink[0], ink[1], ink[2], ink[3]);
        ink_ = colour;
        inkKnown_ = true;
    }
}

// Whether the vertex buffer holds this very text in this very place, drawn from the atlas as
// it is now.
bool GlTextDrawer::Remembered(const GlyphAtlas& atlas, const std::string& text, const RECT& rect, DWORD format) const
{
    return memo_.Glyphs >= 0 && memo_.Face == atlas.FaceId() && memo_.Generation == atlas.Generation() &&
           memo_.Format == format && memo_.Rect.left == rect.left && memo_.Rect.top == rect.top &&
           memo_.Rect.right == rect.right && memo_.Rect.bottom == rect.bottom && memo_.Text == text;
}

// Hands count placed glyphs from first to the vertex buffer, two triangles over each glyph's
// box, and draws them.
void GlTextDrawer::DrawBatch(GlStateCache& state, GlyphAtlas& atlas, std::size_t first, int count)
{
    if (atlas.Sync())
        state.ForgetTexture(); // the atlas bound its texture to hand it the new glyphs
    state.BindTexture(atlas.Texture());
    const auto atlasWidth = static_cast<float>(atlas.Width());
    const auto atlasHeight = static_cast<float>(atlas.Height());
    for (int i = 0; i < count; ++i) {
        const PlacedGlyph& glyph = placed_[first + static_cast<std::size_t>(i)];
        const auto x0 = static_cast<float>(glyph.X);
        const auto y0 = static_cast<float>(glyph.Y);
        const float x1 = x0 + static_cast<float>(glyph.Width);
        const float y1 = y0 + static_cast<float>(glyph.Height);
        const float u0 = static_cast<float>(glyph.AtlasX) / atlasWidth;
        const float v0 = static_cast<float>(glyph.AtlasY) / atlasHeight;
        const float u1 = static_cast<float>(glyph.AtlasX + glyph.Width) / atlasWidth;
        const float v1 = static_cast<float>(glyph.AtlasY + glyph.Height) / atlasHeight;
        const float corners[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1},
                                     {x0, y1, u0, v1}, {x1, y0, u1, v0}, {x1, y1, u1, v1}};
        std::memcpy(staging_[i * 6], corners, sizeof corners);
    }
    glBindBuffer(GL_ARRAY_BUFFER, vertices_->Name());
    glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count) * 6 * GLsizeiptr{sizeof staging_[0]},
                    staging_);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glDrawArrays(GL_TRIANGLES, 0, count * 6);
}

// The glyphs of one font face, each rendered once by SDL_ttf (as it renders a line of that one
// character) into one coverage texture, so that text is drawn from it without rendering or
// allocating anything per frame. The digits, which counters on the screen change all the time,
// are rendered when the atlas is made, every other character the first time it is asked for.
// LayOutText places the glyphs by their advances and the font's kerning table: for text without
// kerning pairs (the frames-per-second read-out) the picture is SDL_ttf's own, pixel for pixel.
#pragma once

#include "framework/gl/Fonts.h"
#include "framework/gl/GlObjects.h"
#include "framework/gl/TextLayout.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class GlyphAtlas final : public GlyphSource {
public:
    // The context must be current.
    GlyphAtlas(std::shared_ptr<SdlGlContext> context, std::shared_ptr<TtfFace> face, int maxTextureSize);

    std::uint64_t FaceId() const { return face_->Id(); }
    int LineSkip() const override { return face_->LineSkip(); }
    // The glyph of a character, rendered and added the first time.
    const GlyphMetrics& Find(char32_t c) override;
    // Hands the texture the glyphs added since the last time; the context must be current, and
    // the texture is left bound to texture unit 0. True when it uploaded anything.
    bool Sync();
    int Kerning(char32_t previous, char32_t c) const override;

    const GlObjectPtr& Texture() const { return texture_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Changes whenever the atlas grows, which moves every glyph's texture coordinates.
    int Generation() const { return generation_; }

private:
    struct Glyph : GlyphMetrics {
        bool Rendered = false;
    };

    Glyph Render(char32_t c);

    std::shared_ptr<SdlGlContext> context_;
    std::shared_ptr<TtfFace> face_;
    int maxTextureSize_;
    Glyph ascii_[128];
    std::map<char32_t, Glyph> others_;
    std::vector<std::uint8_t> coverage_; // the atlas picture, width_ x height_
    GlObjectPtr texture_;
    int width_ = 0;
    int height_ = 0;
    int shelfX_ = 0; // where the next glyph goes: along the current shelf...
    int shelfY_ = 0;
    int shelfHeight_ = 0; // ...which is this high
    int generation_ = 0;
    bool changed_ = false; // glyphs added since the last upload
};

#include "framework/gl/GlyphAtlas.h"

#include <algorithm>

GlyphAtlas::GlyphAtlas(std::shared_ptr<SdlGlContext> context, std::shared_ptr<TtfFace> face, int maxTextureSize)
    : context_(std::move(context)), face_(std::move(face)), maxTextureSize_(maxTextureSize)
{
    width_ = std::min(512, maxTextureSize_);
    texture_ = MakeGlObject(context_, GlKind::Texture);
    for (char32_t c = '0'; c <= '9'; ++c)
        Find(c);
    Sync();
}

const GlyphMetrics& GlyphAtlas::Find(char32_t c)
{
    Glyph* glyph = nullptr;
    if (c < 128) {
        glyph = &ascii_[c];
    } else {
        auto known = others_.find(c);
        if (known == others_.end())
            known = others_.emplace(c, Glyph{}).first;
        glyph = &known->second;
    }
    if (!glyph->Rendered) {
        const int before = height_;
        *glyph = Render(c);
        glyph->Rendered = true;
        changed_ = true;
        if (height_ != before)
            ++generation_;
    }
    return *glyph;
}

int GlyphAtlas::Kerning(char32_t previous, char32_t c) const
{
    return TTF_GetFontKerningSizeGlyphs32(face_->Font(), previous, c);
}

GlyphAtlas::Glyph GlyphAtlas::Render(char32_t c)
{
    Glyph glyph;
    int minX = 0;
    int maxX = 0;
    int minY = 0;
    int maxY = 0;
    if (TTF_GlyphMetrics32(face_->Font(), c, &minX, &maxX, &minY, &maxY, &glyph.Advance) != 0)
        return glyph;
    SDL_Surface* rendered = TTF_RenderGlyph32_Blended(face_->Font(), c, SDL_Color{255, 255, 255, 255});
    if (rendered == nullptr)
        return glyph;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (surface == nullptr)
        return glyph;
    // SDL_ttf starts a line's picture at the pen, or further left when the glyph reaches back.
    glyph.Left = std::min(0, minX);
    const int width = std::min(surface->w, width_);
    const int height = std::min(surface->h, maxTextureSize_);
    bool ink = false;
    SDL_LockSurface(surface);
    const auto alpha = [&](int x, int y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(surface->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * surface->pitch);
        return static_cast<std::uint8_t>(row[x] >> 24);
    };
    for (int y = 0; y < height && !ink; ++y)
        for (int x = 0; x < width && !ink; ++x)
            ink = alpha(x, y) != 0;
    if (ink) {
        if (shelfX_ + width > width_) { // a new shelf
            shelfY_ += shelfHeight_ + 1;
            shelfX_ = 0;
            shelfHeight_ = 0;
        }
        const int needed = shelfY_ + height;
        if (needed <= maxTextureSize_) {
            if (needed > height_) {
                int grown = std::max(height_, 64);
                while (grown < needed)
                    grown *= 2;
                height_ = std::min(grown, maxTextureSize_);
                coverage_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_));
            }
            glyph.X = shelfX_;
            glyph.Y = shelfY_;
            glyph.Width = width;
            glyph.Height = height;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    coverage_[static_cast<std::size_t>(shelfY_ + y) * static_cast<std::size_t>(width_) +
                              static_cast<std::size_t>(shelfX_ + x)] = alpha(x, y);
            shelfX_ += width + 1;
            shelfHeight_ = std::max(shelfHeight_, height);
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return glyph;
}

bool GlyphAtlas::Sync()
{
    if (!changed_)
        return false;
    changed_ = false;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_->Name());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width_, std::max(height_, 1), 0, GL_RED, GL_UNSIGNED_BYTE,
                 coverage_.empty() ? nullptr : coverage_.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return true;
}

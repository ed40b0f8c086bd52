// Where each glyph of a piece of text goes in its rectangle, worked out from the glyphs'
// metrics alone (no drawing), as the helper library's DrawText lays text out:
// - lines break at line feeds (a carriage return before one is dropped) unless DT_SINGLELINE;
// - each line starts at the rectangle's left, or is centred in it (DT_CENTER) or ends at its
//   right (DT_RIGHT); lines follow each other by the font's line skip from the rectangle's top;
// - the pen moves by each glyph's advance and the font's kerning between two characters;
// - unless DT_NOCLIP, no line starts at or below the rectangle's bottom;
// - UTF-8 text: a byte that does not start a well-formed character stands for U+FFFD.
#pragma once

#include "framework/D3D8Types.h"

#include <string_view>
#include <vector>

// A glyph's picture: where it starts from the pen position, its size (a width of 0: nothing to
// draw, as for a space), how far it moves the pen, and where it lies in the glyph atlas.
struct GlyphMetrics {
    int Left = 0;
    int Width = 0;
    int Height = 0;
    int Advance = 0;
    int X = 0;
    int Y = 0;
};

// The glyphs of one font face.
class GlyphSource {
public:
    virtual const GlyphMetrics& Find(char32_t c) = 0;
    virtual int Kerning(char32_t previous, char32_t c) const = 0;
    virtual int LineSkip() const = 0;

protected:
    ~GlyphSource() = default;
};

// A glyph with a picture, placed: its top-left corner and size in pixels of the target (y
// down), and its place in the atlas.
struct PlacedGlyph {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    int AtlasX = 0;
    int AtlasY = 0;
};

// The glyphs with a picture of text in rect, in the order of the text, into out (emptied first).
void LayOutText(std::string_view text, const RECT& rect, DWORD format, GlyphSource& glyphs,
                std::vector<PlacedGlyph>& out);

#include "framework/gl/TextLayout.h"

#include "framework/Utf8.h"

namespace {

char32_t NextCharacter(std::string_view text, std::size_t& at)
{
    return NextUtf8Character(text, at).value_or(U'\uFFFD');
}

// How far the pen moves over a line.
int LineWidth(std::string_view line, GlyphSource& glyphs)
{
    int width = 0;
    char32_t previous = 0;
    for (std::size_t at = 0; at < line.size();) {
        const char32_t c = NextCharacter(line, at);
        width += (previous != 0 ? glyphs.Kerning(previous, c) : 0) + glyphs.Find(c).Advance;
        previous = c;
    }
    return width;
}

void LayOutLine(std::string_view line, int left, int top, GlyphSource& glyphs, std::vector<PlacedGlyph>& out)
{
    int pen = left;
    char32_t previous = 0;
    for (std::size_t at = 0; at < line.size();) {
        const char32_t c = NextCharacter(line, at);
        if (previous != 0)
            pen += glyphs.Kerning(previous, c);
        const GlyphMetrics& glyph = glyphs.Find(c);
        if (glyph.Width > 0)
            out.push_back({pen + glyph.Left, top, glyph.Width, glyph.Height, glyph.X, glyph.Y});
        pen += glyph.Advance;
        previous = c;
    }
}

} // namespace

void LayOutText(std::string_view text, const RECT& rect, DWORD format, GlyphSource& glyphs,
                std::vector<PlacedGlyph>& out)
{
    out.clear();
    const bool clip = (format & DT_NOCLIP) == 0;
    const int lineSkip = glyphs.LineSkip();
    int top = rect.top;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = (format & DT_SINGLELINE) != 0 ? std::string_view::npos : text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (clip && top >= rect.bottom)
            break;
        int left = rect.left;
        if ((format & (DT_CENTER | DT_RIGHT)) != 0) {
            const int width = LineWidth(line, glyphs);
            left = (format & DT_CENTER) != 0 ? rect.left + (rect.right - rect.left - width) / 2 : rect.right - width;
        }
        LayOutLine(line, left, top, glyphs, out);
        top += lineSkip;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
}

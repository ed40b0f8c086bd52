// Where the glyphs of a piece of text go in its rectangle, with made-up glyph metrics.
#include "framework/gl/TextLayout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string_view>
#include <vector>

namespace {

// Every glyph 6 pixels of advance and 5 x 10 of picture, placed in the atlas at its character's
// number; a space has no picture, "j" reaches 1 pixel back, U+FFFD is 4 wide and advances 5.
// "AV" kerns by -2; lines are 12 apart.
class MadeUpFace final : public GlyphSource {
public:
    const GlyphMetrics& Find(char32_t c) override
    {
        auto found = glyphs_.find(c);
        if (found != glyphs_.end())
            return found->second;
        GlyphMetrics g;
        g.Width = c == U' ' ? 0 : c == 0xFFFD ? 4 : 5;
        g.Height = 10;
        g.Advance = c == 0xFFFD ? 5 : 6;
        g.Left = c == U'j' ? -1 : 0;
        g.X = static_cast<int>(c);
        g.Y = 1;
        return glyphs_.emplace(c, g).first->second;
    }
    int Kerning(char32_t previous, char32_t c) const override { return previous == U'A' && c == U'V' ? -2 : 0; }
    int LineSkip() const override { return 12; }

private:
    std::map<char32_t, GlyphMetrics> glyphs_;
};

struct Spot {
    int X;
    int Y;
    int AtlasX;
    bool operator==(const Spot&) const = default;
};

void PrintTo(const Spot& s, std::ostream* os) { *os << "(" << s.X << ", " << s.Y << " atlas " << s.AtlasX << ")"; }

std::vector<Spot> Lay(std::string_view text, RECT rect, DWORD format)
{
    MadeUpFace face;
    std::vector<PlacedGlyph> placed(3); // what was there before is dropped
    LayOutText(text, rect, format, face, placed);
    std::vector<Spot> spots;
    for (const PlacedGlyph& g : placed) {
        EXPECT_EQ(g.Width, g.AtlasX == 0xFFFD ? 4 : 5);
        EXPECT_EQ(g.Height, 10);
        EXPECT_EQ(g.AtlasY, 1);
        spots.push_back({g.X, g.Y, g.AtlasX});
    }
    return spots;
}

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr RECT Box{10, 20, 110, 100};

TEST(TextLayout, APenMovesByAdvanceAndKerningAndSpacesLeaveNoGlyph)
{
    EXPECT_THAT(Lay("AB", Box, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{16, 20, 'B'}));
    EXPECT_THAT(Lay("AV", Box, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{14, 20, 'V'}));
    EXPECT_THAT(Lay("A j", Box, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{21, 20, 'j'}));
    EXPECT_THAT(Lay("", Box, 0), IsEmpty());
    EXPECT_THAT(Lay("   ", Box, 0), IsEmpty());
}

TEST(TextLayout, LinesAreCentredOrEndAtTheRightByTheirKernedWidth)
{
    // "AVB" is 6 - 2 + 6 + 6 = 16 wide in a box 100 wide.
    EXPECT_THAT(Lay("AVB", Box, DT_CENTER), ElementsAre(Spot{52, 20, 'A'}, Spot{56, 20, 'V'}, Spot{62, 20, 'B'}));
    EXPECT_THAT(Lay("AVB", Box, DT_RIGHT), ElementsAre(Spot{94, 20, 'A'}, Spot{98, 20, 'V'}, Spot{104, 20, 'B'}));
    // Each line on its own, the carriage return before a line feed not counted.
    EXPECT_THAT(Lay("AB\r\nC", Box, DT_RIGHT), ElementsAre(Spot{98, 20, 'A'}, Spot{104, 20, 'B'}, Spot{104, 32, 'C'}));
}

TEST(TextLayout, LineFeedsBreakLinesUnlessTheTextIsOneLine)
{
    EXPECT_THAT(Lay("A\r\nB\nC", Box, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{10, 32, 'B'}, Spot{10, 44, 'C'}));
    EXPECT_THAT(Lay("A\n\nB", Box, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{10, 44, 'B'}));
    EXPECT_THAT(Lay("A\nB", Box, DT_SINGLELINE), ElementsAre(Spot{10, 20, 'A'}, Spot{16, 20, '\n'}, Spot{22, 20, 'B'}));
}

TEST(TextLayout, NoLineStartsAtOrBelowTheBottomUnlessUnclipped)
{
    // Lines start at 20, 32 and 44.
    EXPECT_THAT(Lay("A\nB\nC", {10, 20, 110, 44}, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{10, 32, 'B'}));
    EXPECT_THAT(Lay("A\nB\nC", {10, 20, 110, 45}, 0), ElementsAre(Spot{10, 20, 'A'}, Spot{10, 32, 'B'}, Spot{10, 44, 'C'}));
    EXPECT_THAT(Lay("A\nB\nC", {10, 20, 110, 44}, DT_NOCLIP),
                ElementsAre(Spot{10, 20, 'A'}, Spot{10, 32, 'B'}, Spot{10, 44, 'C'}));
    EXPECT_THAT(Lay("A", {10, 20, 110, 20}, 0), IsEmpty());
}

TEST(TextLayout, EachRefusedByteStandsForAReplacementCharacter)
{
    // An overlong "A" is two refused bytes; "é" is one character.
    EXPECT_THAT(Lay("\xC1\x81\xC3\xA9", Box, 0), ElementsAre(Spot{10, 20, 0xFFFD}, Spot{15, 20, 0xFFFD}, Spot{20, 20, 0xE9}));
}

} // namespace

// UTF-8 read a character at a time: the well-formed forms, and what is refused a byte at a time
// (text drawing shows that the reading goes on after a refused byte).
#include "framework/Utf8.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace {

// Each form at the edges of its range reads whole as its character; a malformed sequence is
// refused one byte at a time.
TEST(Utf8, WellFormedCharactersReadWholeAndMalformedOnesAreRefusedByteByByte)
{
    const struct {
        std::string_view Bytes;
        std::optional<char32_t> Character; // none: refused
    } cases[] = {
        {"A", U'A'}, {"\x7F", 0x7F}, {"\xC2\x80", 0x80}, {"\xDF\xBF", 0x7FF}, {"\xE0\xA0\x80", 0x800},
        {"\xED\x9F\xBF", 0xD7FF}, {"\xEE\x80\x80", 0xE000}, {"\xF0\x90\x80\x80", 0x10000},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF},
        // Overlong forms, surrogates, beyond U+10FFFF, cut short, stray and impossible bytes.
        {"\xC0\x80", {}}, {"\xC1\xBF", {}}, {"\xE0\x9F\xBF", {}}, {"\xF0\x8F\xBF\xBF", {}}, {"\xED\xA0\x80", {}},
        {"\xED\xBF\xBF", {}}, {"\xF4\x90\x80\x80", {}}, {"\xC3", {}}, {"\xF0\x9F\x98", {}}, {"\xC3" "A", {}},
        {"\x80", {}}, {"\xFF", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Bytes));
        std::size_t at = 0;
        EXPECT_EQ(NextUtf8Character(c.Bytes, at), c.Character);
        EXPECT_EQ(at, c.Character ? c.Bytes.size() : 1u);
    }
}

} // namespace

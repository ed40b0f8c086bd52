// UTF-8 read a character at a time: the well-formed forms, and what is refused a byte at a time
// (text drawing shows that the reading goes on after a refused byte).
#include "framework/Utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

TEST(Utf8, EachFormReadsAsItsCharacterUpToTheEdgesOfItsRange)
{
    const struct {
        std::string_view Bytes;
        char32_t Character;
    } valid[] = {
        {"A", U'A'},
        {"\x7F", 0x7F},
        {"\xC2\x80", 0x80},
        {"\xDF\xBF", 0x7FF},
        {"\xE0\xA0\x80", 0x800},
        {"\xED\x9F\xBF", 0xD7FF},
        {"\xEE\x80\x80", 0xE000},
        {"\xF0\x90\x80\x80", 0x10000},
        {"\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    for (const auto& v : valid) {
        SCOPED_TRACE(static_cast<std::uint32_t>(v.Character));
        std::size_t at = 0;
        EXPECT_EQ(NextUtf8Character(v.Bytes, at), std::optional<char32_t>(v.Character));
        EXPECT_EQ(at, v.Bytes.size());
    }
}

TEST(Utf8, MalformedSequencesAreRefusedOneByteAtATime)
{
    const struct {
        std::string_view Bytes;
        const char* What;
    } refused[] = {
        {"\xC0\x80", "overlong NUL"},
        {"\xC1\xBF", "overlong U+007F"},
        {"\xE0\x9F\xBF", "overlong U+07FF"},
        {"\xF0\x8F\xBF\xBF", "overlong U+FFFF"},
        {"\xED\xA0\x80", "surrogate U+D800"},
        {"\xED\xBF\xBF", "surrogate U+DFFF"},
        {"\xF4\x90\x80\x80", "U+110000"},
        {"\xC3", "two bytes cut to one"},
        {"\xF0\x9F\x98", "four bytes cut to three"},
        {"\xC3" "A", "a lead byte without its continuation"},
        {"\x80", "a stray continuation byte"},
        {"\xFF", "a byte no character starts with"},
    };
    for (const auto& r : refused) {
        std::size_t at = 0;
        EXPECT_EQ(NextUtf8Character(r.Bytes, at), std::nullopt) << r.What;
        EXPECT_EQ(at, 1u) << r.What;
    }
}

} // namespace

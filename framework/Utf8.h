// Reading UTF-8 text one character at a time, strictly: only the shortest form of a character
// is taken, and neither the UTF-16 surrogates (U+D800 to U+DFFF) nor numbers above U+10FFFF
// are characters.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The character that starts at byte at of text (at < text.size()), with at moved past it. A
// byte that does not start a well-formed character (a stray continuation byte, an invalid lead
// byte, a sequence cut short or broken off, an overlong form, a surrogate, a number beyond
// U+10FFFF) gives nothing, with at moved one byte on.
std::optional<char32_t> NextUtf8Character(std::string_view text, std::size_t& at);

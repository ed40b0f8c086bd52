#include "framework/Utf8.h"

std::optional<char32_t> NextUtf8Character(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    ++at;
    if (lead < 0x80)
        return lead;
    std::size_t length = 0;
    char32_t c = 0;
    char32_t smallest = 0; // the least character that needs this many bytes
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return std::nullopt; // a continuation byte, or a lead byte no character starts with
    }
    const std::size_t start = at - 1;
    if (text.size() - start < length)
        return std::nullopt;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[start + k]);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        c = (c << 6) | (next & 0x3Fu);
    }
    if (c < smallest || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return std::nullopt;
    at = start + length;
    return c;
}

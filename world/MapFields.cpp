#include "world/MapFields.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t'; }

// Adds a character to the field's text; a field that grows too long keeps no text at all, so
// memory stays bounded whatever the file holds.
void Keep(MapField& field, int c)
{
    if (field.TooLong)
        return;
    if (field.Text.size() >= MapFieldReader::MaxFieldLength) {
        field.TooLong = true;
        std::string().swap(field.Text);
        return;
    }
    field.Text.push_back(static_cast<char>(c));
}

} // namespace

int MapFieldReader::Get()
{
    const int c = in_.sbumpc();
    if (c != std::char_traits<char>::eof())
        ++column_;
    return c;
}

bool MapFieldReader::AtLineEnd()
{
    const int c = Peek();
    return c == '\r' || c == '\n';
}

// One line end (CR LF, LF or CR), kept in the field's text when one is given.
void MapFieldReader::ConsumeLineEnd(MapField* keepIn)
{
    const int c = Get();
    if (keepIn)
        Keep(*keepIn, c);
    if (c == '\r' && Peek() == '\n') {
        Get();
        if (keepIn)
            Keep(*keepIn, '\n');
    }
    ++line_;
    column_ = 1;
}

// After a field: blanks, then one comma or one line end if there is one.
void MapFieldReader::ConsumeSeparator()
{
    while (IsBlank(Peek()))
        Get();
    if (Peek() == ',')
        Get();
    else if (AtLineEnd())
        ConsumeLineEnd();
}

MapField MapFieldReader::Read(FieldKind kind)
{
    constexpr int End = std::char_traits<char>::eof();
    while (IsBlank(Peek()))
        Get();
    if (Peek() == End)
        throw MapEndOfFile{line_, column_};

    MapField field;
    field.Line = line_;
    field.Column = column_;

    if (Peek() == '"') {
        Get();
        field.Quoted = true;
        for (;;) {
            const int c = Peek();
            if (c == End)
                throw MapFieldError(field.Line, field.Column,
                                    "a quoted text has no closing quote before the end of the file");
            if (c == '"') {
                Get();
                break;
            }
            if (c == '\r' || c == '\n')
                ConsumeLineEnd(&field);
            else
                Keep(field, Get());
        }
        // Anything between the closing quote and the separator is not part of the field.
        while (Peek() != End && Peek() != ',' && !AtLineEnd())
            Get();
        ConsumeSeparator();
        return field;
    }

    for (;;) {
        const int c = Peek();
        if (c == End || c == ',' || c == '\r' || c == '\n')
            break;
        if (kind == FieldKind::Number && IsBlank(c))
            break;
        Keep(field, Get());
    }
    while (!field.Text.empty() && IsBlank(static_cast<unsigned char>(field.Text.back())))
        field.Text.pop_back();
    ConsumeSeparator();
    return field;
}

namespace {

// The value of a plain decimal number (optional sign, digits, optional fraction and exponent),
// or nothing when the text is not one. A number too small for a double reads as 0.
std::optional<double> PlainDecimal(const std::string& text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        std::size_t exponentDigits = 0;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) {
            ++j;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return std::nullopt;
        i = j;
    }
    if (i != text.size())
        return std::nullopt;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (end != text.data() + text.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range)
        return 0.0;
    return value;
}

bool LooksLikeNonFinite(const std::string& text)
{
    std::string lower;
    for (char c : text)
        lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (!lower.empty() && (lower[0] == '+' || lower[0] == '-'))
        lower.erase(lower.begin());
    return lower == "nan" || lower == "inf" || lower == "infinity" || lower.rfind("nan(", 0) == 0;
}

// Whether the text is a plain decimal number too large for a double (1e999).
bool OverflowsDouble(const std::string& text)
{
    const char* first = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (error != std::errc::result_out_of_range || end != text.data() + text.size())
        return false;
    // Out of range is either overflow or underflow: underflow has a negative exponent.
    const std::size_t e = text.find_first_of("eE");
    return e == std::string::npos || text.find('-', e) == std::string::npos;
}

// The field's value in double precision, 0 for text that is not a number; raises for numbers
// that cannot be read.
double NumberValue(const MapField& field, NumberNote* note)
{
    const std::string& text = field.Text;
    if (LooksLikeNonFinite(text))
        throw MapFieldError(field.Line, field.Column, "\"" + text + "\" is not a finite number");
    if (OverflowsDouble(text))
        throw MapFieldError(field.Line, field.Column, "the number " + text + " is too large");
    const std::optional<double> value = PlainDecimal(text);
    if (note)
        *note = value ? NumberNote::None : NumberNote::NotANumber;
    return value.value_or(0.0);
}

template <typename Integer>
Integer MapInteger(const MapField& field, NumberNote* note)
{
    const double value = NumberValue(field, note);
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<Integer>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Integer>::max()))
        throw MapFieldError(field.Line, field.Column, "the whole number " + field.Text + " is out of range");
    if (note && rounded != value)
        *note = NumberNote::Rounded;
    return static_cast<Integer>(rounded);
}

} // namespace

float MapNumber(const MapField& field, NumberNote* note)
{
    const double value = NumberValue(field, note);
    if (value == 0.0 && !std::signbit(value))
        return 0.0f;
    // Decimal straight to single precision: one correct rounding, not two.
    const std::string& text = field.Text;
    float single = 0;
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(first, text.data() + text.size(), single);
    if (result.ec == std::errc::result_out_of_range) {
        if (std::fabs(value) > 1.0)
            throw MapFieldError(field.Line, field.Column, "the number " + text + " is too large for a 32-bit float");
        return static_cast<float>(value); // a very small number: zero or subnormal
    }
    return single;
}

std::int32_t MapInteger32(const MapField& field, NumberNote* note) { return MapInteger<std::int32_t>(field, note); }

std::int16_t MapInteger16(const MapField& field, NumberNote* note) { return MapInteger<std::int16_t>(field, note); }

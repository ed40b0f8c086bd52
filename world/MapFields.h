// The map file's field syntax. The file is a stream of fields, not of lines: fields are
// separated by a comma or a line end (CR LF, LF or CR), blanks before a field are skipped, a
// number field also ends at a blank, and a text field that begins with a double quote runs to
// the next double quote, across line ends.
#pragma once

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>

// A field that cannot be read: the reading of the map ends there.
class MapFieldError : public std::runtime_error {
public:
    MapFieldError(int line, int column, const std::string& what)
        : std::runtime_error(what), Line(line), Column(column)
    {
    }
    int Line;
    int Column;
};

// Reading went past the end of the file.
struct MapEndOfFile {
    int Line;
    int Column;
};

enum class FieldKind { Text, Number };

struct MapField {
    std::string Text; // empty when the field is too long to keep
    int Line = 1;     // where the field begins, both counted from 1
    int Column = 1;
    bool Quoted = false;
    bool TooLong = false; // longer than MapFieldReader::MaxFieldLength: skipped, its text not kept
};

class MapFieldReader {
public:
    explicit MapFieldReader(std::istream& in) : in_(*in.rdbuf()) {}

    // Reads the next field; throws MapEndOfFile when none is left, MapFieldError for a quoted
    // text that the end of the file cuts off.
    MapField Read(FieldKind kind);

    static constexpr std::size_t MaxFieldLength = 65536;

private:
    int Peek() { return in_.sgetc(); }
    int Get();
    bool AtLineEnd();
    void ConsumeLineEnd(MapField* keepIn = nullptr);
    void ConsumeSeparator();

    std::streambuf& in_;
    int line_ = 1;
    int column_ = 1;
};

// What converting a number field noticed.
enum class NumberNote {
    None,
    NotANumber, // the text is not a number: it reads as 0
    Rounded,    // a whole-number field with a fraction: it reads as the nearest whole number
};

// A number field's value as a 32-bit float. Text that is not a plain decimal number reads as 0;
// a number that is not finite or overflows a 32-bit float ("nan", "inf", "1e999") cannot be
// read and raises MapFieldError.
float MapNumber(const MapField& field, NumberNote* note = nullptr);

// A whole-number field: the number rounded to the nearest whole number (halves to even); one
// outside the range of the type cannot be read.
std::int32_t MapInteger32(const MapField& field, NumberNote* note = nullptr);
std::int16_t MapInteger16(const MapField& field, NumberNote* note = nullptr);

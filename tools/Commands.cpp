#include "tools/Commands.h"

#include <iostream>
#include <sstream>

namespace Commands {

bool ReadSize(const std::string& text, std::int32_t& width, std::int32_t& height)
{
    char x = 0;
    std::istringstream parts(text);
    if (!(parts >> width >> x >> height) || (x != 'x' && x != 'X') || !parts.eof() || width < 1 || height < 1 ||
        width > 8192 || height > 8192) {
        std::cerr << "dunmere-tool: --size takes WxH, for example 640x480\n";
        return false;
    }
    return true;
}

} // namespace Commands

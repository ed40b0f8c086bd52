#include "launcher/Settings.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <string_view>
#include <unistd.h>

namespace {

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

// Reads one whole number: blanks and line ends before it, an optional minus sign and digits.
// Unless it is the last field, a blank, a comma or a line end must follow it; blanks and one
// comma after it are taken too.
bool ReadField(std::istream& in, std::int32_t& value, bool last)
{
    while (IsBlank(in.peek()) || IsLineEnd(in.peek()))
        in.get();
    std::string text;
    if (in.peek() == '-')
        text += static_cast<char>(in.get());
    while (in.peek() >= '0' && in.peek() <= '9') {
        if (text.size() > 11)
            return false; // more digits than any 32-bit number has
        text += static_cast<char>(in.get());
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    if (last)
        return true;
    const int next = in.peek();
    if (!IsBlank(next) && !IsLineEnd(next) && next != ',')
        return false;
    while (IsBlank(in.peek()))
        in.get();
    if (in.peek() == ',')
        in.get();
    return true;
}

bool WriteAll(int file, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(file, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

} // namespace

std::optional<Settings> ReadSettingsFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    Settings read;
    if (!ReadField(in, read.Width, false) || !ReadField(in, read.Height, false) ||
        !ReadField(in, read.Depth, false) || !ReadField(in, read.Windowed, true))
        return std::nullopt;
    return read;
}

bool WriteSettingsFile(const std::string& path, const Settings& settings)
{
    const std::string line = std::to_string(settings.Width) + "," + std::to_string(settings.Height) + "," +
                             std::to_string(settings.Depth) + "," + std::to_string(settings.Windowed) + "\r\n";
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file < 0)
        return false;
    // The line must be on the disk before the name points at it.
    bool written = WriteAll(file, line) && ::fsync(file) == 0;
    written = ::close(file) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

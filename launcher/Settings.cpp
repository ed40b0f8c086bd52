#include "launcher/Settings.h"

#include "framework/FilePaths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The four numbers of any settings file stand in its first few dozen bytes; reading stops after
// this many, so a huge or endless file (a device, a file of blank lines) is never read whole.
constexpr std::size_t ReadLimit = 64 * 1024;

void SkipWhile(std::string_view& in, bool (*skipped)(char))
{
    while (!in.empty() && skipped(in.front()))
        in.remove_prefix(1);
}

// Reads one whole number from the front of in: blanks and line ends before it, an optional minus
// sign and digits. Unless it is the last field, a blank, a comma or a line end must follow it;
// blanks and one comma after it are taken too.
bool ReadField(std::string_view& in, std::int32_t& value, bool last)
{
    SkipWhile(in, [](char c) { return IsBlank(c) || IsLineEnd(c); });
    std::size_t length = in.starts_with('-') ? 1 : 0;
    while (length < in.size() && in[length] >= '0' && in[length] <= '9')
        ++length;
    // Refuses a lone sign, no digits and a number beyond 32 bits.
    const auto [end, error] = std::from_chars(in.data(), in.data() + length, value);
    if (error != std::errc() || end != in.data() + length)
        return false;
    in.remove_prefix(length);
    if (last)
        return true;
    if (in.empty() || !(IsBlank(in.front()) || IsLineEnd(in.front()) || in.front() == ','))
        return false;
    SkipWhile(in, IsBlank);
    if (in.starts_with(','))
        in.remove_prefix(1);
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

// Writes text to the open file, then to the disk, and closes it; false when any of it failed.
bool WriteAndClose(int file, std::string_view text)
{
    const bool written = WriteAll(file, text) && ::fsync(file) == 0;
    return ::close(file) == 0 && written;
}

} // namespace

std::optional<Settings> ReadSettingsFile(const std::string& path)
{
    std::optional<std::string> text = ReadFileStart(path, ReadLimit);
    if (!text)
        return std::nullopt;
    const bool cut = text->size() > ReadLimit;
    text->resize(std::min(text->size(), ReadLimit));

    std::string_view in = *text;
    Settings read;
    if (!ReadField(in, read.Width, false) || !ReadField(in, read.Height, false) ||
        !ReadField(in, read.Depth, false) || !ReadField(in, read.Windowed, true))
        return std::nullopt;
    // The last number ran up to where reading stopped: it may go on beyond.
    if (cut && in.empty())
        return std::nullopt;
    return read;
}

bool WriteSettingsFile(const std::string& path, const Settings& settings)
{
    const std::string line = std::to_string(settings.Width) + "," + std::to_string(settings.Height) + "," +
                             std::to_string(settings.Depth) + "," + std::to_string(settings.Windowed) + "\r\n";
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file < 0) {
        // A folder that this user may not add files to may still hold a settings file of the
        // user's own (a shared installation): that one is rewritten in place. Any other failure
        // (a full disk) leaves the file alone.
        if (errno != EACCES && errno != EPERM)
            return false;
        const int existing = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
        return existing >= 0 && WriteAndClose(existing, line);
    }
    // The line must be on the disk before the name points at it.
    if (WriteAndClose(file, line) && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

#include "launcher/Settings.h"

#include "framework/FilePaths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string_view>
#include <sys/stat.h>
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

// The file that path names: symbolic links followed, a relative one from the folder of the link.
// A link to nothing gives the name it points to (the save creates that file); a loop, or more
// links than the system itself follows, gives the last name reached.
std::string FollowLinks(std::string path)
{
    for (int hop = 0; hop < 40; ++hop) {
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length < 0 || static_cast<std::size_t>(length) >= target.size())
            break;
        target.resize(static_cast<std::size_t>(length));
        const std::size_t slash = path.rfind('/');
        if (!target.starts_with('/') && slash != std::string::npos)
            target = path.substr(0, slash + 1) + target;
        path = std::move(target);
    }
    return path;
}

// Removes the temporary files that saves of processes no longer running left beside target
// (named as WriteSettingsFile names them: target.<pid>.tmp), killed between writing the
// temporary file and renaming it. Those of running processes may be a save under way.
void RemoveLeftovers(const std::string& target)
{
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string prefix = target.substr(slash == std::string::npos ? 0 : slash + 1) + ".";
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr)
        return;
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || !name.ends_with(".tmp"))
            continue;
        const std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        pid_t pid = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
        if (error != std::errc() || end != digits.data() + digits.size() || pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
    }
    ::closedir(entries);
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
    // A link is followed: the file it names is the one replaced, and the link stays.
    const std::string target = FollowLinks(path);
    const std::string temporary = target + "." + std::to_string(::getpid()) + ".tmp";
    RemoveLeftovers(target);

    struct stat old{};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    // A file the user may not write is not replaced, as an open for writing would fail. Root may
    // open any file for writing, so a file without its owner's write bit (chmod a-w) counts as
    // read-only for everyone.
    if (exists && (!(old.st_mode & S_IWUSR) || ::access(target.c_str(), W_OK) != 0))
        return false;

    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file < 0) {
        // A folder that this user may not add files to may still hold a settings file of the
        // user's own (a shared installation): that one is rewritten in place. Any other failure
        // (a full disk) leaves the file alone.
        if (errno != EACCES && errno != EPERM)
            return false;
        const int existing = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
        return existing >= 0 && WriteAndClose(existing, line);
    }
    // The new file takes the old one's permissions and, where the system allows (root), its
    // owner; a new file has 0666 less the umask. A hard link to the old file is broken by the
    // rename (its other names keep the old line): an in-place write would keep it but could
    // leave a damaged file, and the save stays whole or not at all.
    if (exists) {
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int owned = ::fchown(file, old.st_uid, old.st_gid);
        }
        if (::fchmod(file, old.st_mode & 07777) != 0) {
            ::close(file);
            ::unlink(temporary.c_str());
            return false;
        }
    }
    // The line must be on the disk before the name points at it.
    if (WriteAndClose(file, line) && ::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

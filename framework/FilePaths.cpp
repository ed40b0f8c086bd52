#include "framework/FilePaths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string WithSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

std::string JoinPath(const std::string& folder, const std::string& name)
{
    std::string tail = WithSlashes(name);
    while (!tail.empty() && tail.front() == '/')
        tail.erase(tail.begin());
    if (folder.empty())
        return tail;
    std::string head = WithSlashes(folder);
    while (head.size() > 1 && head.back() == '/')
        head.pop_back();
    return head.back() == '/' ? head + tail : head + "/" + tail;
}

std::string ResolveFilePath(const std::string& path)
{
    const std::string wanted = WithSlashes(path);
    std::error_code error;
    if (wanted.empty() || fs::exists(wanted, error))
        return wanted;

    fs::path found = wanted.front() == '/' ? fs::path("/") : fs::path();
    for (const fs::path& part : fs::path(wanted).relative_path()) {
        const std::string name = part.string();
        if (name.empty())
            continue;
        fs::path exact = found.empty() ? fs::path(name) : found / name;
        if (name == "." || name == ".." || fs::exists(exact, error)) {
            found = exact;
            continue;
        }
        const fs::path folder = found.empty() ? fs::path(".") : found;
        bool matched = false;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            const std::string candidate = it->path().filename().string();
            if (SameIgnoringCase(candidate, name)) {
                found = found.empty() ? fs::path(candidate) : found / candidate;
                matched = true;
                break;
            }
        }
        if (!matched)
            return wanted;
    }
    return found.string();
}

std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit)
{
    // Without O_NONBLOCK a pipe in the file's place would keep the open waiting for a writer.
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file < 0)
        return std::nullopt;
    struct stat status{};
    std::string text(limit + 1, '\0');
    std::size_t got = 0;
    bool readable = ::fstat(file, &status) == 0 && S_ISREG(status.st_mode);
    while (readable && got < text.size()) {
        const ssize_t n = ::read(file, text.data() + got, text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        readable = n >= 0;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(file);
    if (!readable)
        return std::nullopt;
    text.resize(got);
    return text;
}

#include "framework/WriteFolders.h"

#include "framework/FilePaths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DirectX_Framework {

FolderFacts SystemFolderFacts()
{
    return {[](const char* name) {
                const char* value = std::getenv(name);
                return std::string(value != nullptr ? value : "");
            },
            [](const std::string& path) {
                struct stat status{};
                if (::stat(path.c_str(), &status) != 0)
                    return false;
                if (S_ISDIR(status.st_mode))
                    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
                return (status.st_mode & S_IWUSR) != 0 && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
            }};
}

WriteFolders ChooseWriteFolders(const std::string& programFolder, const FolderFacts& facts)
{
    WriteFolders folders;
    if (facts.MayWrite(programFolder))
        return folders;
    const std::string home = facts.Environment("HOME");
    // A base folder from its variable when that holds an absolute path, else the default under
    // the home folder; empty when there is neither.
    const auto base = [&](const char* variable, const char* underHome) -> std::string {
        const std::string value = facts.Environment(variable);
        if (value.starts_with('/'))
            return value;
        return home.starts_with('/') ? JoinPath(home, underHome) : std::string();
    };
    const std::string config = base("XDG_CONFIG_HOME", ".config");
    const std::string state = base("XDG_STATE_HOME", ".local/state");
    const std::string data = base("XDG_DATA_HOME", ".local/share");
    if (!config.empty() && !facts.MayWrite(JoinPath(programFolder, "CONFIG.CFG")))
        folders.Settings = JoinPath(config, "dunmere");
    if (!state.empty())
        folders.Log = JoinPath(state, "dunmere");
    if (!data.empty())
        folders.Screenshots = JoinPath(data, "dunmere/screenshots");
    return folders;
}

std::string WriteFoldersLine()
{
    if (WritePlaces.Settings.empty() && WritePlaces.Log.empty() && WritePlaces.Screenshots.empty())
        return {};
    const auto where = [](const std::string& folder) { return folder.empty() ? "the program's folder" : folder; };
    return "The program's folder takes no files: settings in " + where(WritePlaces.Settings) + ", log in " +
           where(WritePlaces.Log) + ", screenshots in " + where(WritePlaces.Screenshots);
}

bool CreateUserFolder(const std::string& folder)
{
    if (folder.empty())
        return true;
    for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat status{};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace DirectX_Framework

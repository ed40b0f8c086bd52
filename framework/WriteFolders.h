// Where a run writes its settings file, its log and its screenshots. The game keeps them in its
// own folder; an installed copy's folder takes no files, so there they go to the user's folders
// of the XDG base directory rules instead, and the player keeps them.
#pragma once

#include "framework/DirectX_Framework.h"

#include <functional>
#include <string>

namespace DirectX_Framework {

// What the choice asks of the system; tests answer for it.
struct FolderFacts {
    // The value of an environment variable; empty when it is not set.
    std::function<std::string(const char* name)> Environment;
    // Whether this user may add files to the folder at path, or write the file at path (a file
    // whose owner has no write permission counts as read-only for everyone, root included).
    std::function<bool(const std::string& path)> MayWrite;
};
FolderFacts SystemFolderFacts();

// The folders for a run of the program in programFolder. When it accepts files all three stay
// empty (the program's folder), as do the settings when a CONFIG.CFG there may be written (a
// shared copy holding a file of the user's own). Otherwise the settings go to
// $XDG_CONFIG_HOME/dunmere, the log to $XDG_STATE_HOME/dunmere and the screenshots to
// $XDG_DATA_HOME/dunmere/screenshots, those variables falling back to ~/.config, ~/.local/state
// and ~/.local/share; one that holds no absolute path counts as unset. With no home either,
// everything stays in the program's folder (its writes then fail as they always did).
WriteFolders ChooseWriteFolders(const std::string& programFolder, const FolderFacts& facts = SystemFolderFacts());

// The log line that says where this run's files go (WritePlaces); empty when they all stay in the
// program's folder.
std::string WriteFoldersLine();

// Creates one of the user's folders when it is first needed, with the folders above it that are
// missing, each for this user only (mode 0700, as the XDG rules ask). An empty folder (the
// program's own) is left as it is. False when the folder is not there afterwards.
bool CreateUserFolder(const std::string& folder);

} // namespace DirectX_Framework

// File names as maps and models write them: "\" or "/" between folders, and letter case that
// may differ from the file on disk (maps are often written on case-insensitive systems).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Joins the program folder and a name written with either separator ("\Textures\" + "brick.png").
std::string JoinPath(const std::string& folder, const std::string& name);

// The path of an existing file or folder for path: looked up exactly first, then one component
// at a time ignoring ASCII letter case. When nothing matches, the path with "/" separators.
std::string ResolveFilePath(const std::string& path);

// The first limit + 1 bytes of the file at path, or all of it when it is shorter (so a longer
// file shows as one of more than limit bytes); empty when it cannot be opened or read, or is not
// a plain file (a folder, a pipe or a device).
std::optional<std::string> ReadFileStart(const std::string& path, std::size_t limit);

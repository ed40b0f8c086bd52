// The display choice the launcher keeps between runs, and its text file: one line of four
// decimal integers "Width,Height,Depth,Windowed" ended by CR LF.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct Settings {
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 16;   // colour depth in bits, 16 or 32
    std::int32_t Windowed = 0; // the "Fake Fullscreen" check box: 0 unchecked, 1 checked, 2 greyed
};

// The four numbers of the file at path, in field order. They may stand on one line separated by
// commas or on separate lines; anything after the fourth is ignored. Empty when the file cannot
// be read or holds fewer than four whole numbers within 32 bits in its first 64 KiB.
std::optional<Settings> ReadSettingsFile(const std::string& path);

// Writes the settings line to a temporary file beside path and renames it over path, so the
// file is replaced whole or not at all; in a folder that takes no new file, an existing file
// that may be written is rewritten in place. A link at path is followed and the file it names
// replaced; the file keeps its permissions. A file whose owner has no write permission, or that
// this user may not write, is left alone. Temporary files that earlier saves of processes no
// longer running left behind are removed. False when the line could not be written; the earlier
// file is then left as it was, unless the in-place write failed halfway.
bool WriteSettingsFile(const std::string& path, const Settings& settings);

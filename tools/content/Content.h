// Everything the generator makes, as files relative to the assets folder: the map built from
// the level description, the world textures it names, the entity model's texture and the
// launcher's pictures.
#pragma once

#include "tools/content/MapBuilder.h"

#include <filesystem>
#include <string>
#include <vector>

namespace Content {

// The level description, relative to the assets folder.
inline constexpr const char* LevelSource = "source/e1m1-double.level";

struct GeneratedFile {
    std::string Path; // relative to the assets folder, "/" between folders
    std::string Bytes;
};

struct GeneratedContent {
    std::vector<GeneratedFile> Files;
    MapFigures Figures;
};

// Reads the level description from assetsFolder and makes every generated file. Throws
// LevelError for a faulty level and std::runtime_error when the description cannot be read.
GeneratedContent GenerateContent(const std::filesystem::path& assetsFolder);

} // namespace Content

#include "tools/content/Content.h"

#include "tools/content/Textures.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace Content {

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

GeneratedContent GenerateContent(const std::filesystem::path& assetsFolder)
{
    const std::filesystem::path source = assetsFolder / LevelSource;
    const LevelDescription level = ParseLevel(ReadText(source), LevelSource);
    for (const TextureDefinition& texture : level.Textures)
        if (!CanPaintWorldTexture(texture.FileName))
            throw LevelError(std::string(LevelSource) + ": the generator cannot draw the texture \"" + texture.FileName + "\"");

    GeneratedContent content;
    const MapData map = BuildMap(level);
    content.Figures = Measure(map);
    content.Files.push_back({level.MapFile, WriteMap(map)});
    for (const TextureDefinition& texture : level.Textures)
        content.Files.push_back({"Textures/" + texture.FileName, EncodePng(PaintWorldTexture(texture.FileName))});
    content.Files.push_back({"models/entitycube.png", EncodePng(PaintEntityCubeTexture())});
    content.Files.push_back({"launcher/icon.png", EncodePng(PaintIcon(32))});
    for (const int side : IconSizes())
        if (side != 32)
            content.Files.push_back({"icons/" + std::to_string(side) + ".png", EncodePng(PaintIcon(side))});
    content.Files.push_back({"launcher/banner.png", EncodePng(PaintBanner())});
    return content;
}

} // namespace Content

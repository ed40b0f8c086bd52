// dunmere-content: rebuilds the demo's generated content in the assets folder: the map from its
// level description, the textures, the entity model's texture and the launcher's pictures.
//
//   dunmere-content ASSETS_FOLDER           writes the files
//   dunmere-content --check ASSETS_FOLDER   writes nothing; fails when a file differs
#include "tools/content/Content.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    return static_cast<bool>(file);
}

void PrintFigures(const Content::MapFigures& figures)
{
    using namespace Content;
    std::cout << "map: " << figures.Walls << " walls (at most " << MaximumWalls << "), " << figures.Floors << " floors (at most "
              << MaximumFloors << "), " << figures.Textures << " textures\n"
              << "     " << figures.MostWallsOfOneTexture << " walls of one texture at most (limit "
              << MaximumWallsOfOneTexture << "), " << figures.LongestFloorRun << " floors of one texture in a row at most (limit "
              << MaximumFloorRun << ")\n"
              << "     batches closed while reading: " << figures.WallBatchClosings << " for walls, "
              << figures.FloorBatchClosings << " for floors (limit " << MaximumBatchClosings << " each)\n";
}

} // namespace

int main(int argc, char** argv)
{
    bool check = false;
    std::filesystem::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--check") {
            check = true;
        } else if (!argument.empty() && argument[0] != '-' && folder.empty()) {
            folder = argument;
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty()) {
        std::cerr << "usage: dunmere-content [--check] ASSETS_FOLDER\n"
                     "Builds the map from ASSETS_FOLDER/"
                  << Content::LevelSource
                  << " and draws the textures and pictures into ASSETS_FOLDER.\n"
                     "--check writes nothing and fails when a file differs from what would be written.\n";
        return 2;
    }

    try {
        const Content::GeneratedContent content = Content::GenerateContent(folder);
        int differing = 0;
        for (const Content::GeneratedFile& file : content.Files) {
            const std::filesystem::path path = folder / file.Path;
            const bool same = ReadBytes(path) == file.Bytes;
            if (check) {
                if (!same) {
                    std::cout << "differs: " << file.Path << "\n";
                    ++differing;
                }
            } else if (!same) {
                if (!WriteBytes(path, file.Bytes)) {
                    std::cerr << "dunmere-content: cannot write " << path.string() << "\n";
                    return 1;
                }
                std::cout << "wrote " << file.Path << "\n";
            }
        }
        PrintFigures(content.Figures);
        if (check && differing > 0) {
            std::cout << differing << " file(s) differ from the generator's output\n";
            return 1;
        }
    } catch (const std::exception& error) {
        std::cerr << "dunmere-content: " << error.what() << "\n";
        return 1;
    }
    return 0;
}

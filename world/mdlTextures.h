// The texture table: the world's textures under the numbers 1 to 100.
#pragma once

#include "framework/Device.h"

#include <array>
#include <cstdint>
#include <string>

namespace mdlTextures {

inline constexpr int MaxTextures = 100;

// The table's state at its start-of-program value: entries 1 to 100 (entry 0 is unused).
struct ModuleState {
    // An empty entry draws as no texture.
    std::array<TexturePtr, MaxTextures + 1> Textures;
    // The file name each entry was loaded from, as the map wrote it.
    std::array<std::string, MaxTextures + 1> TextureNames;

    friend bool operator==(const ModuleState&, const ModuleState&) = default;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& Textures = State.Textures;
inline constexpr auto& TextureNames = State.TextureNames;

// Puts the whole table back to its start-of-program state, releasing every texture.
void ResetState();

// Empties every entry, releasing its texture.
void ClearTextures();

// Where the texture file a map names is looked for: the program folder's Textures/fileName.
std::string TexturePath(const std::string& fileName);
// The file on disk that TexturePath names (its letters' case as found there): what is read.
std::string TextureFile(const std::string& fileName);

// Loads the program folder's Textures/fileName into entry number. A number outside 1 to 100
// raises std::out_of_range before anything is loaded; a file that cannot be loaded ends the
// program through the shutdown.
void LoadTexture(std::int16_t number, const std::string& fileName);

// The texture for a surface's texture number: numbers outside 1 to 100 use entry 1.
IDirect3DTexture8* TextureFor(std::int32_t number);

} // namespace mdlTextures

// The texture table: the world's textures under the numbers 1 to 100.
#pragma once

#include "framework/Device.h"

#include <array>
#include <cstdint>
#include <string>

namespace mdlTextures {

inline constexpr int MaxTextures = 100;

// Entries 1 to 100 (entry 0 is unused). An empty entry draws as no texture.
inline std::array<TexturePtr, MaxTextures + 1> Textures;
// The file name each entry was loaded from, as the map wrote it.
inline std::array<std::string, MaxTextures + 1> TextureNames;

// Empties every entry, releasing its texture.
void ClearTextures();

// Where the texture file a map names is looked for: the program folder's Textures/fileName.
std::string TexturePath(const std::string& fileName);

// Loads the program folder's Textures/fileName into entry number. A number outside 1 to 100
// raises std::out_of_range before anything is loaded; a file that cannot be loaded ends the
// program through the shutdown.
void LoadTexture(std::int16_t number, const std::string& fileName);

// The texture for a surface's texture number: numbers outside 1 to 100 use entry 1.
IDirect3DTexture8* TextureFor(std::int32_t number);

} // namespace mdlTextures

// The demo's pictures, drawn procedurally: the world textures that maps name, the entity
// model's texture, and the launcher's icon and banner. Every painter is deterministic, and the
// world textures repeat seamlessly in both directions.
#pragma once

#include "tools/content/Image.h"

#include <string>
#include <vector>

namespace Content {

// The world textures this generator can draw, by file name ("brick.png", ...), in a fixed order.
const std::vector<std::string>& WorldTextureNames();
bool CanPaintWorldTexture(const std::string& fileName);
// Throws std::invalid_argument for a name not in WorldTextureNames().
Image PaintWorldTexture(const std::string& fileName);

// 128 x 128: the entity marker's crate-like texture.
Image PaintEntityCubeTexture();
// The program's icon, side x side: the launcher window's at 32, the desktop's in every size of
// IconSizes() (those the desktop's icon theme holds).
Image PaintIcon(int side);
const std::vector<int>& IconSizes();
// 500 x 64: the launcher window's banner with the demo's title.
Image PaintBanner();

} // namespace Content

// The helper object of the OpenGL back end: textures from image files (SDL2_image), meshes from
// .x files (Assimp), fonts (fontconfig and SDL_ttf) and PNG pictures.
#pragma once

#include "framework/Device.h"

#include <memory>

std::unique_ptr<ID3DX8> MakeGlD3DX();

// Texture and model loading, and drawing a model.
#pragma once

#include "framework/Device.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace DirectX_Framework {

// A mesh with one subset per material, its materials and their textures.
struct Model {
    MeshPtr Mesh;
    std::int32_t MaterialCount = 0;
    std::vector<D3DMATERIAL8> Materials;   // MaterialCount + 1 entries; the last is a zero spare
    std::vector<TexturePtr> ModelTextures; // MaterialCount + 1 entries; empty when none is named
    D3DXMaterialBuffer MaterialBuffer;     // the material list as read from the file
};

// While set, a texture file that cannot be loaded raises a GraphicsError instead of ending the
// program: a world being loaded again beside the one on screen is dropped instead.
inline bool TextureFailureRaises = false;

// While set, a texture file found here (by its resolved path) is not read: the texture made from
// it before is taken. A world loaded again keeps the textures whose files have not changed.
inline const std::map<std::string, TexturePtr>* KeptTextures = nullptr;

// Loads an image file into texture, with a full chain of mip levels. A file that cannot be
// loaded is fatal: the log line "Error loading texture - Quitting." and the shutdown (unless
// TextureFailureRaises).
void LoadTextureFile(TexturePtr& texture, const std::string& path);

// Loads the .x mesh folder/file with its materials and the textures they name (relative to the
// model's folder). A mesh that cannot be loaded raises a GraphicsError to the caller.
void LoadModel(Model& model, const std::string& folder, const std::string& file);

// Draws the model turned about x, y, z (radians; zero angles are skipped) and then moved by
// (x, y, z) (skipped when all three are zero).
void DrawModel(const Model& model, float x, float y, float z, float angle1, float angle2, float angle3);

} // namespace DirectX_Framework

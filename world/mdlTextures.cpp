#include "world/mdlTextures.h"

#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "framework/Platform.h"

namespace mdlTextures {

void ResetState() { State = ModuleState{}; }

void ClearTextures()
{
    for (int i = 1; i <= MaxTextures; ++i) {
        Textures[static_cast<std::size_t>(i)].reset();
        TextureNames[static_cast<std::size_t>(i)].clear();
    }
}

std::string TexturePath(const std::string& fileName)
{
    return JoinPath(ThePlatform().AppPath(), "\\Textures\\" + fileName);
}

std::string TextureFile(const std::string& fileName) { return ResolveFilePath(TexturePath(fileName)); }

void LoadTexture(std::int16_t number, const std::string& fileName)
{
    const std::string path = TexturePath(fileName);
    if (number < 1 || number > MaxTextures)
        throw std::out_of_range("texture number " + std::to_string(number) + " is outside 1 to 100");
    const auto slot = static_cast<std::size_t>(number);
    DirectX_Framework::LoadTextureFile(Textures[slot], path);
    TextureNames[slot] = fileName;
}

IDirect3DTexture8* TextureFor(std::int32_t number)
{
    if (number < 1 || number > MaxTextures)
        number = 1;
    return Textures[static_cast<std::size_t>(number)].get();
}

} // namespace mdlTextures

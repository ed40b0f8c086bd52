#include "framework/Loading.h"

#include "framework/D3DXMath.h"
#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"

#include <cstdio>

namespace DirectX_Framework {

namespace {

IDirect3DDevice8& DeviceFor(const char* operation)
{
    if (!D3DDevice || !D3DX)
        throw GraphicsError(D3DERR_INVALIDCALL, std::string(operation) + " (no device)");
    return *D3DDevice;
}

} // namespace

void LoadTextureFile(TexturePtr& texture, const std::string& path)
{
    LogLine("Loading texture from file " + path);
    HRESULT hr = D3DERR_INVALIDCALL;
    if (D3DDevice && D3DX) {
        const std::string file = ResolveFilePath(path);
        if (KeptTextures) {
            const auto kept = KeptTextures->find(file);
            if (kept != KeptTextures->end()) {
                texture = kept->second;
                return;
            }
        }
        TexturePtr loaded;
        hr = D3DX->CreateTextureFromFile(*D3DDevice, file, loaded);
        if (Succeeded(hr) && loaded) {
            texture = std::move(loaded);
            return;
        }
    }
    if (TextureFailureRaises)
        throw GraphicsError(Failed(hr) ? hr : E_FAIL, "cannot load the texture " + path);
    // The log names the file on the line before; standard error tells a user at a terminal.
    std::fprintf(stderr, "%s: cannot load the texture %s (%s)\n", ApplicationTitle, path.c_str(),
                 ResultCodeText(Failed(hr) ? hr : E_FAIL).c_str());
    LogLine("Error loading texture - Quitting.");
    ExitCode = 1;
    DestroyDirectX();
}

void LoadModel(Model& model, const std::string& folder, const std::string& file)
{
    LogLine("Loading model '" + file + "' from location '" + folder + "'");
    IDirect3DDevice8& device = DeviceFor("LoadMeshFromX");

    MeshPtr mesh;
    D3DXMaterialBuffer buffer;
    DWORD count = 0;
    ThrowIfFailed(D3DX->LoadMeshFromX(ResolveFilePath(JoinPath(folder, file)), D3DXMESH_MANAGED, device, mesh, buffer,
                                      count),
                  ("loading the model " + JoinPath(folder, file)).c_str());
    model.Mesh = std::move(mesh);
    model.MaterialBuffer = std::move(buffer);
    model.MaterialCount = static_cast<std::int32_t>(count);
    model.Materials.assign(count + 1, D3DMATERIAL8{});
    model.ModelTextures.assign(count + 1, nullptr);

    // A failure before the first material's texture name is the caller's; from there on it
    // only skips to the next material.
    bool skipping = false;
    for (DWORD i = 0; i < count; ++i) {
        try {
            D3DMATERIAL8 material{};
            ThrowIfFailed(D3DX->BufferGetMaterial(model.MaterialBuffer, i, material), "reading a model material");
            material.Ambient = material.Diffuse;
            model.Materials[i] = material;

            skipping = true;
            std::string name;
            ThrowIfFailed(D3DX->BufferGetTextureName(model.MaterialBuffer, i, name), "reading a texture name");
            if (!name.empty())
                LoadTextureFile(model.ModelTextures[i], JoinPath(folder, name));
        } catch (const GraphicsError&) {
            if (!skipping)
                throw;
        }
    }
}

void DrawModel(const Model& model, float x, float y, float z, float angle1, float angle2, float angle3)
{
    IDirect3DDevice8& device = DeviceFor("DrawModel");
    D3DXMatrixIdentity(&WorldMatrix);
    D3DMATRIX step;
    if (angle1 != 0) {
        D3DXMatrixRotationX(&step, angle1);
        D3DXMatrixMultiply(&WorldMatrix, &WorldMatrix, &step);
    }
    if (angle2 != 0) {
        D3DXMatrixRotationY(&step, angle2);
        D3DXMatrixMultiply(&WorldMatrix, &WorldMatrix, &step);
    }
    if (angle3 != 0) {
        D3DXMatrixRotationZ(&step, angle3);
        D3DXMatrixMultiply(&WorldMatrix, &WorldMatrix, &step);
    }
    if (x != 0 || y != 0 || z != 0) {
        D3DXMatrixTranslation(&step, x, y, z);
        D3DXMatrixMultiply(&WorldMatrix, &WorldMatrix, &step);
    }
    ThrowIfFailed(device.SetTransform(D3DTS_WORLD, WorldMatrix), "SetTransform(D3DTS_WORLD)");
    for (std::int32_t i = 0; i < model.MaterialCount; ++i) {
        const auto index = static_cast<std::size_t>(i);
        ThrowIfFailed(device.SetTexture(0, model.ModelTextures[index].get()), "SetTexture");
        ThrowIfFailed(device.SetMaterial(model.Materials[index]), "SetMaterial");
        ThrowIfFailed(model.Mesh->DrawSubset(static_cast<DWORD>(i)), "DrawSubset");
    }
}

} // namespace DirectX_Framework

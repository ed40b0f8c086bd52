#include "framework/gl/GlD3DX.h"

#include "framework/gl/Fonts.h"
#include "framework/gl/GlDevice.h"
#include "framework/gl/ImageFiles.h"
#include "framework/gl/ImageReadAhead.h"
#include "framework/gl/XMeshFiles.h"

#include <SDL2/SDL_image.h>

#include <cstdio>
#include <map>
#include <memory>
#include <tuple>

namespace {

// Problems with a file go to standard error as well, where a map author sees why.
void Report(const std::string& path, const std::string& why)
{
    std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
}

class GlFont final : public ID3DXFont {
public:
    GlFont(std::shared_ptr<GlDeviceLink> link, std::shared_ptr<TtfFace> face)
        : link_(std::move(link)), face_(std::move(face))
    {
    }
    HRESULT DrawText(const std::string& text, const RECT& rect, DWORD format, D3DCOLOR colour) override
    {
        if (link_->Device == nullptr)
            return D3DERR_INVALIDCALL;
        return link_->Device->DrawText(face_, text, rect, format, colour);
    }

private:
    std::shared_ptr<GlDeviceLink> link_;
    std::shared_ptr<TtfFace> face_;
};

class GlD3DX final : public ID3DX8 {
public:
    HRESULT LoadMeshFromX(const std::string& path, DWORD, IDirect3DDevice8& device, MeshPtr& mesh,
                          D3DXMaterialBuffer& materials, DWORD& materialCount) override
    {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        if (gl == nullptr)
            return D3DERR_INVALIDCALL;
        XMesh loaded;
        std::string error;
        const auto ahead = meshes_.find(path);
        bool read = false;
        if (ahead != meshes_.end()) {
            // Its child process has been parsing since ReadAhead.
            std::unique_ptr<XMeshReading> reading = std::move(ahead->second);
            meshes_.erase(ahead);
            read = FinishXMeshFile(*reading, loaded, error);
        } else {
            read = LoadXMeshFile(path, loaded, error);
        }
        if (!read) {
            Report(path, error);
            return D3DXERR_INVALIDDATA;
        }
        MeshPtr made;
        const HRESULT hr = gl->CreateMesh(loaded.Geometry, made);
        if (Failed(hr))
            return hr;
        mesh = std::move(made);
        materialCount = static_cast<DWORD>(loaded.Materials.size());
        materials.Materials = std::move(loaded.Materials);
        return D3D_OK;
    }

    HRESULT CreateTextureFromFile(IDirect3DDevice8& device, const std::string& path, TexturePtr& out) override
    {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        if (gl == nullptr)
            return D3DERR_INVALIDCALL;
        ImageRGBA image;
        std::string error;
        const bool readAhead = images_ && images_->Take(path, image) && image.Width <= gl->MaxTextureSize() &&
                               image.Height <= gl->MaxTextureSize();
        if (!readAhead && !LoadImageFile(path, gl->MaxTextureSize(), image, error)) {
            Report(path, error);
            return D3DXERR_INVALIDDATA;
        }
        return gl->CreateTexture(image.Pixels.data(), image.Width, image.Height, image.Width * 4, out);
    }

    HRESULT CreateFont(IDirect3DDevice8& device, const std::string& face, int points, FontPtr& out) override
    {
        auto* gl = dynamic_cast<GlDevice*>(&device);
        if (gl == nullptr || points <= 0 || points > 1000)
            return D3DERR_INVALIDCALL;
        std::string error;
        if (!library_) {
            library_ = TtfLibrary::Start(error);
            if (!library_) {
                Report(face, error);
                return D3DERR_NOTAVAILABLE;
            }
        }
        // The face and its files stay open for the life of this object: the read-out asks for
        // the same font on every frame.
        auto file = files_.find(face);
        if (file == files_.end()) {
            FontFile found;
            if (!ResolveFontFile(face, found)) {
                Report(face, "no installed font matches this face");
                return D3DERR_NOTAVAILABLE;
            }
            file = files_.emplace(face, found).first;
        }
        const auto key = std::make_tuple(file->second.Path, file->second.Index, points);
        auto open = faces_.find(key);
        if (open == faces_.end()) {
            std::shared_ptr<TtfFace> opened =
                TtfFace::Open(library_, file->second.Path, file->second.Index, points, error);
            if (!opened) {
                Report(face, error);
                return D3DERR_NOTAVAILABLE;
            }
            open = faces_.emplace(key, std::move(opened)).first;
        }
        out = std::make_unique<GlFont>(gl->Link(), open->second);
        return D3D_OK;
    }

    HRESULT SaveImageToPng(const std::string& path, const ImageARGB& image) override
    {
        if (image.Width == 0 || image.Height == 0 || image.Width > 65535 || image.Height > 65535 ||
            image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height)
            return D3DERR_INVALIDCALL;
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint32_t*>(image.Pixels.data()), static_cast<int>(image.Width),
            static_cast<int>(image.Height), 32, static_cast<int>(image.Width * 4), SDL_PIXELFORMAT_ARGB8888);
        if (surface == nullptr)
            return E_OUTOFMEMORY;
        const int result = IMG_SavePNG(surface, path.c_str());
        SDL_FreeSurface(surface);
        if (result != 0) {
            Report(path, std::string("cannot write the picture (") + IMG_GetError() + ")");
            return E_FAIL;
        }
        return D3D_OK;
    }

    void ReadAhead(const std::vector<std::string>& texturePaths, const std::vector<std::string>& modelPaths) override
    {
        // The models' child processes first, before the decoding thread starts.
        for (const std::string& path : modelPaths) {
            if (meshes_.count(path) != 0)
                continue;
            auto reading = std::make_unique<XMeshReading>();
            std::string error; // LoadMeshFromX reads the file again and reports it
            if (StartXMeshFile(path, *reading, error))
                meshes_.emplace(path, std::move(reading));
        }
        // Then the textures, and the font list the first text needs.
        images_.reset();
        if (texturePaths.empty() && modelPaths.empty())
            return;
        images_ = std::make_unique<ImageReadAhead>(texturePaths, [] { PrepareFontLookup(); });
    }

private:
    std::map<std::string, std::unique_ptr<XMeshReading>> meshes_;
    std::unique_ptr<ImageReadAhead> images_;
    std::shared_ptr<TtfLibrary> library_;
    std::map<std::string, FontFile> files_;
    std::map<std::tuple<std::string, long, int>, std::shared_ptr<TtfFace>> faces_;
};

} // namespace

std::unique_ptr<ID3DX8> MakeGlD3DX() { return std::make_unique<GlD3DX>(); }

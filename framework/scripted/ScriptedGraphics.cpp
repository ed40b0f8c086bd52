#include "framework/scripted/ScriptedGraphics.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

class ScriptedTexture final : public IDirect3DTexture8 {
public:
    explicit ScriptedTexture(std::string label) : label_(std::move(label)) {}
    UINT Width() const override { return 64; }
    UINT Height() const override { return 64; }
    UINT LevelCount() const override { return 7; }
    const std::string& Label() const { return label_; }

private:
    std::string label_;
};

class ScriptedVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    ScriptedVertexBuffer(std::shared_ptr<ScriptedGraphics> graphics, int number, UINT length)
        : graphics_(std::move(graphics)), number_(number), bytes_(length)
    {
        ++graphics_->VertexBuffersAlive;
    }
    ~ScriptedVertexBuffer() override { --graphics_->VertexBuffersAlive; }

    UINT Length() const override { return static_cast<UINT>(bytes_.size()); }
    HRESULT Fill(UINT offset, UINT bytes, DWORD flags, const void* source) override
    {
        graphics_->Calls->push_back("Fill(vb" + std::to_string(number_) + ", " + std::to_string(offset) + ", " +
                                    std::to_string(bytes) + ", " + std::to_string(flags) + ")");
        if (source == nullptr || static_cast<std::size_t>(offset) + bytes > bytes_.size())
            return D3DERR_INVALIDCALL;
        std::memcpy(bytes_.data() + offset, source, bytes);
        return D3D_OK;
    }
    int Number() const { return number_; }
    std::vector<Vertex> Vertices(UINT start, UINT count) const
    {
        std::vector<Vertex> out;
        for (UINT i = start; i < start + count && (i + 1) * sizeof(Vertex) <= bytes_.size(); ++i) {
            Vertex v;
            std::memcpy(&v, bytes_.data() + i * sizeof(Vertex), sizeof v);
            out.push_back(v);
        }
        return out;
    }

private:
    std::shared_ptr<ScriptedGraphics> graphics_;
    int number_;
    std::vector<unsigned char> bytes_;
};

class ScriptedMesh final : public ID3DXMesh {
public:
    ScriptedMesh(std::shared_ptr<ScriptedGraphics> graphics, DWORD subsets)
        : graphics_(std::move(graphics)), subsets_(subsets)
    {
    }
    DWORD NumSubsets() const override { return subsets_; }
    DWORD NumFaces() const override { return 12; }
    HRESULT DrawSubset(DWORD subset) override
    {
        graphics_->Calls->push_back("DrawSubset(" + std::to_string(subset) + ")");
        return subset < subsets_ ? D3D_OK : D3DERR_INVALIDCALL;
    }

private:
    std::shared_ptr<ScriptedGraphics> graphics_;
    DWORD subsets_;
};

class ScriptedFont final : public ID3DXFont {
public:
    ScriptedFont(std::shared_ptr<ScriptedGraphics> graphics, std::string face, int points)
        : graphics_(std::move(graphics)), face_(std::move(face)), points_(points)
    {
    }
    ~ScriptedFont() override { graphics_->Calls->push_back("ReleaseFont(" + face_ + ")"); }
    HRESULT DrawText(const std::string& text, const RECT& rect, DWORD format, D3DCOLOR colour) override
    {
        char colourText[16];
        std::snprintf(colourText, sizeof colourText, "%08X", static_cast<unsigned>(colour));
        const std::string record = text + " @ " + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                                   std::to_string(rect.right) + "," + std::to_string(rect.bottom) + " #" +
                                   colourText;
        graphics_->Calls->push_back("DrawText(" + record + ", " + face_ + " " + std::to_string(points_) + ", " +
                                    std::to_string(format) + ")");
        graphics_->Texts.push_back(record);
        return D3D_OK;
    }

private:
    std::shared_ptr<ScriptedGraphics> graphics_;
    std::string face_;
    int points_;
};

class ScriptedDevice final : public IDirect3DDevice8 {
public:
    explicit ScriptedDevice(std::shared_ptr<ScriptedGraphics> graphics) : g_(std::move(graphics)) {}
    ~ScriptedDevice() override { g_->Calls->push_back("Release Device"); }

    HRESULT Clear(DWORD count, const D3DRECT*, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override
    {
        return Record("Clear", "Clear(" + std::to_string(count) + ", " + std::to_string(flags) + ", " + Hex(colour) +
                                   ", " + Number(z) + ", " + std::to_string(stencil) + ")");
    }
    HRESULT Present() override { return Record("Present", "Present"); }
    HRESULT BeginScene() override { return Record("BeginScene", "BeginScene"); }
    HRESULT EndScene() override { return Record("EndScene", "EndScene"); }
    HRESULT SetTransform(DWORD state, const D3DMATRIX& matrix) override
    {
        g_->Transforms[state] = matrix;
        return Record("SetTransform", "SetTransform(" + std::to_string(state) + ")");
    }
    HRESULT SetRenderState(DWORD state, DWORD value) override
    {
        g_->RenderStates[state] = value;
        return Record("SetRenderState", "SetRenderState(" + std::to_string(state) + ", " + std::to_string(value) + ")");
    }
    HRESULT SetTextureStageState(DWORD stage, DWORD type, DWORD value) override
    {
        if (stage == 0)
            g_->TextureStageStates[type] = value;
        return Record("SetTextureStageState", "SetTextureStageState(" + std::to_string(stage) + ", " +
                                                  std::to_string(type) + ", " + std::to_string(value) + ")");
    }
    HRESULT SetMaterial(const D3DMATERIAL8& material) override
    {
        g_->Material = material;
        return Record("SetMaterial", "SetMaterial");
    }
    HRESULT SetLight(DWORD index, const D3DLIGHT8& light) override
    {
        g_->Lights[index] = light;
        return Record("SetLight", "SetLight(" + std::to_string(index) + ")");
    }
    HRESULT LightEnable(DWORD index, BOOL enable) override
    {
        g_->LightsEnabled[index] = enable != 0;
        return Record("LightEnable", "LightEnable(" + std::to_string(index) + ", " + std::to_string(enable) + ")");
    }
    HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture) override
    {
        const std::string label = texture ? static_cast<ScriptedTexture*>(texture)->Label() : "null";
        if (stage == 0)
            texture_ = texture ? label : std::string();
        return Record("SetTexture", "SetTexture(" + std::to_string(stage) + ", " + label + ")");
    }
    HRESULT SetVertexShader(DWORD handle) override
    {
        g_->VertexShader = handle;
        return Record("SetVertexShader", "SetVertexShader(" + Hex(handle) + ")");
    }
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, DWORD pool, VertexBufferPtr& out) override
    {
        const HRESULT hr = Record("CreateVertexBuffer", "CreateVertexBuffer(" + std::to_string(length) + ", " +
                                                            std::to_string(usage) + ", " + Hex(fvf) + ", " +
                                                            std::to_string(pool) + ")");
        if (Failed(hr))
            return hr;
        if (length == 0)
            return D3DERR_INVALIDCALL;
        out = std::make_shared<ScriptedVertexBuffer>(g_, ++g_->VertexBuffersCreated, length);
        return D3D_OK;
    }
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override
    {
        auto* scripted = static_cast<ScriptedVertexBuffer*>(buffer);
        if (stream == 0)
            stream_ = scripted;
        return Record("SetStreamSource", "SetStreamSource(" + std::to_string(stream) + ", " +
                                             (scripted ? "vb" + std::to_string(scripted->Number()) : "null") +
                                             ", " + std::to_string(stride) + ")");
    }
    HRESULT DrawPrimitive(DWORD type, UINT start, UINT count) override
    {
        const HRESULT hr = Record("DrawPrimitive", "DrawPrimitive(" + std::to_string(type) + ", " +
                                                       std::to_string(start) + ", " + std::to_string(count) + ")");
        if (Failed(hr))
            return hr;
        if (stream_ == nullptr)
            return D3DERR_INVALIDCALL;
        ScriptedDraw draw;
        draw.PrimitiveType = type;
        draw.StartVertex = start;
        draw.PrimitiveCount = count;
        draw.Texture = texture_;
        draw.VertexBuffer = stream_->Number();
        draw.Vertices = stream_->Vertices(start, count * 3);
        const auto fill = g_->RenderStates.find(D3DRS_FILLMODE);
        draw.FillMode = fill == g_->RenderStates.end() ? D3DFILL_SOLID : fill->second;
        g_->Draws.push_back(std::move(draw));
        return D3D_OK;
    }

    HRESULT GetFrontBufferData(ImageARGB& out) override
    {
        const HRESULT hr = Record("GetFrontBufferData", "GetFrontBufferData");
        if (Failed(hr))
            return hr;
        out.Width = g_->CreatedWith.BackBufferWidth;
        out.Height = g_->CreatedWith.BackBufferHeight;
        out.Pixels.assign(static_cast<std::size_t>(out.Width) * out.Height, 0xFF000000u);
        return D3D_OK;
    }

private:
    HRESULT Record(const std::string& name, std::string text)
    {
        g_->Calls->push_back(std::move(text));
        const auto failing = g_->FailingCalls.find(name);
        return failing == g_->FailingCalls.end() ? D3D_OK : failing->second;
    }

    std::shared_ptr<ScriptedGraphics> g_;
    std::string texture_;
    ScriptedVertexBuffer* stream_ = nullptr;
};

class ScriptedDirect3D final : public IDirect3D8 {
public:
    explicit ScriptedDirect3D(std::shared_ptr<ScriptedGraphics> graphics) : g_(std::move(graphics)) {}
    ~ScriptedDirect3D() override { g_->Calls->push_back("Release Direct3D8"); }

    UINT GetAdapterModeCount(UINT adapter) override
    {
        g_->Calls->push_back("GetAdapterModeCount(" + std::to_string(adapter) + ")");
        return static_cast<UINT>(g_->Modes.size());
    }
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE& out) override
    {
        g_->Calls->push_back("EnumAdapterModes(" + std::to_string(adapter) + ", " + std::to_string(mode) + ")");
        const auto failure = g_->ModeReadFailures.find(mode);
        if (failure != g_->ModeReadFailures.end())
            return failure->second;
        if (mode >= g_->Modes.size())
            return D3DERR_INVALIDCALL;
        out = g_->Modes[mode];
        return D3D_OK;
    }
    HRESULT CheckDeviceFormat(UINT adapter, DWORD deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              DWORD resourceType, D3DFORMAT checkFormat) override
    {
        g_->Calls->push_back("CheckDeviceFormat(" + std::to_string(adapter) + ", " + std::to_string(deviceType) +
                             ", " + std::to_string(adapterFormat) + ", " + std::to_string(usage) + ", " +
                             std::to_string(resourceType) + ", " + std::to_string(checkFormat) + ")");
        return g_->DepthFormats.count(checkFormat) != 0 ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    HRESULT GetDeviceCaps(UINT adapter, DWORD deviceType, D3DCAPS8& caps) override
    {
        g_->Calls->push_back("GetDeviceCaps(" + std::to_string(adapter) + ", " + std::to_string(deviceType) + ")");
        const bool hal = deviceType == D3DDEVTYPE_HAL;
        const HRESULT hr = hal ? g_->HalCapsResult : g_->RefCapsResult;
        if (hr == D3D_OK)
            caps = hal ? g_->HalCaps : g_->RefCaps;
        return hr;
    }
    HRESULT CreateDevice(UINT adapter, DWORD deviceType, Window*, DWORD behaviourFlags,
                         D3DPRESENT_PARAMETERS& params, std::unique_ptr<IDirect3DDevice8>& out) override
    {
        g_->Calls->push_back("CreateDevice(" + std::to_string(adapter) + ", " + std::to_string(deviceType) + ", " +
                             Hex(behaviourFlags) + ")");
        if (g_->CreateDeviceResult != D3D_OK)
            return g_->CreateDeviceResult;
        g_->CreatedWith = params;
        g_->CreatedBehaviour = behaviourFlags;
        out = std::make_unique<ScriptedDevice>(g_);
        return D3D_OK;
    }

private:
    std::shared_ptr<ScriptedGraphics> g_;
};

class ScriptedD3DX final : public ID3DX8 {
public:
    explicit ScriptedD3DX(std::shared_ptr<ScriptedGraphics> graphics) : g_(std::move(graphics)) {}
    ~ScriptedD3DX() override { g_->Calls->push_back("Release D3DX"); }

    HRESULT LoadMeshFromX(const std::string& path, DWORD options, IDirect3DDevice8&, MeshPtr& mesh,
                          D3DXMaterialBuffer& materials, DWORD& materialCount) override
    {
        g_->Calls->push_back("LoadMeshFromX(" + ScriptedTextureLabel(path) + ", " + Hex(options) + ")");
        if (!g_->LoadMesh)
            return D3DXERR_INVALIDDATA;
        D3DXMaterialBuffer loaded;
        DWORD count = 0;
        const HRESULT hr = g_->LoadMesh(path, loaded, count);
        if (Failed(hr))
            return hr;
        materials = std::move(loaded);
        materialCount = count;
        mesh = std::make_shared<ScriptedMesh>(g_, count);
        return D3D_OK;
    }
    HRESULT CreateTextureFromFile(IDirect3DDevice8&, const std::string& path, TexturePtr& out) override
    {
        g_->Calls->push_back("CreateTextureFromFile(" + ScriptedTextureLabel(path) + ")");
        std::error_code error;
        if (g_->FailingTextureFiles.count(ScriptedTextureLabel(path)) != 0 ||
            (!g_->TexturesLoadUnread && (!std::filesystem::is_regular_file(path, error) || !std::ifstream(path))))
            return D3DXERR_INVALIDDATA;
        out = std::make_shared<ScriptedTexture>(ScriptedTextureLabel(path));
        return D3D_OK;
    }
    HRESULT CreateFont(IDirect3DDevice8&, const std::string& face, int points, FontPtr& out) override
    {
        g_->Calls->push_back("CreateFont(" + face + ", " + std::to_string(points) + ")");
        const auto failing = g_->FailingCalls.find("CreateFont");
        if (failing != g_->FailingCalls.end())
            return failing->second;
        out = std::make_unique<ScriptedFont>(g_, face, points);
        return D3D_OK;
    }

    HRESULT SaveImageToPng(const std::string& path, const ImageARGB& image) override
    {
        g_->Calls->push_back("SaveImageToPng(" + ScriptedTextureLabel(path) + ", " + std::to_string(image.Width) + "x" +
                             std::to_string(image.Height) + ")");
        const auto failing = g_->FailingCalls.find("SaveImageToPng");
        if (failing != g_->FailingCalls.end())
            return failing->second;
        std::ofstream file(path, std::ios::binary);
        file << "scripted image " << image.Width << "x" << image.Height << "\n";
        return file ? D3D_OK : E_FAIL;
    }

private:
    std::shared_ptr<ScriptedGraphics> g_;
};

class ScriptedDirectX final : public IDirectX8 {
public:
    explicit ScriptedDirectX(std::shared_ptr<ScriptedGraphics> graphics) : g_(std::move(graphics)) {}
    ~ScriptedDirectX() override { g_->Calls->push_back("Release DirectX8"); }

    std::unique_ptr<IDirect3D8> Direct3DCreate8() override
    {
        if (g_->NoAdapter)
            return nullptr;
        return std::make_unique<ScriptedDirect3D>(g_);
    }
    std::unique_ptr<ID3DX8> D3DXCreate() override { return std::make_unique<ScriptedD3DX>(g_); }

private:
    std::shared_ptr<ScriptedGraphics> g_;
};

} // namespace

std::vector<std::string> ScriptedGraphics::CallsStartingWith(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const std::string& call : *Calls)
        if (call.rfind(prefix, 0) == 0)
            out.push_back(call);
    return out;
}

std::function<std::unique_ptr<IDirectX8>()> ScriptedDirectXFactory(std::shared_ptr<ScriptedGraphics> graphics)
{
    return [graphics]() -> std::unique_ptr<IDirectX8> { return std::make_unique<ScriptedDirectX>(graphics); };
}

std::string ScriptedTextureLabel(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

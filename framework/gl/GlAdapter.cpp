// The root object and the adapter of the OpenGL back end.
#include "framework/EngineLog.h"
#include "framework/gl/DisplayModeList.h"
#include "framework/gl/GlD3DX.h"
#include "framework/gl/GlDevice.h"
#include "framework/gl/GlDirectX.h"
#include "framework/gl/GlFormats.h"

#include <cstdio>
#include <map>

namespace {

std::vector<D3DDISPLAYMODE> ReadDisplayModes()
{
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) != 0)
        return {};
    std::vector<ScreenMode> modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) == 0)
            modes.push_back({mode.w, mode.h, mode.refresh_rate});
    }
    return BuildAdapterModes(modes, {desktop.w, desktop.h, desktop.refresh_rate});
}

class GlDirect3D final : public IDirect3D8 {
public:
    explicit GlDirect3D(std::shared_ptr<SdlGlContext> context)
        : context_(std::move(context)), modes_(ReadDisplayModes())
    {
        GLint size = 0;
        if (context_->Use())
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
        maxTextureSize_ = static_cast<DWORD>(size);
    }

    UINT GetAdapterModeCount(UINT adapter) override
    {
        return adapter == D3DADAPTER_DEFAULT ? static_cast<UINT>(modes_.size()) : 0;
    }

    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE& out) override
    {
        if (adapter != D3DADAPTER_DEFAULT || mode >= modes_.size())
            return D3DERR_INVALIDCALL;
        out = modes_[mode];
        return D3D_OK;
    }

    HRESULT CheckDeviceFormat(UINT adapter, DWORD deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              DWORD resourceType, D3DFORMAT checkFormat) override
    {
        if (adapter != D3DADAPTER_DEFAULT || (deviceType != D3DDEVTYPE_HAL && deviceType != D3DDEVTYPE_REF))
            return D3DERR_INVALIDCALL;
        const GLenum colour = ColourFormatFor(adapterFormat);
        if (colour == 0)
            return D3DERR_NOTAVAILABLE;
        if (usage == D3DUSAGE_DEPTHSTENCIL && resourceType == D3DRTYPE_SURFACE) {
            const DepthFormat depth = DepthFormatFor(checkFormat);
            return depth.Internal != 0 && Works(colour, checkFormat, depth) ? D3D_OK : D3DERR_NOTAVAILABLE;
        }
        if (usage == D3DUSAGE_RENDERTARGET && (resourceType == D3DRTYPE_SURFACE || resourceType == D3DRTYPE_TEXTURE)) {
            const GLenum target = ColourFormatFor(checkFormat);
            return target != 0 && Works(target, 0, {}) ? D3D_OK : D3DERR_NOTAVAILABLE;
        }
        if (usage == 0 && resourceType == D3DRTYPE_TEXTURE) {
            // Textures are always kept as 32-bit RGBA, which holds every one of these.
            switch (checkFormat) {
            case D3DFMT_A8R8G8B8:
            case D3DFMT_X8R8G8B8:
            case D3DFMT_R5G6B5:
            case D3DFMT_X1R5G5B5:
            case D3DFMT_A1R5G5B5:
            case D3DFMT_A4R4G4B4: return D3D_OK;
            default: return D3DERR_NOTAVAILABLE;
            }
        }
        return D3DERR_NOTAVAILABLE;
    }

    HRESULT GetDeviceCaps(UINT adapter, DWORD deviceType, D3DCAPS8& caps) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL)
            return D3DERR_NOTAVAILABLE; // there is no reference rasteriser here
        caps = D3DCAPS8{};
        caps.DeviceType = deviceType;
        caps.AdapterOrdinal = adapter;
        caps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
        // Vertices are transformed and lit by the driver's shader; that counts as hardware
        // transform and lighting only when the driver runs on a graphics card.
        if (!context_->IsSoftwareRenderer())
            caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
        caps.MaxTextureWidth = maxTextureSize_;
        caps.MaxTextureHeight = maxTextureSize_;
        caps.MaxTextureAspectRatio = maxTextureSize_;
        caps.MaxTextureBlendStages = 1;
        caps.MaxSimultaneousTextures = 1;
        caps.MaxActiveLights = MaxActiveLights;
        caps.MaxStreams = 1;
        caps.MaxStreamStride = 255;
        caps.MaxPrimitiveCount = 0xFFFFFF;
        caps.MaxVertexIndex = 0xFFFFFF;
        caps.MaxPointSize = 1.0f;
        caps.FVFCaps = 1; // one texture coordinate set
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, DWORD deviceType, Window* focusWindow, DWORD behaviourFlags,
                         D3DPRESENT_PARAMETERS& params, std::unique_ptr<IDirect3DDevice8>& out) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        if (deviceType != D3DDEVTYPE_HAL)
            return D3DERR_NOTAVAILABLE;
        const DWORD processing = behaviourFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                   D3DCREATE_HARDWARE_VERTEXPROCESSING | 0x80 /* mixed */);
        if (processing == 0 || (processing & (processing - 1)) != 0)
            return D3DERR_INVALIDCALL; // exactly one kind of vertex processing
        Window* window = params.hDeviceWindow != nullptr ? params.hDeviceWindow : focusWindow;
        auto* sdlWindow = dynamic_cast<SdlWindow*>(window);
        if (sdlWindow == nullptr || !sdlWindow->IsLoaded())
            return D3DERR_INVALIDCALL;
        return GlDevice::Create(context_, sdlWindow->Native(), params, out);
    }

private:
    bool Works(GLenum colour, D3DFORMAT depthCode, DepthFormat depth)
    {
        const auto key = std::make_pair(colour, depthCode);
        const auto known = probed_.find(key);
        if (known != probed_.end())
            return known->second;
        const bool works = context_->Use() && FramebufferWorks(colour, depth);
        probed_[key] = works;
        return works;
    }

    std::shared_ptr<SdlGlContext> context_;
    std::vector<D3DDISPLAYMODE> modes_;
    DWORD maxTextureSize_ = 0;
    std::map<std::pair<GLenum, D3DFORMAT>, bool> probed_;
};

class GlDirectX final : public IDirectX8 {
public:
    explicit GlDirectX(SdlPlatform& platform) : platform_(platform) {}

    std::unique_ptr<IDirect3D8> Direct3DCreate8() override
    {
        std::string error;
        std::shared_ptr<SdlGlContext> context = platform_.GlContext(error);
        if (!context) {
            // The log names the cause; the start-up then fails the ordinary way.
            DirectX_Framework::LogLine("Cannot start OpenGL: " + error);
            std::fprintf(stderr, "%s: cannot start OpenGL: %s\n", DirectX_Framework::ApplicationTitle, error.c_str());
            return nullptr;
        }
        return std::make_unique<GlDirect3D>(std::move(context));
    }

    std::unique_ptr<ID3DX8> D3DXCreate() override { return MakeGlD3DX(); }

private:
    SdlPlatform& platform_;
};

} // namespace

std::function<std::unique_ptr<IDirectX8>()> OpenGLDirectXFactory(SdlPlatform& platform)
{
    return [&platform]() -> std::unique_ptr<IDirectX8> { return std::make_unique<GlDirectX>(platform); };
}

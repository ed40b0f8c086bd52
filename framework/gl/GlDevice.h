// The OpenGL device: Direct3D 8's device operations on an OpenGL 3.3 core context.
//
// The back buffer is a framebuffer of exactly the requested size and format (R5G6B5 or
// X8R8G8B8) with the requested depth buffer; Present draws it into the device window (see
// GlSwapChain). The window is placed as the parameters ask ("Fake Fullscreen" or full screen;
// see PlaceDeviceWindow).
//
// Render states honoured: Z enable (7), Z write enable (14), fill mode (8), cull mode (22),
// lighting (137), ambient (139); others are accepted and have no effect. Texture stage 0's
// magnification, minification and mip filters are honoured; other stages are accepted.
//
// A frame costs the driver as little as the calls allow: the device sets the OpenGL context's
// state through a record of what it last set there (GlStateCache), so only what differs is
// set; uploads the scene program's values only when they change; and reads every vertex buffer
// through a vertex array of its own, so that a draw call of the world's batches is a texture
// bind, a vertex array bind and the draw. Text is drawn by GlTextDrawer.
#pragma once

#include "framework/Device.h"
#include "framework/gl/Fonts.h"
#include "framework/gl/GlObjects.h"
#include "framework/gl/GlResources.h"
#include "framework/gl/GlShaders.h"
#include "framework/gl/GlStateCache.h"
#include "framework/gl/GlSwapChain.h"
#include "framework/gl/GlTextDrawer.h"
#include "framework/gl/XMeshFiles.h"
#include "framework/sdl/SdlPlatform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class GlDevice final : public IDirect3DDevice8 {
public:
    // Makes the device for window as params asks, filling in what params leaves to the device
    // (a zero size or an unknown format in a window).
    static HRESULT Create(std::shared_ptr<SdlGlContext> context, std::shared_ptr<SdlWindowNative> window,
                          D3DPRESENT_PARAMETERS& params, std::unique_ptr<IDirect3DDevice8>& out);
    ~GlDevice() override;
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) override;
    HRESULT Present() override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT SetTransform(DWORD state, const D3DMATRIX& matrix) override;
    HRESULT SetRenderState(DWORD state, DWORD value) override;
    HRESULT SetTextureStageState(DWORD stage, DWORD type, DWORD value) override;
    HRESULT SetMaterial(const D3DMATERIAL8& material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8& light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT SetTexture(DWORD stage, IDirect3DTexture8* texture) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, DWORD pool, VertexBufferPtr& out) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride) override;
    HRESULT DrawPrimitive(DWORD primitiveType, UINT startVertex, UINT primitiveCount) override;
    HRESULT GetFrontBufferData(ImageARGB& out) override;

    // ---- for the helper object and the resources ----
    const std::shared_ptr<SdlGlContext>& Context() const { return context_; }
    UINT MaxTextureSize() const { return maxTextureSize_; }
    // A texture with a full mip chain from RGBA bytes (pitch bytes per row, top row first).
    HRESULT CreateTexture(const void* rgba, UINT width, UINT height, UINT pitch, TexturePtr& out);
    HRESULT CreateMesh(const MeshGeometry& geometry, MeshPtr& out);
    // Draws count indices from first of a mesh's vertex array with the current state.
    HRESULT DrawIndexed(const GlObjectPtr& vertexArray, std::uint32_t first, std::uint32_t count);
    // Draws text into the back buffer (DrawText of the helper library's fonts).
    HRESULT DrawText(const std::shared_ptr<TtfFace>& face, const std::string& text, const RECT& rect, DWORD format,
                     D3DCOLOR colour);
    std::shared_ptr<GlDeviceLink> Link() const { return link_; }
    // The buffer object behind a vertex buffer of this back end, 0 for any other.
    static GLuint BufferName(IDirect3DVertexBuffer8* buffer);
    // Someone else drew with the context: the next draw sets the device's state again.
    void ForgetGlState() { state_.ForgetAll(); }

private:
    friend class GlReference;
    GlDevice() = default;
    HRESULT Build(D3DPRESENT_PARAMETERS& params);
    HRESULT MakeBuffers(const D3DPRESENT_PARAMETERS& params, GLenum colourFormat, DepthFormat depthFormat);
    HRESULT MakePrograms();
    void SetFixedState();
    void TakeWindow(bool windowed);
    bool ShowBackBuffer() { return swapChain_.Show(window_->Handle, state_); }
    void ApplyRasterState();
    bool ApplyDrawState();
    bool SelectSceneProgram();
    void UploadSceneUniforms();
    void UploadLights(const SceneProgram& program);
    void UpdateSampler();
    bool PrepareStream(UINT& vertexSize);

    struct LightSlot {
        D3DLIGHT8 Light{};
        bool Enabled = false;
    };

    std::shared_ptr<SdlGlContext> context_;
    std::shared_ptr<SdlWindowNative> window_;
    std::shared_ptr<GlDeviceLink> link_ = std::make_shared<GlDeviceLink>();
    bool fullScreen_ = false;
    UINT width_ = 0;
    UINT height_ = 0;
    bool hasDepth_ = false;
    UINT maxTextureSize_ = 0;

    GlStateCache state_;
    GlSwapChain swapChain_;
    GlTextDrawer text_;

    // A scene program per variant the draws have needed, with the versions of the values each
    // holds; scene_ is the one the current state needs.
    struct SceneUse {
        SceneProgram Program;
        std::uint64_t World = 0;
        std::uint64_t ViewProjection = 0;
        std::uint64_t Material = 0;
        std::uint64_t Lights = 0;
    };
    std::map<std::uint32_t, std::unique_ptr<SceneUse>> scenePrograms_;
    SceneUse* scene_ = nullptr;
    GlObjectPtr sampler_; // texture stage 0's filters

    // Direct3D state
    bool inScene_ = false;
    D3DMATRIX world_{};
    D3DMATRIX view_{};
    D3DMATRIX projection_{};
    D3DMATERIAL8 material_{};
    std::map<DWORD, LightSlot> lights_;
    DWORD zEnable_ = 0;
    DWORD zWrite_ = 1;
    DWORD fillMode_ = 3;
    DWORD cullMode_ = 3;
    DWORD lighting_ = 1;
    D3DCOLOR ambient_ = 0;
    DWORD magFilter_ = 1;
    DWORD minFilter_ = 1;
    DWORD mipFilter_ = 0;
    GlObjectPtr texture_;
    DWORD fvf_ = 0;
    std::shared_ptr<GlStreamArray> stream_;
    UINT streamLength_ = 0;
    UINT streamStride_ = 0;

    // Versions of the values the scene programs take, raised when the Direct3D state above
    // changes them; and whether the program variant may have to change.
    std::uint64_t worldVersion_ = 1;
    std::uint64_t viewProjectionVersion_ = 1;
    std::uint64_t materialVersion_ = 1;
    std::uint64_t lightsVersion_ = 1;
    bool variantDirty_ = true;
    bool samplerDirty_ = true;
};

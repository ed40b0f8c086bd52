// The OpenGL device: Direct3D 8's device operations on an OpenGL 3.3 core context.
//
// The back buffer is a framebuffer of exactly the requested size and format (R5G6B5 or
// X8R8G8B8) with the requested depth buffer; Present draws it into the device window, scaled with
// its aspect ratio kept, then the two colour buffers change places (the flip swap effect), so the
// front one holds the frame last presented. (It draws rather than blits: a software driver blits
// with shaders of its own that it compiles anew in every run.)
//
// Render states honoured: Z enable (7), Z write enable (14), fill mode (8), cull mode (22),
// lighting (137), ambient (139); others are accepted and have no effect. Texture stage 0's
// magnification, minification and mip filters are honoured; other stages are accepted.
//
// A frame costs the driver as little as the calls allow: the device remembers what it last set
// in the OpenGL context and sets only what differs, uploads the scene program's values only
// when they change, and reads every vertex buffer through a vertex array of its own, so that a
// draw call of the world's batches is a texture bind, a vertex array bind and the draw. Text
// comes from a glyph atlas per font face (GlyphAtlas), drawn instanced in one call a line.
#pragma once

#include "framework/Device.h"
#include "framework/gl/Fonts.h"
#include "framework/gl/GlObjects.h"
#include "framework/gl/GlShaders.h"
#include "framework/gl/GlyphAtlas.h"
#include "framework/gl/XMeshFiles.h"
#include "framework/sdl/SdlPlatform.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class GlDevice;

// Lets resources reach their device while it lives; Device is null once it is released.
struct GlDeviceLink {
    GlDevice* Device = nullptr;
};

class GlTexture final : public IDirect3DTexture8 {
public:
    GlTexture(GlObjectPtr texture, UINT width, UINT height, UINT levels)
        : texture_(std::move(texture)), width_(width), height_(height), levels_(levels)
    {
    }
    UINT Width() const override { return width_; }
    UINT Height() const override { return height_; }
    UINT LevelCount() const override { return levels_; }
    const GlObjectPtr& Object() const { return texture_; }

private:
    GlObjectPtr texture_;
    UINT width_;
    UINT height_;
    UINT levels_;
};

// A vertex buffer's vertex array: made at the buffer's first draw, pointed at the buffer in the
// vertex format and stride of that draw, and pointed again only when those change.
struct GlStreamArray {
    GlObjectPtr Buffer;
    GlObjectPtr Array;
    DWORD Fvf = 0;
    UINT Stride = 0;
};

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
    void ForgetGlState();

private:
    friend class GlReference;
    GlDevice() = default;
    HRESULT Build(D3DPRESENT_PARAMETERS& params);
    void ApplyRasterState();
    bool ApplyDrawState();
    bool ShowBackBuffer();
    bool SelectSceneProgram();
    void UploadSceneUniforms();
    void UpdateSampler();
    bool PrepareStream(UINT& vertexSize);
    GlyphAtlas& AtlasFor(const std::shared_ptr<TtfFace>& face);

    // ---- what the context holds, as the device last set it ----
    void BindFramebuffer(GLuint framebuffer);
    void SetViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void Switch(GLenum capability, int& known, bool on);
    void UseProgram(const GlObjectPtr& program);
    void BindVertexArray(const GlObjectPtr& array);
    void BindTexture(const GlObjectPtr& texture);
    void BindSampler(const GlObjectPtr& sampler);
    struct GlState {
        GLuint Framebuffer = ~0u;
        GLint Viewport[4] = {-1, -1, -1, -1};
        int DepthTest = -1; // -1 unknown, 0 off, 1 on
        int DepthMask = -1;
        int CullFace = -1;
        int Blend = -1;
        int Scissor = -1;
        GLint ScissorBox[4] = {-1, -1, -1, -1};
        GLenum FrontFace = 0;
        GLenum PolygonMode = 0;
        float ClearColour[4] = {-1, -1, -1, -1};
        double ClearDepth = -1;
        // Bound objects by name (~0: unknown), kept alive while bound so that their names
        // cannot be reused meanwhile.
        GLuint ProgramName = ~0u;
        GLuint VertexArrayName = ~0u;
        GLuint TextureName = ~0u;
        GLuint SamplerName = ~0u;
        GlObjectPtr Program;
        GlObjectPtr VertexArray;
        GlObjectPtr Texture;
        GlObjectPtr Sampler;
    };
    GlState gl_;

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
    int drawableWidth_ = -1; // the window's size at the last Present
    int drawableHeight_ = -1;

    GlObjectPtr colour_[2];
    GlObjectPtr framebuffer_[2];
    GlObjectPtr depth_;
    int back_ = 0; // index of the back buffer; the other one is the front

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
    TextProgram text_;
    // The present programs, made at their first use: the copy, and the scaled one for a window
    // of another size.
    PresentProgram presentCopy_;
    PresentProgram presentScaled_;
    int presentOffset_[2] = {-1, -1}; // what the copy program holds
    GlObjectPtr presentArray_; // no attributes: the present triangle needs none
    GlObjectPtr presentLinear_;
    GlObjectPtr textArray_;
    GlObjectPtr textVertices_;
    GlObjectPtr sampler_;
    GlObjectPtr textSampler_;

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

    // Text: an atlas per face, and the last batch of glyphs the text vertex buffer holds.
    std::vector<std::unique_ptr<GlyphAtlas>> atlases_;
    struct TextBatchMemo {
        std::uint64_t Face = 0;
        int Generation = -1;
        std::string Text;
        RECT Rect{};
        DWORD Format = 0;
        int Glyphs = -1; // -1: the vertex buffer holds no batch that a draw could repeat
    } textMemo_;
    D3DCOLOR inkUniform_ = 0;
    bool inkKnown_ = false;
    float textStaging_[TextGlyphs * 6][4] = {}; // pixel x, y, atlas u, v of each corner
};

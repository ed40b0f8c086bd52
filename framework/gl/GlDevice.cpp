#include "framework/gl/GlDevice.h"

#include "framework/gl/GlFormats.h"

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

glm::mat4 ToGlm(const D3DMATRIX& m) { return glm::make_mat4(&m.m[0][0]); }

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

// Checks params and fills in what a window leaves to the device (its own size, X8R8G8B8) and
// the one back buffer of a zero count; the formats of the buffers to make come back.
HRESULT CompleteParameters(D3DPRESENT_PARAMETERS& params, SDL_Window* window, GLenum& colourFormat,
                           DepthFormat& depthFormat)
{
    if (params.MultiSampleType != D3DMULTISAMPLE_NONE || params.BackBufferCount > 3 || params.SwapEffect < 1 ||
        params.SwapEffect > 4)
        return D3DERR_INVALIDCALL;
    if (params.Windowed != 0) {
        if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) {
            int w = 0;
            int h = 0;
            SDL_GetWindowSize(window, &w, &h);
            params.BackBufferWidth = params.BackBufferWidth == 0 ? static_cast<UINT>(std::max(w, 1)) : params.BackBufferWidth;
            params.BackBufferHeight = params.BackBufferHeight == 0 ? static_cast<UINT>(std::max(h, 1)) : params.BackBufferHeight;
        }
        if (params.BackBufferFormat == D3DFMT_UNKNOWN)
            params.BackBufferFormat = D3DFMT_X8R8G8B8;
    }
    if (params.BackBufferCount == 0)
        params.BackBufferCount = 1;
    colourFormat = ColourFormatFor(params.BackBufferFormat);
    if (colourFormat == 0 || params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
        return D3DERR_INVALIDCALL;
    if (params.EnableAutoDepthStencil != 0) {
        depthFormat = DepthFormatFor(params.AutoDepthStencilFormat);
        if (depthFormat.Internal == 0)
            return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

} // namespace

// ---- creation ------------------------------------------------------------------

HRESULT GlDevice::Create(std::shared_ptr<SdlGlContext> context, std::shared_ptr<SdlWindowNative> window,
                         D3DPRESENT_PARAMETERS& params, std::unique_ptr<IDirect3DDevice8>& out)
{
    if (!context || !window || window->Handle == nullptr)
        return D3DERR_INVALIDCALL;
    std::unique_ptr<GlDevice> device(new GlDevice());
    device->context_ = std::move(context);
    device->window_ = std::move(window);
    const HRESULT hr = device->Build(params);
    if (Failed(hr))
        return hr;
    out = std::move(device);
    return D3D_OK;
}

HRESULT GlDevice::Build(D3DPRESENT_PARAMETERS& params)
{
    GLenum colourFormat = 0;
    DepthFormat depthFormat;
    HRESULT hr = CompleteParameters(params, window_->Handle, colourFormat, depthFormat);
    if (Succeeded(hr))
        hr = MakeBuffers(params, colourFormat, depthFormat);
    if (Succeeded(hr))
        hr = MakePrograms();
    if (Failed(hr))
        return hr;
    SetFixedState();
    TakeWindow(params.Windowed != 0);
    link_->Device = this;
    return D3D_OK;
}

// The back and front buffers, within what the driver offers.
HRESULT GlDevice::MakeBuffers(const D3DPRESENT_PARAMETERS& params, GLenum colourFormat, DepthFormat depthFormat)
{
    if (!context_->UseWith(window_->Handle))
        return D3DERR_NOTAVAILABLE;
    GLint maxRenderbuffer = 0;
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    maxTextureSize_ = static_cast<UINT>(std::max(maxTexture, 1));
    if (params.BackBufferWidth > static_cast<UINT>(maxRenderbuffer) ||
        params.BackBufferHeight > static_cast<UINT>(maxRenderbuffer))
        return D3DERR_OUTOFVIDEOMEMORY;
    width_ = params.BackBufferWidth;
    height_ = params.BackBufferHeight;
    hasDepth_ = depthFormat.Internal != 0;
    zEnable_ = hasDepth_ ? 1 : 0;
    return swapChain_.Build(context_, width_, height_, colourFormat, depthFormat);
}

// Scene programs are compiled when a draw first needs their variant; the text program now,
// which also shows whether the driver takes the device's shaders at all.
HRESULT GlDevice::MakePrograms()
{
    std::string error;
    if (!text_.Build(context_, width_, height_, maxTextureSize_, error)) {
        std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    sampler_ = MakeGlObject(context_, GlKind::Sampler);
    return D3D_OK;
}

// State no draw of the device changes, and Direct3D's starting transforms.
void GlDevice::SetFixedState()
{
    // Direct3D's depth range is 0 to 1; keep it where the driver can, else remap in the shader.
    if (context_->HasClipControl())
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glDisable(GL_DITHER);
    glPointSize(1.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Text blends its coverage over the picture, leaving the back buffer's alpha as it is.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glActiveTexture(GL_TEXTURE0);
    world_ = view_ = projection_ = Identity();
}

// "Fake Fullscreen" presents at once; full screen in step with the display.
void GlDevice::TakeWindow(bool windowed)
{
    fullScreen_ = !windowed;
    PlaceDeviceWindow(*window_, fullScreen_, static_cast<int>(width_), static_cast<int>(height_));
    // Some display servers (Xvfb) have no swap control: that is no error.
    SDL_GL_SetSwapInterval(fullScreen_ ? 1 : 0);
}

GlDevice::~GlDevice()
{
    link_->Device = nullptr;
    ReleaseDeviceWindow(*window_, fullScreen_);
    context_->Use();
}

// ---- frames ------------------------------------------------------------------------

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR colour, float z, DWORD)
{
    if ((count > 0 && rects == nullptr) || (flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0)
        return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_STENCIL) != 0)
        return D3DERR_INVALIDCALL; // no back buffer here has a stencil
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    GLbitfield bits = 0;
    if ((flags & D3DCLEAR_TARGET) != 0) {
        float rgba[4];
        ColourOf(colour, rgba);
        state_.ClearColour(rgba);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    // Without a depth buffer the depth part is left out rather than refused, so a program that
    // names it anyway still clears its picture.
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && hasDepth_) {
        state_.ClearDepth(std::clamp(static_cast<double>(z), 0.0, 1.0));
        state_.DepthMask(true);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (bits == 0)
        return D3D_OK;
    // A frame starts here: someone else may have bound a framebuffer since the last one (the
    // adapter's format probe does).
    state_.ForgetFramebuffer();
    state_.BindFramebuffer(swapChain_.BackFramebuffer());
    state_.SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    state_.ScissorTest(count != 0);
    if (count == 0) {
        glClear(bits);
        return D3D_OK;
    }
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        const int x1 = std::clamp(r.x1, 0, static_cast<int>(width_));
        const int x2 = std::clamp(r.x2, 0, static_cast<int>(width_));
        const int y1 = std::clamp(r.y1, 0, static_cast<int>(height_));
        const int y2 = std::clamp(r.y2, 0, static_cast<int>(height_));
        if (x2 <= x1 || y2 <= y1)
            continue;
        const GLint box[4] = {x1, static_cast<int>(height_) - y2, x2 - x1, y2 - y1};
        state_.SetScissor(box);
        glClear(bits);
    }
    return D3D_OK;
}

HRESULT GlDevice::Present()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    if (window_->Handle != nullptr && context_->UseWith(window_->Handle))
        return ShowBackBuffer() ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    swapChain_.Flip();
    return D3D_OK;
}

HRESULT GlDevice::BeginScene()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene()
{
    if (!inScene_)
        return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT GlDevice::GetFrontBufferData(ImageARGB& out)
{
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    swapChain_.ReadFront(out, state_);
    return D3D_OK;
}

// ---- state ---------------------------------------------------------------------------

HRESULT GlDevice::SetTransform(DWORD state, const D3DMATRIX& matrix)
{
    D3DMATRIX* held = nullptr;
    switch (state) {
    case D3DTS_WORLD: held = &world_; break;
    case D3DTS_VIEW: held = &view_; break;
    case D3DTS_PROJECTION: held = &projection_; break;
    default:
        if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7)
            return D3D_OK; // texture coordinates are never transformed here
        return D3DERR_INVALIDCALL;
    }
    if (std::memcmp(held, &matrix, sizeof matrix) != 0) {
        *held = matrix;
        ++(state == D3DTS_WORLD ? worldVersion_ : viewProjectionVersion_);
    }
    return D3D_OK;
}

HRESULT GlDevice::SetRenderState(DWORD state, DWORD value)
{
    switch (state) {
    case D3DRS_ZENABLE: zEnable_ = value; break;
    case D3DRS_ZWRITEENABLE: zWrite_ = value; break;
    case D3DRS_FILLMODE: fillMode_ = value; break;
    case D3DRS_CULLMODE: cullMode_ = value; break;
    case D3DRS_LIGHTING:
        variantDirty_ = variantDirty_ || (lighting_ != 0) != (value != 0);
        lighting_ = value;
        break;
    case D3DRS_AMBIENT:
        materialVersion_ += ambient_ != value ? 1 : 0;
        ambient_ = value;
        break;
    default: break;
    }
    return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(DWORD stage, DWORD type, DWORD value)
{
    if (stage >= 8)
        return D3DERR_INVALIDCALL;
    if (stage != 0)
        return D3D_OK;
    switch (type) {
    case D3DTSS_MAGFILTER: magFilter_ = value; break;
    case D3DTSS_MINFILTER: minFilter_ = value; break;
    case D3DTSS_MIPFILTER: mipFilter_ = value; break;
    default: return D3D_OK;
    }
    samplerDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL8& material)
{
    if (std::memcmp(&material_, &material, sizeof material) != 0) {
        material_ = material;
        ++materialVersion_;
    }
    return D3D_OK;
}

HRESULT GlDevice::SetLight(DWORD index, const D3DLIGHT8& light)
{
    const bool aimed = light.Type == D3DLIGHT_DIRECTIONAL || light.Type == D3DLIGHT_SPOT;
    const float length = std::sqrt(light.Direction.x * light.Direction.x + light.Direction.y * light.Direction.y +
                                   light.Direction.z * light.Direction.z);
    if ((light.Type != D3DLIGHT_POINT && !aimed) || (aimed && !(length > 0.0f)) || light.Range < 0.0f ||
        light.Attenuation0 < 0.0f || light.Attenuation1 < 0.0f || light.Attenuation2 < 0.0f)
        return D3DERR_INVALIDCALL;
    LightSlot& slot = lights_[index];
    if (std::memcmp(&slot.Light, &light, sizeof light) != 0) {
        variantDirty_ = variantDirty_ || (slot.Enabled && slot.Light.Type != light.Type);
        slot.Light = light;
        lightsVersion_ += slot.Enabled ? 1 : 0;
    }
    return D3D_OK;
}

HRESULT GlDevice::LightEnable(DWORD index, BOOL enable)
{
    auto slot = lights_.find(index);
    if (slot == lights_.end()) {
        // A light enabled before it was set is Direct3D's default light: white, directional,
        // shining along +z.
        LightSlot fresh;
        fresh.Light.Type = D3DLIGHT_DIRECTIONAL;
        fresh.Light.Diffuse = {1, 1, 1, 0};
        fresh.Light.Direction = {0, 0, 1};
        slot = lights_.emplace(index, fresh).first;
    }
    if (slot->second.Enabled != (enable != 0)) {
        ++lightsVersion_;
        variantDirty_ = true;
    }
    slot->second.Enabled = enable != 0;
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, IDirect3DTexture8* texture)
{
    if (stage >= 8)
        return D3DERR_INVALIDCALL;
    if (stage != 0)
        return D3D_OK;
    const bool had = texture_ != nullptr;
    if (texture == nullptr) {
        texture_.reset();
    } else {
        auto* gl = dynamic_cast<GlTexture*>(texture);
        if (gl == nullptr)
            return D3DERR_INVALIDCALL;
        texture_ = gl->Object();
    }
    variantDirty_ = variantDirty_ || had != (texture_ != nullptr);
    return D3D_OK;
}

HRESULT GlDevice::SetVertexShader(DWORD handle)
{
    // Vertex formats drawn here: a position, optionally a normal, none or one texture pair.
    const DWORD known = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEXCOUNT_MASK;
    const DWORD textures = (handle & D3DFVF_TEXCOUNT_MASK) >> 8;
    if ((handle & ~known) != 0 || (handle & D3DFVF_XYZ) == 0 || textures > 1)
        return D3DERR_INVALIDCALL;
    fvf_ = handle;
    return D3D_OK;
}

// ---- resources -------------------------------------------------------------------------

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, DWORD pool, VertexBufferPtr& out)
{
    if (length == 0 || pool > D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    auto buffer = GlVertexBuffer::Make(context_, length);
    if (!buffer)
        return D3DERR_OUTOFVIDEOMEMORY;
    out = std::move(buffer);
    return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (stream != 0)
        return stream < 16 ? D3D_OK : D3DERR_INVALIDCALL;
    if (buffer == nullptr) {
        stream_.reset();
        streamLength_ = 0;
    } else {
        auto* gl = dynamic_cast<GlVertexBuffer*>(buffer);
        if (gl == nullptr || stride == 0)
            return D3DERR_INVALIDCALL;
        stream_ = gl->Stream();
        streamLength_ = gl->Length();
    }
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT GlDevice::CreateTexture(const void* rgba, UINT width, UINT height, UINT pitch, TexturePtr& out)
{
    if (rgba == nullptr || width == 0 || height == 0 || width > maxTextureSize_ || height > maxTextureSize_ ||
        pitch < width * 4 || pitch % 4 != 0)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    GLenum error = GL_NO_ERROR;
    auto texture = GlTexture::Make(context_, static_cast<const std::uint8_t*>(rgba), width, height, pitch, error);
    ForgetGlState();
    if (error == GL_OUT_OF_MEMORY)
        return E_OUTOFMEMORY;
    if (!texture)
        return D3DERR_INVALIDCALL;
    out = std::move(texture);
    return D3D_OK;
}

HRESULT GlDevice::CreateMesh(const MeshGeometry& geometry, MeshPtr& out)
{
    for (const auto& [first, count] : geometry.Subsets)
        if (first > geometry.Indices.size() || count > geometry.Indices.size() - first || count % 3 != 0)
            return D3DERR_INVALIDCALL;
    for (const std::uint32_t index : geometry.Indices)
        if (index >= geometry.Vertices.size())
            return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    auto mesh = GlMesh::Make(context_, link_, geometry);
    ForgetGlState();
    if (!mesh)
        return D3DERR_OUTOFVIDEOMEMORY;
    out = std::move(mesh);
    return D3D_OK;
}

GLuint GlDevice::BufferName(IDirect3DVertexBuffer8* buffer)
{
    auto* gl = dynamic_cast<GlVertexBuffer*>(buffer);
    return gl != nullptr ? gl->Object()->Name() : 0;
}

// ---- drawing ------------------------------------------------------------------------------

void GlDevice::UpdateSampler()
{
    const bool linearMin = minFilter_ >= D3DTEXF_LINEAR;
    GLint minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
    if (mipFilter_ == D3DTEXF_POINT)
        minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    else if (mipFilter_ >= D3DTEXF_LINEAR)
        minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_MIN_FILTER, minFilter);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_MAG_FILTER, magFilter_ >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler_->Name(), GL_TEXTURE_WRAP_T, GL_REPEAT);
    samplerDirty_ = false;
}

// The scene program for the current lighting switch, texture and enabled lights: made the first
// time a draw needs that variant. False when the driver cannot build it.
bool GlDevice::SelectSceneProgram()
{
    SceneVariant variant;
    variant.Lighting = lighting_ != 0;
    variant.Textured = texture_ != nullptr;
    if (variant.Lighting)
        for (const auto& [index, slot] : lights_)
            if (slot.Enabled && variant.LightCount < MaxActiveLights)
                variant.LightTypes[static_cast<std::size_t>(variant.LightCount++)] = slot.Light.Type;
    auto found = scenePrograms_.find(variant.Key());
    if (found == scenePrograms_.end()) {
        auto use = std::make_unique<SceneUse>();
        std::string error;
        if (!BuildSceneProgram(context_, variant, use->Program, error)) {
            std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
            return false;
        }
        glUseProgram(use->Program.Program->Name());
        glUniform1i(use->Program.RemapDepth, context_->HasClipControl() ? 0 : 1);
        state_.ForgetProgram();
        found = scenePrograms_.emplace(variant.Key(), std::move(use)).first;
    }
    scene_ = found->second.get();
    variantDirty_ = false;
    return true;
}

// Hands the scene program what changed since it last drew; the program keeps the rest.
void GlDevice::UploadSceneUniforms()
{
    SceneUse& use = *scene_;
    const SceneProgram& program = use.Program;
    if (use.World != worldVersion_) {
        const glm::mat4 world = ToGlm(world_);
        const glm::mat3 linear(world);
        const glm::mat3 normal = std::fabs(glm::determinant(linear)) > 1e-12f ? glm::transpose(glm::inverse(linear)) : linear;
        glUniformMatrix4fv(program.World, 1, GL_FALSE, glm::value_ptr(world));
        glUniformMatrix3fv(program.NormalMatrix, 1, GL_FALSE, glm::value_ptr(normal));
        use.World = worldVersion_;
    }
    if (use.ViewProjection != viewProjectionVersion_) {
        const glm::mat4 viewProjection = ToGlm(projection_) * ToGlm(view_);
        glUniformMatrix4fv(program.ViewProjection, 1, GL_FALSE, glm::value_ptr(viewProjection));
        use.ViewProjection = viewProjectionVersion_;
    }
    if (use.Material != materialVersion_) {
        float ambient[4];
        ColourOf(ambient_, ambient);
        glUniform3f(program.GlobalAmbient, ambient[0], ambient[1], ambient[2]);
        glUniform4f(program.MaterialDiffuse, material_.Diffuse.r, material_.Diffuse.g, material_.Diffuse.b,
                    material_.Diffuse.a);
        glUniform3f(program.MaterialAmbient, material_.Ambient.r, material_.Ambient.g, material_.Ambient.b);
        glUniform3f(program.MaterialEmissive, material_.Emissive.r, material_.Emissive.g, material_.Emissive.b);
        use.Material = materialVersion_;
    }
    if (use.Lights != lightsVersion_) {
        UploadLights(program);
        use.Lights = lightsVersion_;
    }
}

// Hands the scene program the enabled lights, in the order of their indices.
void GlDevice::UploadLights(const SceneProgram& program)
{
    float positions[MaxActiveLights][3] = {};
    float directions[MaxActiveLights][3] = {};
    float diffuse[MaxActiveLights][3] = {};
    float ambients[MaxActiveLights][3] = {};
    float attenuation[MaxActiveLights][4] = {};
    float spot[MaxActiveLights][3] = {};
    int count = 0;
    for (const auto& [index, slot] : lights_) {
        if (!slot.Enabled || count == MaxActiveLights)
            continue;
        const D3DLIGHT8& light = slot.Light;
        const float length = std::sqrt(light.Direction.x * light.Direction.x + light.Direction.y * light.Direction.y +
                                       light.Direction.z * light.Direction.z);
        positions[count][0] = light.Position.x;
        positions[count][1] = light.Position.y;
        positions[count][2] = light.Position.z;
        if (length > 0.0f) {
            directions[count][0] = light.Direction.x / length;
            directions[count][1] = light.Direction.y / length;
            directions[count][2] = light.Direction.z / length;
        }
        diffuse[count][0] = light.Diffuse.r;
        diffuse[count][1] = light.Diffuse.g;
        diffuse[count][2] = light.Diffuse.b;
        ambients[count][0] = light.Ambient.r;
        ambients[count][1] = light.Ambient.g;
        ambients[count][2] = light.Ambient.b;
        attenuation[count][0] = light.Attenuation0;
        attenuation[count][1] = light.Attenuation1;
        attenuation[count][2] = light.Attenuation2;
        attenuation[count][3] = light.Range;
        spot[count][0] = std::cos(light.Theta / 2.0f);
        spot[count][1] = std::cos(light.Phi / 2.0f);
        spot[count][2] = light.Falloff;
        ++count;
    }
    glUniform3fv(program.LightPosition, MaxActiveLights, &positions[0][0]);
    glUniform3fv(program.LightDirection, MaxActiveLights, &directions[0][0]);
    glUniform3fv(program.LightDiffuse, MaxActiveLights, &diffuse[0][0]);
    glUniform3fv(program.LightAmbient, MaxActiveLights, &ambients[0][0]);
    glUniform4fv(program.LightAttenuation, MaxActiveLights, &attenuation[0][0]);
    glUniform3fv(program.LightSpot, MaxActiveLights, &spot[0][0]);
}

// The state every draw into the back buffer needs: where it draws, the depth test, culling and
// fill mode.
void GlDevice::ApplyRasterState()
{
    state_.BindFramebuffer(swapChain_.BackFramebuffer());
    state_.SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    state_.ScissorTest(false);
    state_.Blend(false);
    const bool depth = zEnable_ != 0 && hasDepth_;
    state_.DepthTest(depth);
    if (depth)
        state_.DepthMask(zWrite_ != 0);
    // Direct3D names the winding that is removed, as it appears on the screen.
    const bool culls = cullMode_ == D3DCULL_CW || cullMode_ == D3DCULL_CCW;
    state_.CullFace(culls);
    const GLenum front = cullMode_ == D3DCULL_CCW ? GL_CW : GL_CCW;
    if (culls)
        state_.FrontFace(front);
    state_.PolygonMode(fillMode_ == D3DFILL_POINT ? GL_POINT : fillMode_ == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
}

bool GlDevice::ApplyDrawState()
{
    ApplyRasterState();
    if (variantDirty_ && !SelectSceneProgram())
        return false;
    state_.UseProgram(scene_->Program.Program);
    UploadSceneUniforms();
    state_.BindTexture(texture_);
    if (samplerDirty_)
        UpdateSampler();
    state_.BindSampler(sampler_);
    return true;
}

bool GlDevice::PrepareStream(UINT& vertexSize)
{
    const bool normal = (fvf_ & D3DFVF_NORMAL) != 0;
    const bool texCoord = (fvf_ & D3DFVF_TEXCOUNT_MASK) != 0;
    vertexSize = 12 + (normal ? 12 : 0) + (texCoord ? 8 : 0);
    if (!stream_ || fvf_ == 0 || streamStride_ < vertexSize)
        return false;
    GlStreamArray& stream = *stream_;
    if (!stream.Array)
        stream.Array = MakeGlObject(context_, GlKind::VertexArray);
    state_.BindVertexArray(stream.Array);
    if (stream.Fvf != fvf_ || stream.Stride != streamStride_) {
        glBindBuffer(GL_ARRAY_BUFFER, stream.Buffer->Name());
        PointAttributes(static_cast<GLsizei>(streamStride_), normal, texCoord);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        stream.Fvf = fvf_;
        stream.Stride = streamStride_;
    }
    return true;
}

HRESULT GlDevice::DrawPrimitive(DWORD primitiveType, UINT startVertex, UINT primitiveCount)
{
    GLenum mode = GL_TRIANGLES;
    std::uint64_t vertices = 0;
    const std::uint64_t count = primitiveCount;
    switch (primitiveType) {
    case D3DPT_POINTLIST: mode = GL_POINTS; vertices = count; break;
    case D3DPT_LINELIST: mode = GL_LINES; vertices = count * 2; break;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; vertices = count + 1; break;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; vertices = count * 3; break;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; vertices = count + 2; break;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; vertices = count + 2; break;
    default: return D3DERR_INVALIDCALL;
    }
    if (primitiveCount == 0)
        return D3D_OK;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    UINT vertexSize = 0;
    if (!PrepareStream(vertexSize))
        return D3DERR_INVALIDCALL;
    // Every vertex read must lie inside the buffer.
    const std::uint64_t lastEnd = (static_cast<std::uint64_t>(startVertex) + vertices - 1) * streamStride_ + vertexSize;
    if (lastEnd > streamLength_)
        return D3DERR_INVALIDCALL;
    if (!ApplyDrawState())
        return D3DERR_INVALIDCALL;
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
    return D3D_OK;
}

HRESULT GlDevice::DrawIndexed(const GlObjectPtr& vertexArray, std::uint32_t first, std::uint32_t count)
{
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    if (!ApplyDrawState())
        return D3DERR_INVALIDCALL;
    state_.BindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(static_cast<std::uintptr_t>(first) * sizeof(std::uint32_t)));
    return D3D_OK;
}

// ---- text ------------------------------------------------------------------------------------

HRESULT GlDevice::DrawText(const std::shared_ptr<TtfFace>& face, const std::string& text, const RECT& rect,
                           DWORD format, D3DCOLOR colour)
{
    if (!face)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    text_.Draw(state_, swapChain_.BackFramebuffer(), face, text, rect, format, colour);
    return D3D_OK;
}

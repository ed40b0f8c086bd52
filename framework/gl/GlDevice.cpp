#include "framework/gl/GlDevice.h"

#include "framework/gl/GlFormats.h"

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD D3DCLEAR_STENCIL = 4;
constexpr DWORD D3DRS_ZWRITEENABLE = 14;
constexpr DWORD D3DTS_TEXTURE0 = 16;
constexpr DWORD D3DTS_TEXTURE7 = 23;
constexpr DWORD D3DPT_POINTLIST = 1;
constexpr DWORD D3DPT_LINELIST = 2;
constexpr DWORD D3DPT_LINESTRIP = 3;
constexpr DWORD D3DPT_TRIANGLESTRIP = 5;
constexpr DWORD D3DPT_TRIANGLEFAN = 6;
constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr DWORD DT_CENTER = 0x1;
constexpr DWORD DT_RIGHT = 0x2;
constexpr DWORD DT_SINGLELINE = 0x20;
constexpr DWORD DT_NOCLIP = 0x100;
constexpr std::size_t TextLinesKept = 128;

glm::mat4 ToGlm(const D3DMATRIX& m) { return glm::make_mat4(&m.m[0][0]); }

D3DMATRIX Identity()
{
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1.0f;
    return m;
}

void ColourOf(D3DCOLOR colour, float out[4])
{
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
}

UINT MipLevels(UINT width, UINT height)
{
    UINT levels = 1;
    for (UINT size = std::max(width, height); size > 1; size /= 2)
        ++levels;
    return levels;
}

// Sets the vertex array's attributes for the Vertex layout (or a layout without normal or
// texture coordinates) from the buffer bound to GL_ARRAY_BUFFER.
void PointAttributes(GLsizei stride, bool normal, bool texCoord)
{
    glEnableVertexAttribArray(PositionAttribute);
    glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    std::uintptr_t offset = 12;
    if (normal) {
        glEnableVertexAttribArray(NormalAttribute);
        glVertexAttribPointer(NormalAttribute, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offset));
        offset += 12;
    } else {
        glDisableVertexAttribArray(NormalAttribute);
        glVertexAttrib3f(NormalAttribute, 0, 0, 0);
    }
    if (texCoord) {
        glEnableVertexAttribArray(TexCoordAttribute);
        glVertexAttribPointer(TexCoordAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(offset));
    } else {
        glDisableVertexAttribArray(TexCoordAttribute);
        glVertexAttrib2f(TexCoordAttribute, 0, 0);
    }
}

class GlVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    GlVertexBuffer(std::shared_ptr<SdlGlContext> context, GlObjectPtr buffer, UINT length)
        : context_(std::move(context)), buffer_(std::move(buffer)), length_(length)
    {
    }
    UINT Length() const override { return length_; }
    HRESULT Fill(UINT offset, UINT bytes, DWORD, const void* source) override
    {
        if (source == nullptr || offset > length_ || bytes > length_ - offset)
            return D3DERR_INVALIDCALL;
        if (bytes == 0)
            return D3D_OK;
        if (!context_->Use())
            return D3DERR_DEVICELOST;
        glBindBuffer(GL_ARRAY_BUFFER, buffer_->Name());
        glBufferSubData(GL_ARRAY_BUFFER, offset, bytes, source);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        return D3D_OK;
    }
    const GlObjectPtr& Object() const { return buffer_; }

private:
    std::shared_ptr<SdlGlContext> context_;
    GlObjectPtr buffer_;
    UINT length_;
};

class GlMesh final : public ID3DXMesh {
public:
    GlMesh(std::shared_ptr<GlDeviceLink> link, GlObjectPtr vertexArray, GlObjectPtr vertices, GlObjectPtr indices,
           std::vector<std::pair<std::uint32_t, std::uint32_t>> subsets, DWORD faces)
        : link_(std::move(link)), vertexArray_(std::move(vertexArray)), vertices_(std::move(vertices)),
          indices_(std::move(indices)), subsets_(std::move(subsets)), faces_(faces)
    {
    }
    DWORD NumSubsets() const override { return static_cast<DWORD>(subsets_.size()); }
    DWORD NumFaces() const override { return faces_; }
    HRESULT DrawSubset(DWORD subset) override
    {
        if (subset >= subsets_.size() || link_->Device == nullptr)
            return D3DERR_INVALIDCALL;
        const auto& [first, count] = subsets_[subset];
        if (count == 0)
            return D3D_OK;
        return link_->Device->DrawIndexed(vertexArray_->Name(), first, count);
    }

private:
    std::shared_ptr<GlDeviceLink> link_;
    GlObjectPtr vertexArray_;
    GlObjectPtr vertices_;
    GlObjectPtr indices_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> subsets_;
    DWORD faces_;
};

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
    SDL_Window* window = window_->Handle;
    const bool windowed = params.Windowed != 0;
    if (params.MultiSampleType != D3DMULTISAMPLE_NONE || params.BackBufferCount > 3 || params.SwapEffect < 1 ||
        params.SwapEffect > 4)
        return D3DERR_INVALIDCALL;
    if (windowed) {
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
    const GLenum colourFormat = ColourFormatFor(params.BackBufferFormat);
    if (colourFormat == 0 || params.BackBufferWidth == 0 || params.BackBufferHeight == 0)
        return D3DERR_INVALIDCALL;
    DepthFormat depthFormat;
    if (params.EnableAutoDepthStencil != 0) {
        depthFormat = DepthFormatFor(params.AutoDepthStencilFormat);
        if (depthFormat.Internal == 0)
            return D3DERR_INVALIDCALL;
    }

    if (!context_->UseWith(window))
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

    // Back and front buffer share the depth buffer: only the back one is ever drawn into.
    while (glGetError() != GL_NO_ERROR) {
    }
    if (hasDepth_) {
        depth_ = MakeGlObject(context_, GlKind::Renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_->Name());
        glRenderbufferStorage(GL_RENDERBUFFER, depthFormat.Internal, static_cast<GLsizei>(width_),
                              static_cast<GLsizei>(height_));
    }
    for (int i = 0; i < 2; ++i) {
        colour_[i] = MakeGlObject(context_, GlKind::Renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, colour_[i]->Name());
        glRenderbufferStorage(GL_RENDERBUFFER, colourFormat, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
        framebuffer_[i] = MakeGlObject(context_, GlKind::Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[i]->Name());
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_[i]->Name());
        if (hasDepth_)
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, depthFormat.Attachment, GL_RENDERBUFFER, depth_->Name());
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        const GLenum error = glGetError();
        if (error == GL_OUT_OF_MEMORY)
            return D3DERR_OUTOFVIDEOMEMORY;
        if (status != GL_FRAMEBUFFER_COMPLETE || error != GL_NO_ERROR)
            return D3DERR_NOTAVAILABLE;
        glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | (hasDepth_ ? GL_DEPTH_BUFFER_BIT : 0));
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);

    std::string error;
    if (!BuildSceneProgram(context_, scene_, error) || !BuildTextProgram(context_, text_, error)) {
        std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    streamArray_ = MakeGlObject(context_, GlKind::VertexArray);
    sampler_ = MakeGlObject(context_, GlKind::Sampler);
    textArray_ = MakeGlObject(context_, GlKind::VertexArray);
    textCorners_ = MakeGlObject(context_, GlKind::Buffer);
    const float corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    glBindVertexArray(textArray_->Name());
    glBindBuffer(GL_ARRAY_BUFFER, textCorners_->Name());
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Direct3D's depth range is 0 to 1; keep it where the driver can, else remap in the shader.
    if (context_->HasClipControl())
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glUseProgram(scene_.Program->Name());
    glUniform1i(scene_.RemapDepth, context_->HasClipControl() ? 0 : 1);
    glDisable(GL_DITHER);
    glPointSize(1.0f);

    world_ = view_ = projection_ = Identity();

    // "Fake Fullscreen": a borderless window of the back buffer's size at the screen's corner,
    // presenting at once. Full screen: the whole desktop, in step with the display.
    fullScreen_ = !windowed;
    if (windowed) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowSize(window, static_cast<int>(width_), static_cast<int>(height_));
        SDL_SetWindowPosition(window, 0, 0);
    } else {
        // Without a window manager (a bare X server) the full-screen request alone changes
        // nothing, so the window is also made to cover its display by itself.
        const int display = std::max(SDL_GetWindowDisplayIndex(window), 0);
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowBordered(window, SDL_FALSE);
            SDL_SetWindowPosition(window, bounds.x, bounds.y);
            SDL_SetWindowSize(window, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    // Some display servers (Xvfb) have no swap control: that is no error.
    SDL_GL_SetSwapInterval(fullScreen_ ? 1 : 0);
    window_->PresentedByDevice = true;
    link_->Device = this;
    return D3D_OK;
}

GlDevice::~GlDevice()
{
    link_->Device = nullptr;
    window_->PresentedByDevice = false;
    if (fullScreen_ && window_->Handle != nullptr)
        SDL_SetWindowFullscreen(window_->Handle, 0);
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
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        bits |= GL_COLOR_BUFFER_BIT;
    }
    // Without a depth buffer the depth part is left out rather than refused, so a program that
    // names it anyway still clears its picture.
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && hasDepth_) {
        glClearDepth(std::clamp(static_cast<double>(z), 0.0, 1.0));
        glDepthMask(GL_TRUE);
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (bits == 0)
        return D3D_OK;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[back_]->Name());
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    if (count == 0) {
        glDisable(GL_SCISSOR_TEST);
        glClear(bits);
        return D3D_OK;
    }
    glEnable(GL_SCISSOR_TEST);
    for (DWORD i = 0; i < count; ++i) {
        const D3DRECT& r = rects[i];
        const int x1 = std::clamp(r.x1, 0, static_cast<int>(width_));
        const int x2 = std::clamp(r.x2, 0, static_cast<int>(width_));
        const int y1 = std::clamp(r.y1, 0, static_cast<int>(height_));
        const int y2 = std::clamp(r.y2, 0, static_cast<int>(height_));
        if (x2 <= x1 || y2 <= y1)
            continue;
        glScissor(x1, static_cast<int>(height_) - y2, x2 - x1, y2 - y1);
        glClear(bits);
    }
    glDisable(GL_SCISSOR_TEST);
    return D3D_OK;
}

HRESULT GlDevice::Present()
{
    if (inScene_)
        return D3DERR_INVALIDCALL;
    SDL_Window* window = window_->Handle;
    if (window != nullptr && context_->UseWith(window)) {
        int drawableWidth = 0;
        int drawableHeight = 0;
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        const double scale = std::min(static_cast<double>(drawableWidth) / width_,
                                      static_cast<double>(drawableHeight) / height_);
        const int shownWidth = std::max(1, static_cast<int>(std::lround(width_ * scale)));
        const int shownHeight = std::max(1, static_cast<int>(std::lround(height_ * scale)));
        const int x = (drawableWidth - shownWidth) / 2;
        const int y = (drawableHeight - shownHeight) / 2;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_[back_]->Name());
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        // Setting the viewport is also when Mesa's software drivers notice a resized window.
        glViewport(0, 0, drawableWidth, drawableHeight);
        if (shownWidth != drawableWidth || shownHeight != drawableHeight) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        const bool sameSize = shownWidth == static_cast<int>(width_) && shownHeight == static_cast<int>(height_);
        glBlitFramebuffer(0, 0, static_cast<GLint>(width_), static_cast<GLint>(height_), x, y, x + shownWidth,
                          y + shownHeight, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
        SDL_GL_SwapWindow(window);
    } else if (!context_->Use()) {
        return D3DERR_DEVICELOST;
    }
    back_ = 1 - back_;
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
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * height_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_[1 - back_]->Name());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    // OpenGL's rows run bottom up; the picture's run top down. The back buffer has no alpha of
    // its own to show.
    out.Width = width_;
    out.Height = height_;
    out.Pixels.resize(pixels.size());
    for (UINT row = 0; row < height_; ++row) {
        const std::uint32_t* from = pixels.data() + static_cast<std::size_t>(height_ - 1 - row) * width_;
        std::uint32_t* to = out.Pixels.data() + static_cast<std::size_t>(row) * width_;
        for (UINT column = 0; column < width_; ++column)
            to[column] = from[column] | 0xFF000000u;
    }
    return D3D_OK;
}

// ---- state ---------------------------------------------------------------------------

HRESULT GlDevice::SetTransform(DWORD state, const D3DMATRIX& matrix)
{
    switch (state) {
    case D3DTS_WORLD: world_ = matrix; break;
    case D3DTS_VIEW: view_ = matrix; break;
    case D3DTS_PROJECTION: projection_ = matrix; break;
    default:
        if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7)
            return D3D_OK; // texture coordinates are never transformed here
        return D3DERR_INVALIDCALL;
    }
    transformsDirty_ = true;
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
        lighting_ = value;
        lightingDirty_ = true;
        break;
    case D3DRS_AMBIENT:
        ambient_ = value;
        lightingDirty_ = true;
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
    material_ = material;
    lightingDirty_ = true;
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
    lights_[index].Light = light;
    lightingDirty_ = true;
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
    slot->second.Enabled = enable != 0;
    lightingDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(DWORD stage, IDirect3DTexture8* texture)
{
    if (stage >= 8)
        return D3DERR_INVALIDCALL;
    if (stage != 0)
        return D3D_OK;
    if (texture == nullptr) {
        texture_.reset();
    } else {
        auto* gl = dynamic_cast<GlTexture*>(texture);
        if (gl == nullptr)
            return D3DERR_INVALIDCALL;
        texture_ = gl->Object();
    }
    lightingDirty_ = true; // the "textured" switch of the shader
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
    streamDirty_ = true;
    return D3D_OK;
}

// ---- resources -------------------------------------------------------------------------

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, DWORD pool, VertexBufferPtr& out)
{
    if (length == 0 || pool > D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr buffer = MakeGlObject(context_, GlKind::Buffer);
    glBindBuffer(GL_ARRAY_BUFFER, buffer->Name());
    glBufferData(GL_ARRAY_BUFFER, length, nullptr, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
        return D3DERR_OUTOFVIDEOMEMORY;
    out = std::make_shared<GlVertexBuffer>(context_, std::move(buffer), length);
    return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer8* buffer, UINT stride)
{
    if (stream != 0)
        return stream < 16 ? D3D_OK : D3DERR_INVALIDCALL;
    if (buffer == nullptr) {
        streamBuffer_.reset();
        streamLength_ = 0;
    } else {
        auto* gl = dynamic_cast<GlVertexBuffer*>(buffer);
        if (gl == nullptr || stride == 0)
            return D3DERR_INVALIDCALL;
        streamBuffer_ = gl->Object();
        streamLength_ = gl->Length();
    }
    streamStride_ = stride;
    streamDirty_ = true;
    return D3D_OK;
}

HRESULT GlDevice::CreateTexture(const void* rgba, UINT width, UINT height, UINT pitch, TexturePtr& out)
{
    if (rgba == nullptr || width == 0 || height == 0 || width > maxTextureSize_ || height > maxTextureSize_ ||
        pitch < width * 4 || pitch % 4 != 0)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr texture = MakeGlObject(context_, GlKind::Texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture->Name());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pitch / 4));
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, rgba);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glGenerateMipmap(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLenum error = glGetError();
    if (error == GL_OUT_OF_MEMORY)
        return E_OUTOFMEMORY;
    if (error != GL_NO_ERROR)
        return D3DERR_INVALIDCALL;
    out = std::make_shared<GlTexture>(std::move(texture), width, height, MipLevels(width, height));
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
    while (glGetError() != GL_NO_ERROR) {
    }
    GlObjectPtr vertexArray = MakeGlObject(context_, GlKind::VertexArray);
    GlObjectPtr vertices = MakeGlObject(context_, GlKind::Buffer);
    GlObjectPtr indices = MakeGlObject(context_, GlKind::Buffer);
    glBindVertexArray(vertexArray->Name());
    glBindBuffer(GL_ARRAY_BUFFER, vertices->Name());
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.Vertices.size() * sizeof(Vertex)),
                 geometry.Vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices->Name());
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(geometry.Indices.size() * sizeof(std::uint32_t)),
                 geometry.Indices.data(), GL_STATIC_DRAW);
    PointAttributes(sizeof(Vertex), true, true);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR)
        return D3DERR_OUTOFVIDEOMEMORY;
    out = std::make_shared<GlMesh>(link_, std::move(vertexArray), std::move(vertices), std::move(indices),
                                   geometry.Subsets, static_cast<DWORD>(geometry.Indices.size() / 3));
    return D3D_OK;
}

GLuint GlDevice::BufferName(IDirect3DVertexBuffer8* buffer)
{
    auto* gl = dynamic_cast<GlVertexBuffer*>(buffer);
    return gl != nullptr ? gl->Object()->Name() : 0;
}

// ---- drawing ------------------------------------------------------------------------------

void GlDevice::ForgetGlState() { streamDirty_ = true; }

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

void GlDevice::UploadSceneUniforms()
{
    if (transformsDirty_) {
        const glm::mat4 world = ToGlm(world_);
        const glm::mat4 viewProjection = ToGlm(projection_) * ToGlm(view_);
        const glm::mat3 linear(world);
        const glm::mat3 normal = std::fabs(glm::determinant(linear)) > 1e-12f ? glm::transpose(glm::inverse(linear)) : linear;
        glUniformMatrix4fv(scene_.World, 1, GL_FALSE, glm::value_ptr(world));
        glUniformMatrix4fv(scene_.ViewProjection, 1, GL_FALSE, glm::value_ptr(viewProjection));
        glUniformMatrix3fv(scene_.NormalMatrix, 1, GL_FALSE, glm::value_ptr(normal));
        transformsDirty_ = false;
    }
    if (!lightingDirty_)
        return;
    glUniform1i(scene_.Textured, texture_ ? 1 : 0);
    glUniform1i(scene_.Lighting, lighting_ != 0 ? 1 : 0);
    float ambient[4];
    ColourOf(ambient_, ambient);
    glUniform3f(scene_.GlobalAmbient, ambient[0], ambient[1], ambient[2]);
    glUniform4f(scene_.MaterialDiffuse, material_.Diffuse.r, material_.Diffuse.g, material_.Diffuse.b,
                material_.Diffuse.a);
    glUniform3f(scene_.MaterialAmbient, material_.Ambient.r, material_.Ambient.g, material_.Ambient.b);
    glUniform3f(scene_.MaterialEmissive, material_.Emissive.r, material_.Emissive.g, material_.Emissive.b);

    GLint types[MaxActiveLights] = {};
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
        types[count] = static_cast<GLint>(light.Type);
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
    glUniform1i(scene_.LightCount, count);
    glUniform1iv(scene_.LightType, MaxActiveLights, types);
    glUniform3fv(scene_.LightPosition, MaxActiveLights, &positions[0][0]);
    glUniform3fv(scene_.LightDirection, MaxActiveLights, &directions[0][0]);
    glUniform3fv(scene_.LightDiffuse, MaxActiveLights, &diffuse[0][0]);
    glUniform3fv(scene_.LightAmbient, MaxActiveLights, &ambients[0][0]);
    glUniform4fv(scene_.LightAttenuation, MaxActiveLights, &attenuation[0][0]);
    glUniform3fv(scene_.LightSpot, MaxActiveLights, &spot[0][0]);
    lightingDirty_ = false;
}

void GlDevice::ApplyDrawState()
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[back_]->Name());
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (zEnable_ != 0 && hasDepth_) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(zWrite_ != 0 ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    // Direct3D names the winding that is removed, as it appears on the screen.
    if (cullMode_ == D3DCULL_CW || cullMode_ == D3DCULL_CCW) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glFrontFace(cullMode_ == D3DCULL_CCW ? GL_CW : GL_CCW);
    } else {
        glDisable(GL_CULL_FACE);
    }
    const GLenum polygonMode = fillMode_ == D3DFILL_POINT ? GL_POINT : fillMode_ == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
    glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
    glUseProgram(scene_.Program->Name());
    UploadSceneUniforms();
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture_ ? texture_->Name() : 0);
    if (samplerDirty_)
        UpdateSampler();
    glBindSampler(0, sampler_->Name());
}

bool GlDevice::PrepareStream(UINT& vertexSize)
{
    const bool normal = (fvf_ & D3DFVF_NORMAL) != 0;
    const bool texCoord = (fvf_ & D3DFVF_TEXCOUNT_MASK) != 0;
    vertexSize = 12 + (normal ? 12 : 0) + (texCoord ? 8 : 0);
    if (!streamBuffer_ || fvf_ == 0 || streamStride_ < vertexSize)
        return false;
    glBindVertexArray(streamArray_->Name());
    if (streamDirty_) {
        glBindBuffer(GL_ARRAY_BUFFER, streamBuffer_->Name());
        PointAttributes(static_cast<GLsizei>(streamStride_), normal, texCoord);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        streamDirty_ = false;
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
    ApplyDrawState();
    glBindVertexArray(streamArray_->Name());
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
    glBindVertexArray(0);
    return D3D_OK;
}

HRESULT GlDevice::DrawIndexed(GLuint vertexArray, std::uint32_t first, std::uint32_t count)
{
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    ApplyDrawState();
    glBindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(static_cast<std::uintptr_t>(first) * sizeof(std::uint32_t)));
    glBindVertexArray(0);
    return D3D_OK;
}

// ---- text ------------------------------------------------------------------------------------

const GlDevice::TextLine* GlDevice::TextLineFor(const std::shared_ptr<TtfFace>& face, const std::string& line)
{
    const auto key = std::make_pair(face->Id(), line);
    auto found = textLines_.find(key);
    if (found != textLines_.end()) {
        found->second.LastUse = ++textClock_;
        return &found->second;
    }
    if (textLines_.size() >= TextLinesKept) {
        auto oldest = std::min_element(textLines_.begin(), textLines_.end(), [](const auto& a, const auto& b) {
            return a.second.LastUse < b.second.LastUse;
        });
        textLines_.erase(oldest);
    }
    // Glyph coverage only: the ink colour is applied when the line is drawn.
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(face->Font(), line.c_str(), SDL_Color{255, 255, 255, 255});
    if (rendered == nullptr)
        return nullptr;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (surface == nullptr)
        return nullptr;
    const int width = std::min(surface->w, static_cast<int>(maxTextureSize_));
    const int height = std::min(surface->h, static_cast<int>(maxTextureSize_));
    std::vector<std::uint8_t> coverage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SDL_LockSurface(surface);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const std::uint8_t*>(surface->pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * surface->pitch);
        for (int x = 0; x < width; ++x)
            coverage[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(row[x] >> 24);
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);

    TextLine entry;
    entry.Texture = MakeGlObject(context_, GlKind::Texture);
    entry.Width = width;
    entry.Height = height;
    entry.LastUse = ++textClock_;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, entry.Texture->Name());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, width, height, 0, GL_RED, GL_UNSIGNED_BYTE, coverage.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    return &textLines_.emplace(key, std::move(entry)).first->second;
}

HRESULT GlDevice::DrawText(const std::shared_ptr<TtfFace>& face, const std::string& text, const RECT& rect,
                           DWORD format, D3DCOLOR colour)
{
    if (!face)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;

    // Lines break at line feeds (a carriage return before one is dropped) unless asked not to.
    std::vector<std::string> lines;
    if ((format & DT_SINGLELINE) != 0) {
        lines.push_back(text);
    } else {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(std::move(line));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[back_]->Name());
    glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    const bool clip = (format & DT_NOCLIP) == 0;
    if (clip) {
        const int left = std::clamp(rect.left, 0, static_cast<int>(width_));
        const int right = std::clamp(rect.right, 0, static_cast<int>(width_));
        const int top = std::clamp(rect.top, 0, static_cast<int>(height_));
        const int bottom = std::clamp(rect.bottom, 0, static_cast<int>(height_));
        if (right <= left || bottom <= top) {
            glDisable(GL_BLEND);
            return D3D_OK;
        }
        glEnable(GL_SCISSOR_TEST);
        glScissor(left, static_cast<int>(height_) - bottom, right - left, bottom - top);
    } else {
        glDisable(GL_SCISSOR_TEST);
    }
    glUseProgram(text_.Program->Name());
    float ink[4];
    ColourOf(colour, ink);
    glUniform4f(text_.Ink, ink[0], ink[1], ink[2], ink[3]);
    glUniform2f(text_.Target, static_cast<float>(width_), static_cast<float>(height_));
    glBindSampler(0, 0);
    glBindVertexArray(textArray_->Name());

    const int lineSkip = face->LineSkip();
    int top = rect.top;
    for (const std::string& line : lines) {
        if (clip && top >= rect.bottom)
            break;
        if (!line.empty()) {
            if (const TextLine* drawn = TextLineFor(face, line)) {
                int left = rect.left;
                if ((format & DT_CENTER) != 0)
                    left = rect.left + (rect.right - rect.left - drawn->Width) / 2;
                else if ((format & DT_RIGHT) != 0)
                    left = rect.right - drawn->Width;
                glUseProgram(text_.Program->Name());
                glActiveTexture(GL_TEXTURE0);
                glBindTexture(GL_TEXTURE_2D, drawn->Texture->Name());
                glUniform4f(text_.Box, static_cast<float>(left), static_cast<float>(top),
                            static_cast<float>(drawn->Width), static_cast<float>(drawn->Height));
                glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
            }
        }
        top += lineSkip;
    }
    glBindVertexArray(0);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    return D3D_OK;
}

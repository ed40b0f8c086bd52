#include "framework/gl/GlDevice.h"

#include "framework/Utf8.h"
#include "framework/gl/GlFormats.h"

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

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

// The average of four RGBA texels, channel by channel, rounded: the channels are spread into
// the 16-bit lanes of a 64-bit number (the two even bytes in the low half, the two odd ones in
// the high half), summed there without carries between them, and gathered again.
std::uint32_t Average4(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, const std::uint8_t* d)
{
    constexpr std::uint64_t Lanes = 0x00FF00FF00FF00FFull;
    const auto spread = [](const std::uint8_t* texel) {
        std::uint32_t p = 0;
        std::memcpy(&p, texel, 4);
        return (std::uint64_t{p} & 0x00FF00FFu) | (std::uint64_t{(p >> 8) & 0x00FF00FFu} << 32);
    };
    const std::uint64_t sum = spread(a) + spread(b) + spread(c) + spread(d) + 0x0002000200020002ull;
    const std::uint64_t mean = (sum >> 2) & Lanes;
    return static_cast<std::uint32_t>(mean & 0x00FF00FFu) | static_cast<std::uint32_t>(mean >> 32) << 8;
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
        : context_(std::move(context)), buffer_(std::move(buffer)), length_(length),
          stream_(std::make_shared<GlStreamArray>())
    {
        stream_->Buffer = buffer_;
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
    const std::shared_ptr<GlStreamArray>& Stream() const { return stream_; }

private:
    std::shared_ptr<SdlGlContext> context_;
    GlObjectPtr buffer_;
    UINT length_;
    std::shared_ptr<GlStreamArray> stream_;
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
        return link_->Device->DrawIndexed(vertexArray_, first, count);
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
        // Textures, so that Present can draw them into the window.
        colour_[i] = MakeGlObject(context_, GlKind::Texture);
        glBindTexture(GL_TEXTURE_2D, colour_[i]->Name());
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(colourFormat), static_cast<GLsizei>(width_),
                     static_cast<GLsizei>(height_), 0, colourFormat == GL_RGB565 ? GL_RGB : GL_RGBA,
                     colourFormat == GL_RGB565 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        framebuffer_[i] = MakeGlObject(context_, GlKind::Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[i]->Name());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_[i]->Name(), 0);
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
    glBindTexture(GL_TEXTURE_2D, 0);

    std::string error;
    // Scene programs are compiled when a draw first needs their variant; the text program now,
    // which also shows whether the driver takes the device's shaders at all.
    if (!BuildTextProgram(context_, text_, error)) {
        std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    sampler_ = MakeGlObject(context_, GlKind::Sampler);
    presentArray_ = MakeGlObject(context_, GlKind::VertexArray);
    presentLinear_ = MakeGlObject(context_, GlKind::Sampler);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    textSampler_ = MakeGlObject(context_, GlKind::Sampler);
    glSamplerParameteri(textSampler_->Name(), GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glSamplerParameteri(textSampler_->Name(), GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glSamplerParameteri(textSampler_->Name(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(textSampler_->Name(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    textArray_ = MakeGlObject(context_, GlKind::VertexArray);
    textVertices_ = MakeGlObject(context_, GlKind::Buffer);
    glBindVertexArray(textArray_->Name());
    glBindBuffer(GL_ARRAY_BUFFER, textVertices_->Name());
    glBufferData(GL_ARRAY_BUFFER, sizeof textStaging_, nullptr, GL_DYNAMIC_DRAW);
    constexpr GLsizei corner = sizeof textStaging_[0];
    glEnableVertexAttribArray(TextPixelAttribute);
    glVertexAttribPointer(TextPixelAttribute, 2, GL_FLOAT, GL_FALSE, corner, nullptr);
    glEnableVertexAttribArray(TextAtlasAttribute);
    glVertexAttribPointer(TextAtlasAttribute, 2, GL_FLOAT, GL_FALSE, corner, reinterpret_cast<const void*>(8));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);

    // Direct3D's depth range is 0 to 1; keep it where the driver can, else remap in the shader.
    if (context_->HasClipControl())
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glUseProgram(text_.Program->Name());
    glUniform2f(text_.Target, static_cast<float>(width_), static_cast<float>(height_));
    glUseProgram(0);
    // State no draw of the device changes: text blends its coverage over the picture.
    glDisable(GL_DITHER);
    glPointSize(1.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glDepthFunc(GL_LEQUAL);
    glCullFace(GL_BACK);
    glActiveTexture(GL_TEXTURE0);

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
        if (std::memcmp(rgba, gl_.ClearColour, sizeof rgba) != 0) {
            glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
            std::memcpy(gl_.ClearColour, rgba, sizeof rgba);
        }
        bits |= GL_COLOR_BUFFER_BIT;
    }
    // Without a depth buffer the depth part is left out rather than refused, so a program that
    // names it anyway still clears its picture.
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && hasDepth_) {
        const double depth = std::clamp(static_cast<double>(z), 0.0, 1.0);
        if (depth != gl_.ClearDepth) {
            glClearDepth(depth);
            gl_.ClearDepth = depth;
        }
        if (gl_.DepthMask != 1) {
            glDepthMask(GL_TRUE);
            gl_.DepthMask = 1;
        }
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (bits == 0)
        return D3D_OK;
    // A frame starts here: someone else may have bound a framebuffer since the last one (the
    // adapter's format probe does).
    gl_.Framebuffer = ~0u;
    BindFramebuffer(framebuffer_[back_]->Name());
    SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    if (count == 0) {
        Switch(GL_SCISSOR_TEST, gl_.Scissor, false);
        glClear(bits);
        return D3D_OK;
    }
    Switch(GL_SCISSOR_TEST, gl_.Scissor, true);
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
    gl_.ScissorBox[0] = -1; // set above behind the record's back
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
    back_ = 1 - back_;
    return D3D_OK;
}

// Draws the back buffer into the window, scaled with its aspect ratio kept (black bars where it
// does not fill it), shows the window, and makes the other colour buffer the back buffer. The
// context must be current with the window. False when the driver cannot build the program.
bool GlDevice::ShowBackBuffer()
{
    SDL_Window* window = window_->Handle;
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    const double scale =
        std::min(static_cast<double>(drawableWidth) / width_, static_cast<double>(drawableHeight) / height_);
    const int shownWidth = std::max(1, static_cast<int>(std::lround(width_ * scale)));
    const int shownHeight = std::max(1, static_cast<int>(std::lround(height_ * scale)));
    BindFramebuffer(0);
    Switch(GL_SCISSOR_TEST, gl_.Scissor, false);
    // Setting the viewport is also when Mesa's software drivers notice a resized window.
    if (drawableWidth != drawableWidth_ || drawableHeight != drawableHeight_) {
        SetViewport(0, 0, drawableWidth, drawableHeight);
        drawableWidth_ = drawableWidth;
        drawableHeight_ = drawableHeight;
    }
    if (shownWidth != drawableWidth || shownHeight != drawableHeight) {
        const float black[4] = {0, 0, 0, 1};
        glClearColor(black[0], black[1], black[2], black[3]);
        std::memcpy(gl_.ClearColour, black, sizeof black);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    SetViewport((drawableWidth - shownWidth) / 2, (drawableHeight - shownHeight) / 2, shownWidth, shownHeight);
    Switch(GL_DEPTH_TEST, gl_.DepthTest, false);
    Switch(GL_CULL_FACE, gl_.CullFace, false);
    Switch(GL_BLEND, gl_.Blend, false);
    if (gl_.PolygonMode != GL_FILL) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl_.PolygonMode = GL_FILL;
    }
    const bool scaled = shownWidth != static_cast<int>(width_) || shownHeight != static_cast<int>(height_);
    PresentProgram& program = scaled ? presentScaled_ : presentCopy_;
    if (!program.Program) {
        std::string error;
        if (!BuildPresentProgram(context_, scaled, program, error)) {
            std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
            return false;
        }
        gl_.ProgramName = ~0u;
    }
    UseProgram(program.Program);
    const int offset[2] = {(drawableWidth - shownWidth) / 2, (drawableHeight - shownHeight) / 2};
    if (!scaled && std::memcmp(offset, presentOffset_, sizeof offset) != 0) {
        glUniform2i(program.Offset, offset[0], offset[1]);
        std::memcpy(presentOffset_, offset, sizeof offset);
    }
    BindVertexArray(presentArray_);
    BindTexture(colour_[back_]);
    BindSampler(presentLinear_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    SDL_GL_SwapWindow(window);
    back_ = 1 - back_;
    return true;
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
    gl_.Framebuffer = ~0u;
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
    // The mip levels are worked out here rather than by glGenerateMipmap: a software driver
    // draws them with shaders it must first compile, which made the first texture of a run cost
    // a few hundred milliseconds. Each level averages 2 x 2 texels of the one above (rounded;
    // the last row or column of an odd size is left out).
    std::vector<std::uint8_t> above;
    std::vector<std::uint8_t> below;
    const auto* source = static_cast<const std::uint8_t*>(rgba);
    std::size_t sourcePitch = pitch;
    UINT w = width;
    UINT h = height;
    for (UINT level = 1; level < MipLevels(width, height); ++level) {
        const UINT nextW = std::max(1u, w / 2);
        const UINT nextH = std::max(1u, h / 2);
        below.resize(static_cast<std::size_t>(nextW) * nextH * 4);
        // A side of 1 pairs each texel with itself.
        const std::size_t nextColumn = w > 1 ? 4 : 0;
        const std::size_t nextRow = h > 1 ? sourcePitch : 0;
        for (UINT y = 0; y < nextH; ++y) {
            const std::uint8_t* row0 = source + static_cast<std::size_t>(2 * y) * sourcePitch;
            const std::uint8_t* row1 = row0 + nextRow;
            std::uint8_t* texel = below.data() + static_cast<std::size_t>(y) * nextW * 4;
            for (std::size_t x0 = 0; x0 < static_cast<std::size_t>(nextW) * 8; x0 += 8, texel += 4) {
                const std::uint32_t mean = Average4(row0 + x0, row0 + x0 + nextColumn, row1 + x0, row1 + x0 + nextColumn);
                std::memcpy(texel, &mean, 4);
            }
        }
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA8, static_cast<GLsizei>(nextW),
                     static_cast<GLsizei>(nextH), 0, GL_RGBA, GL_UNSIGNED_BYTE, below.data());
        above.swap(below);
        source = above.data();
        sourcePitch = static_cast<std::size_t>(nextW) * 4;
        w = nextW;
        h = nextH;
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    ForgetGlState();
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
    ForgetGlState();
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

// ---- the context's state, as the device last set it ------------------------------------------

void GlDevice::ForgetGlState() { gl_ = GlState{}; }

void GlDevice::BindFramebuffer(GLuint framebuffer)
{
    if (gl_.Framebuffer != framebuffer) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        gl_.Framebuffer = framebuffer;
    }
}

void GlDevice::SetViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const GLint wanted[4] = {x, y, width, height};
    if (std::memcmp(gl_.Viewport, wanted, sizeof wanted) != 0) {
        glViewport(x, y, width, height);
        std::memcpy(gl_.Viewport, wanted, sizeof wanted);
    }
}

void GlDevice::Switch(GLenum capability, int& known, bool on)
{
    if (known != (on ? 1 : 0)) {
        if (on)
            glEnable(capability);
        else
            glDisable(capability);
        known = on ? 1 : 0;
    }
}

void GlDevice::UseProgram(const GlObjectPtr& program)
{
    if (gl_.ProgramName != program->Name()) {
        glUseProgram(program->Name());
        gl_.ProgramName = program->Name();
        gl_.Program = program;
    }
}

void GlDevice::BindVertexArray(const GlObjectPtr& array)
{
    if (gl_.VertexArrayName != array->Name()) {
        glBindVertexArray(array->Name());
        gl_.VertexArrayName = array->Name();
        gl_.VertexArray = array;
    }
}

void GlDevice::BindTexture(const GlObjectPtr& texture)
{
    const GLuint name = texture ? texture->Name() : 0;
    if (gl_.TextureName != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        gl_.TextureName = name;
        gl_.Texture = texture;
    }
}

void GlDevice::BindSampler(const GlObjectPtr& sampler)
{
    if (gl_.SamplerName != sampler->Name()) {
        glBindSampler(0, sampler->Name());
        gl_.SamplerName = sampler->Name();
        gl_.Sampler = sampler;
    }
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
        gl_.ProgramName = ~0u;
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
    if (use.Lights == lightsVersion_)
        return;
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
    use.Lights = lightsVersion_;
}

// The state every draw into the back buffer needs: where it draws, the depth test, culling and
// fill mode.
void GlDevice::ApplyRasterState()
{
    BindFramebuffer(framebuffer_[back_]->Name());
    SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    Switch(GL_SCISSOR_TEST, gl_.Scissor, false);
    Switch(GL_BLEND, gl_.Blend, false);
    const bool depth = zEnable_ != 0 && hasDepth_;
    Switch(GL_DEPTH_TEST, gl_.DepthTest, depth);
    if (depth && gl_.DepthMask != (zWrite_ != 0 ? 1 : 0)) {
        glDepthMask(zWrite_ != 0 ? GL_TRUE : GL_FALSE);
        gl_.DepthMask = zWrite_ != 0 ? 1 : 0;
    }
    // Direct3D names the winding that is removed, as it appears on the screen.
    const bool culls = cullMode_ == D3DCULL_CW || cullMode_ == D3DCULL_CCW;
    Switch(GL_CULL_FACE, gl_.CullFace, culls);
    const GLenum front = cullMode_ == D3DCULL_CCW ? GL_CW : GL_CCW;
    if (culls && gl_.FrontFace != front) {
        glFrontFace(front);
        gl_.FrontFace = front;
    }
    const GLenum polygonMode = fillMode_ == D3DFILL_POINT ? GL_POINT : fillMode_ == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
    if (gl_.PolygonMode != polygonMode) {
        glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
        gl_.PolygonMode = polygonMode;
    }
}

bool GlDevice::ApplyDrawState()
{
    ApplyRasterState();
    if (variantDirty_ && !SelectSceneProgram())
        return false;
    UseProgram(scene_->Program.Program);
    UploadSceneUniforms();
    BindTexture(texture_);
    if (samplerDirty_)
        UpdateSampler();
    BindSampler(sampler_);
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
    BindVertexArray(stream.Array);
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
    BindVertexArray(vertexArray);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                   reinterpret_cast<const void*>(static_cast<std::uintptr_t>(first) * sizeof(std::uint32_t)));
    return D3D_OK;
}

// ---- text ------------------------------------------------------------------------------------

namespace {

// The next character of UTF-8 text from at; a byte that starts no well-formed character reads
// as U+FFFD.
char32_t NextCharacter(std::string_view text, std::size_t& at)
{
    return NextUtf8Character(text, at).value_or(U'\uFFFD');
}

} // namespace

GlyphAtlas& GlDevice::AtlasFor(const std::shared_ptr<TtfFace>& face)
{
    for (const auto& atlas : atlases_)
        if (atlas->FaceId() == face->Id())
            return *atlas;
    atlases_.push_back(std::make_unique<GlyphAtlas>(context_, face, static_cast<int>(maxTextureSize_)));
    gl_.TextureName = ~0u; // the atlas bound its texture
    return *atlases_.back();
}

HRESULT GlDevice::DrawText(const std::shared_ptr<TtfFace>& face, const std::string& text, const RECT& rect,
                           DWORD format, D3DCOLOR colour)
{
    if (!face)
        return D3DERR_INVALIDCALL;
    if (!context_->Use())
        return D3DERR_DEVICELOST;
    const bool clip = (format & DT_NOCLIP) == 0;
    GLint box[4] = {0, 0, 0, 0};
    if (clip) {
        const int left = std::clamp(rect.left, 0, static_cast<int>(width_));
        const int right = std::clamp(rect.right, 0, static_cast<int>(width_));
        const int top = std::clamp(rect.top, 0, static_cast<int>(height_));
        const int bottom = std::clamp(rect.bottom, 0, static_cast<int>(height_));
        if (right <= left || bottom <= top)
            return D3D_OK;
        box[0] = left;
        box[1] = static_cast<int>(height_) - bottom;
        box[2] = right - left;
        box[3] = bottom - top;
    }
    GlyphAtlas& atlas = AtlasFor(face);

    BindFramebuffer(framebuffer_[back_]->Name());
    SetViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
    Switch(GL_DEPTH_TEST, gl_.DepthTest, false);
    Switch(GL_CULL_FACE, gl_.CullFace, false);
    if (gl_.PolygonMode != GL_FILL) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        gl_.PolygonMode = GL_FILL;
    }
    Switch(GL_BLEND, gl_.Blend, true);
    Switch(GL_SCISSOR_TEST, gl_.Scissor, clip);
    if (clip && std::memcmp(box, gl_.ScissorBox, sizeof box) != 0) {
        glScissor(box[0], box[1], box[2], box[3]);
        std::memcpy(gl_.ScissorBox, box, sizeof box);
    }
    UseProgram(text_.Program);
    BindVertexArray(textArray_);
    BindSampler(textSampler_);
    if (!inkKnown_ || inkUniform_ != colour) {
        float ink[4];
        ColourOf(colour, ink);
        glUniform4f(text_.Ink, ink[0], ink[1], ink[2], ink[3]);
        inkUniform_ = colour;
        inkKnown_ = true;
    }

    // The same text in the same place as the batch the vertex buffer holds: draw it again.
    TextBatchMemo& memo = textMemo_;
    if (memo.Glyphs >= 0 && memo.Face == face->Id() && memo.Generation == atlas.Generation() &&
        memo.Format == format && memo.Rect.left == rect.left && memo.Rect.top == rect.top &&
        memo.Rect.right == rect.right && memo.Rect.bottom == rect.bottom && memo.Text == text) {
        BindTexture(atlas.Texture());
        if (memo.Glyphs > 0)
            glDrawArrays(GL_TRIANGLES, 0, memo.Glyphs * 6);
        return D3D_OK;
    }

    // Lines break at line feeds (a carriage return before one is dropped) unless asked not to.
    const std::string_view all(text);
    int count = 0;
    int batches = 0;
    int held = 0; // glyphs of the last batch handed to the vertex buffer
    const auto flush = [&] {
        if (count == 0)
            return;
        if (atlas.Sync())
            gl_.TextureName = ~0u; // the atlas bound its texture to hand it the new glyphs
        BindTexture(atlas.Texture());
        for (int i = 0; i < count * 6; ++i) {
            textStaging_[i][2] /= static_cast<float>(atlas.Width());
            textStaging_[i][3] /= static_cast<float>(atlas.Height());
        }
        glBindBuffer(GL_ARRAY_BUFFER, textVertices_->Name());
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(count) * 6 * GLsizeiptr{sizeof textStaging_[0]},
                        textStaging_);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDrawArrays(GL_TRIANGLES, 0, count * 6);
        held = count;
        count = 0;
        ++batches;
    };
    const int lineSkip = atlas.LineSkip();
    int top = rect.top;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = (format & DT_SINGLELINE) != 0 ? std::string_view::npos : all.find('\n', start);
        std::string_view line = all.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (end != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (clip && top >= rect.bottom)
            break;
        int left = rect.left;
        if ((format & (DT_CENTER | DT_RIGHT)) != 0) {
            int width = 0;
            char32_t previous = 0;
            for (std::size_t at = 0; at < line.size();) {
                const char32_t c = NextCharacter(line, at);
                width += (previous != 0 ? atlas.Kerning(previous, c) : 0) + atlas.Find(c).Advance;
                previous = c;
            }
            left = (format & DT_CENTER) != 0 ? rect.left + (rect.right - rect.left - width) / 2 : rect.right - width;
        }
        int pen = left;
        char32_t previous = 0;
        for (std::size_t at = 0; at < line.size();) {
            const char32_t c = NextCharacter(line, at);
            if (previous != 0)
                pen += atlas.Kerning(previous, c);
            const GlyphAtlas::Glyph& glyph = atlas.Find(c);
            if (glyph.Width > 0) {
                if (count == TextGlyphs)
                    flush();
                // Two triangles over the glyph's box; atlas places in texels until the flush.
                const auto x0 = static_cast<float>(pen + glyph.Left);
                const auto y0 = static_cast<float>(top);
                const float x1 = x0 + static_cast<float>(glyph.Width);
                const float y1 = y0 + static_cast<float>(glyph.Height);
                const auto u0 = static_cast<float>(glyph.X);
                const auto v0 = static_cast<float>(glyph.Y);
                const auto u1 = static_cast<float>(glyph.X + glyph.Width);
                const auto v1 = static_cast<float>(glyph.Y + glyph.Height);
                const float corners[6][4] = {{x0, y0, u0, v0}, {x1, y0, u1, v0}, {x0, y1, u0, v1},
                                             {x0, y1, u0, v1}, {x1, y0, u1, v0}, {x1, y1, u1, v1}};
                std::memcpy(textStaging_[count * 6], corners, sizeof corners);
                ++count;
            }
            pen += glyph.Advance;
            previous = c;
        }
        top += lineSkip;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    flush();
    memo.Glyphs = batches <= 1 ? held : -1;
    memo.Face = face->Id();
    memo.Generation = atlas.Generation();
    memo.Format = format;
    memo.Rect = rect;
    memo.Text = text;
    return D3D_OK;
}

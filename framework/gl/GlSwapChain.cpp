#include "framework/gl/GlSwapChain.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

HRESULT GlSwapChain::Build(const std::shared_ptr<SdlGlContext>& context, UINT width, UINT height,
                           GLenum colourFormat, DepthFormat depth)
{
    context_ = context;
    width_ = width;
    height_ = height;
    const HRESULT hr = MakeBuffers(colourFormat, depth);
    if (Failed(hr))
        return hr;
    presentArray_ = MakeGlObject(context_, GlKind::VertexArray);
    presentLinear_ = MakeGlObject(context_, GlKind::Sampler);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(presentLinear_->Name(), GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return D3D_OK;
}

HRESULT GlSwapChain::MakeBuffers(GLenum colourFormat, DepthFormat depth)
{
    const bool hasDepth = depth.Internal != 0;
    while (glGetError() != GL_NO_ERROR) {
    }
    if (hasDepth) {
        depth_ = MakeGlObject(context_, GlKind::Renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depth_->Name());
        glRenderbufferStorage(GL_RENDERBUFFER, depth.Internal, static_cast<GLsizei>(width_),
                              static_cast<GLsizei>(height_));
    }
    for (int i = 0; i < 2; ++i) {
        // Textures, so that Show can draw them into the window.
        colour_[i] = MakeGlObject(context_, GlKind::Texture);
        glBindTexture(GL_TEXTURE_2D, colour_[i]->Name());
        glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(colourFormat), static_cast<GLsizei>(width_),
                     static_cast<GLsizei>(height_), 0, colourFormat == GL_RGB565 ? GL_RGB : GL_RGBA,
                     colourFormat == GL_RGB565 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        framebuffer_[i] = MakeGlObject(context_, GlKind::Framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_[i]->Name());
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour_[i]->Name(), 0);
        if (hasDepth)
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, depth.Attachment, GL_RENDERBUFFER, depth_->Name());
        const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
        const GLenum error = glGetError();
        if (error == GL_OUT_OF_MEMORY)
            return D3DERR_OUTOFVIDEOMEMORY;
        if (status != GL_FRAMEBUFFER_COMPLETE || error != GL_NO_ERROR)
            return D3DERR_NOTAVAILABLE;
        glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | (hasDepth ? GL_DEPTH_BUFFER_BIT : 0));
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    return D3D_OK;
}

bool GlSwapChain::Show(SDL_Window* window, GlStateCache& state)
{
    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
    const double scale =
        std::min(static_cast<double>(drawableWidth) / width_, static_cast<double>(drawableHeight) / height_);
    const int shownWidth = std::max(1, static_cast<int>(std::lround(width_ * scale)));
    const int shownHeight = std::max(1, static_cast<int>(std::lround(height_ * scale)));
    state.BindFramebuffer(0);
    state.ScissorTest(false);
    // Setting the viewport is also when Mesa's software drivers notice a resized window.
    if (drawableWidth != drawableWidth_ || drawableHeight != drawableHeight_) {
        state.SetViewport(0, 0, drawableWidth, drawableHeight);
        drawableWidth_ = drawableWidth;
        drawableHeight_ = drawableHeight;
    }
    if (shownWidth != drawableWidth || shownHeight != drawableHeight) {
        const float black[4] = {0, 0, 0, 1};
        state.ClearColour(black);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    const int offset[2] = {(drawableWidth - shownWidth) / 2, (drawableHeight - shownHeight) / 2};
    state.SetViewport(offset[0], offset[1], shownWidth, shownHeight);
    state.DepthTest(false);
    state.CullFace(false);
    state.Blend(false);
    state.PolygonMode(GL_FILL);
    const bool scaled = shownWidth != static_cast<int>(width_) || shownHeight != static_cast<int>(height_);
    PresentProgram* program = PresentProgramFor(scaled, state);
    if (program == nullptr)
        return false;
    state.UseProgram(program->Program);
    if (!scaled && std::memcmp(offset, presentOffset_, sizeof offset) != 0) {
        glUniform2i(program->Offset, offset[0], offset[1]);
        std::memcpy(presentOffset_, offset, sizeof offset);
    }
    state.BindVertexArray(presentArray_);
    state.BindTexture(colour_[back_]);
    state.BindSampler(presentLinear_);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    SDL_GL_SwapWindow(window);
    Flip();
    return true;
}

// The copy or the scaled present program, built the first time it is needed; null when the
// driver cannot build it.
PresentProgram* GlSwapChain::PresentProgramFor(bool scaled, GlStateCache& state)
{
    PresentProgram& program = scaled ? presentScaled_ : presentCopy_;
    if (!program.Program) {
        std::string error;
        if (!BuildPresentProgram(context_, scaled, program, error)) {
            std::fprintf(stderr, "OpenGL device: %s\n", error.c_str());
            return nullptr;
        }
        state.ForgetProgram();
    }
    return &program;
}

void GlSwapChain::ReadFront(ImageARGB& out, GlStateCache& state) const
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width_) * height_);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_[1 - back_]->Name());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    state.ForgetFramebuffer();
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
}

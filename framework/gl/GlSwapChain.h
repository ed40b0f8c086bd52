// The device's presentation: a back and a front buffer, each a colour texture of exactly the
// back buffer's size and format in a framebuffer of its own (sharing one depth buffer, as only
// the back one is ever drawn into), and the drawing of the back buffer into the window.
//
// Show draws the back buffer into the window scaled with its aspect ratio kept, then the two
// buffers change places (the flip swap effect), so the front one holds the frame last
// presented. It draws rather than blits: a software driver blits with shaders of its own that
// it compiles anew in every run.
#pragma once

#include "framework/Device.h"
#include "framework/gl/GlFormats.h"
#include "framework/gl/GlShaders.h"
#include "framework/gl/GlStateCache.h"

#include <SDL2/SDL.h>

#include <memory>

class GlSwapChain {
public:
    // Makes both buffers and clears them (colour to black, depth to 1; depth.Internal 0 for
    // none). The context must be current; the framebuffer binding, viewport and clear values
    // are left as the clearing set them. D3DERR_OUTOFVIDEOMEMORY or D3DERR_NOTAVAILABLE when the
    // driver cannot make them.
    HRESULT Build(const std::shared_ptr<SdlGlContext>& context, UINT width, UINT height, GLenum colourFormat,
                  DepthFormat depth);

    GLuint BackFramebuffer() const { return framebuffer_[back_]->Name(); }
    // Draws the back buffer into window (black bars where it does not fill it), shows the
    // window, and makes the other buffer the back buffer. The context must be current with the
    // window. False when the driver cannot build the present program.
    bool Show(SDL_Window* window, GlStateCache& state);
    // The buffers change places without showing anything (no window to show them in).
    void Flip() { back_ = 1 - back_; }
    // The front buffer's picture, top row first, opaque. The context must be current; the
    // framebuffer binding is left unknown to state.
    void ReadFront(ImageARGB& out, GlStateCache& state) const;

private:
    HRESULT MakeBuffers(GLenum colourFormat, DepthFormat depth);
    PresentProgram* PresentProgramFor(bool scaled, GlStateCache& state);

    std::shared_ptr<SdlGlContext> context_;
    UINT width_ = 0;
    UINT height_ = 0;
    GlObjectPtr colour_[2];
    GlObjectPtr framebuffer_[2];
    GlObjectPtr depth_;
    int back_ = 0; // index of the back buffer; the other one is the front

    // The present programs, made at their first use: the copy, and the scaled one for a window
    // of another size.
    PresentProgram presentCopy_;
    PresentProgram presentScaled_;
    int presentOffset_[2] = {-1, -1}; // what the copy program holds
    GlObjectPtr presentArray_; // no attributes: the present triangle needs none
    GlObjectPtr presentLinear_;
    int drawableWidth_ = -1; // the window's size at the last Show
    int drawableHeight_ = -1;
};

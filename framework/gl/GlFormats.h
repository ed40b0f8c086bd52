// Direct3D formats as OpenGL renderbuffer formats, and the test of whether a framebuffer made of
// them works on this driver.
#pragma once

#include "framework/D3D8Types.h"

#include <epoxy/gl.h>

// The renderbuffer format of a back-buffer format; 0 when there is none.
GLenum ColourFormatFor(D3DFORMAT format);

struct DepthFormat {
    GLenum Internal = 0;   // 0 when the format is not a depth format the device offers
    GLenum Attachment = 0; // GL_DEPTH_ATTACHMENT or GL_DEPTH_STENCIL_ATTACHMENT
};
DepthFormat DepthFormatFor(D3DFORMAT format);

// Whether a framebuffer with these attachments is complete (depth may be 0 for none). The
// context must be current; the framebuffer binding is left at 0.
bool FramebufferWorks(GLenum colour, DepthFormat depth);

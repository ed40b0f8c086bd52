// Direct3D formats as OpenGL renderbuffer formats, the test of whether a framebuffer made of them
// works on this driver, and Direct3D colours as OpenGL's.
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

// A Direct3D colour (alpha, red, green, blue bytes) as OpenGL's red, green, blue and alpha from
// 0 to 1.
inline void ColourOf(D3DCOLOR colour, float out[4])
{
    out[0] = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    out[1] = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
    out[2] = static_cast<float>(colour & 0xFF) / 255.0f;
    out[3] = static_cast<float>((colour >> 24) & 0xFF) / 255.0f;
}

// Whether a framebuffer with these attachments is complete (depth may be 0 for none). The
// context must be current; the framebuffer binding is left at 0.
bool FramebufferWorks(GLenum colour, DepthFormat depth);

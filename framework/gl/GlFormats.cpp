#include "framework/gl/GlFormats.h"

GLenum ColourFormatFor(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8R8G8B8: return GL_RGBA8;
    case D3DFMT_R5G6B5: return GL_RGB565;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5: return GL_RGB5_A1;
    default: return 0;
    }
}

DepthFormat DepthFormatFor(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D32: return {GL_DEPTH_COMPONENT32, GL_DEPTH_ATTACHMENT};
    case D3DFMT_D24X8: return {GL_DEPTH_COMPONENT24, GL_DEPTH_ATTACHMENT};
    case D3DFMT_D16: return {GL_DEPTH_COMPONENT16, GL_DEPTH_ATTACHMENT};
    case D3DFMT_D24S8: return {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL_ATTACHMENT};
    default: return {};
    }
}

bool FramebufferWorks(GLenum colour, DepthFormat depth)
{
    while (glGetError() != GL_NO_ERROR) {
    }
    GLuint framebuffer = 0;
    GLuint buffers[2] = {0, 0};
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(2, buffers);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, colour, 16, 16);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    if (depth.Internal != 0) {
        glBindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
        glRenderbufferStorage(GL_RENDERBUFFER, depth.Internal, 16, 16);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, depth.Attachment, GL_RENDERBUFFER, buffers[1]);
    }
    const bool works =
        glGetError() == GL_NO_ERROR && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(2, buffers);
    glDeleteFramebuffers(1, &framebuffer);
    return works;
}

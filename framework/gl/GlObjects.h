// OpenGL objects owned through shared pointers: each deletes its name, with the context made
// current, when its last owner lets go. Resources and the device share them, so a texture or a
// vertex buffer still set on the device stays valid after the caller has dropped it (as a
// Direct3D reference would keep it), and one dropped after the device is gone is still deleted
// in a live context.
#pragma once

#include "framework/sdl/SdlGlContext.h"

#include <epoxy/gl.h>

#include <memory>

enum class GlKind { Texture, Buffer, VertexArray, Renderbuffer, Framebuffer, Sampler, Program, Query };

class GlObject {
public:
    // Makes a new object of kind; the context must be current.
    GlObject(std::shared_ptr<SdlGlContext> context, GlKind kind);
    ~GlObject();
    GlObject(const GlObject&) = delete;
    GlObject& operator=(const GlObject&) = delete;

    GLuint Name() const { return name_; }

private:
    std::shared_ptr<SdlGlContext> context_;
    GlKind kind_;
    GLuint name_ = 0;
};

using GlObjectPtr = std::shared_ptr<GlObject>;

inline GlObjectPtr MakeGlObject(const std::shared_ptr<SdlGlContext>& context, GlKind kind)
{
    return std::make_shared<GlObject>(context, kind);
}

#include "framework/gl/GlObjects.h"

GlObject::GlObject(std::shared_ptr<SdlGlContext> context, GlKind kind) : context_(std::move(context)), kind_(kind)
{
    switch (kind_) {
    case GlKind::Texture: glGenTextures(1, &name_); break;
    case GlKind::Buffer: glGenBuffers(1, &name_); break;
    case GlKind::VertexArray: glGenVertexArrays(1, &name_); break;
    case GlKind::Renderbuffer: glGenRenderbuffers(1, &name_); break;
    case GlKind::Framebuffer: glGenFramebuffers(1, &name_); break;
    case GlKind::Sampler: glGenSamplers(1, &name_); break;
    case GlKind::Program: name_ = glCreateProgram(); break;
    case GlKind::Query: glGenQueries(1, &name_); break;
    }
}

GlObject::~GlObject()
{
    if (name_ == 0 || !context_->Use())
        return;
    switch (kind_) {
    case GlKind::Texture: glDeleteTextures(1, &name_); break;
    case GlKind::Buffer: glDeleteBuffers(1, &name_); break;
    case GlKind::VertexArray: glDeleteVertexArrays(1, &name_); break;
    case GlKind::Renderbuffer: glDeleteRenderbuffers(1, &name_); break;
    case GlKind::Framebuffer: glDeleteFramebuffers(1, &name_); break;
    case GlKind::Sampler: glDeleteSamplers(1, &name_); break;
    case GlKind::Program: glDeleteProgram(name_); break;
    case GlKind::Query: glDeleteQueries(1, &name_); break;
    }
}

#include "framework/gl/GlStateCache.h"

#include <cstring>

void GlStateCache::Switch(GLenum capability, int& known, bool on)
{
    if (known != (on ? 1 : 0)) {
        if (on)
            glEnable(capability);
        else
            glDisable(capability);
        known = on ? 1 : 0;
    }
}

void GlStateCache::BindFramebuffer(GLuint framebuffer)
{
    if (framebuffer_ != framebuffer) {
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        framebuffer_ = framebuffer;
    }
}

void GlStateCache::SetViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const GLint wanted[4] = {x, y, width, height};
    if (std::memcmp(viewport_, wanted, sizeof wanted) != 0) {
        glViewport(x, y, width, height);
        std::memcpy(viewport_, wanted, sizeof wanted);
    }
}

void GlStateCache::SetScissor(const GLint box[4])
{
    if (std::memcmp(scissorBox_, box, sizeof scissorBox_) != 0) {
        glScissor(box[0], box[1], box[2], box[3]);
        std::memcpy(scissorBox_, box, sizeof scissorBox_);
    }
}

void GlStateCache::DepthMask(bool on)
{
    if (depthMask_ != (on ? 1 : 0)) {
        glDepthMask(on ? GL_TRUE : GL_FALSE);
        depthMask_ = on ? 1 : 0;
    }
}

void GlStateCache::FrontFace(GLenum front)
{
    if (frontFace_ != front) {
        glFrontFace(front);
        frontFace_ = front;
    }
}

void GlStateCache::PolygonMode(GLenum mode)
{
    if (polygonMode_ != mode) {
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        polygonMode_ = mode;
    }
}

void GlStateCache::ClearColour(const float rgba[4])
{
    if (std::memcmp(clearColour_, rgba, sizeof clearColour_) != 0) {
        glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
        std::memcpy(clearColour_, rgba, sizeof clearColour_);
    }
}

void GlStateCache::ClearDepth(double depth)
{
    if (clearDepth_ != depth) {
        glClearDepth(depth);
        clearDepth_ = depth;
    }
}

void GlStateCache::UseProgram(const GlObjectPtr& program)
{
    if (programName_ != program->Name()) {
        glUseProgram(program->Name());
        programName_ = program->Name();
        program_ = program;
    }
}

void GlStateCache::BindVertexArray(const GlObjectPtr& array)
{
    if (vertexArrayName_ != array->Name()) {
        glBindVertexArray(array->Name());
        vertexArrayName_ = array->Name();
        vertexArray_ = array;
    }
}

void GlStateCache::BindTexture(const GlObjectPtr& texture)
{
    const GLuint name = texture ? texture->Name() : 0;
    if (textureName_ != name) {
        glBindTexture(GL_TEXTURE_2D, name);
        textureName_ = name;
        texture_ = texture;
    }
}

void GlStateCache::BindSampler(const GlObjectPtr& sampler)
{
    if (samplerName_ != sampler->Name()) {
        glBindSampler(0, sampler->Name());
        samplerName_ = sampler->Name();
        sampler_ = sampler;
    }
}

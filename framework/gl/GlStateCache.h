// What the OpenGL context holds, as the device last set it: each setter calls OpenGL only when
// the value differs from the one recorded. Every record starts unknown, so the first use sets it.
// Whoever sets a piece of state past the cache (a program build, an atlas upload, a read-back)
// makes that record unknown again; ForgetAll does so for all of them after someone else drew
// with the context.
#pragma once

#include "framework/gl/GlObjects.h"

class GlStateCache {
public:
    void ForgetAll() { *this = GlStateCache{}; }
    void ForgetFramebuffer() { framebuffer_ = ~0u; }
    void ForgetProgram() { programName_ = ~0u; }
    void ForgetTexture() { textureName_ = ~0u; }

    // The draw framebuffer (GL_FRAMEBUFFER: both draw and read).
    void BindFramebuffer(GLuint framebuffer);
    void SetViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void SetScissor(const GLint box[4]);
    void DepthTest(bool on) { Switch(GL_DEPTH_TEST, depthTest_, on); }
    void CullFace(bool on) { Switch(GL_CULL_FACE, cullFace_, on); }
    void Blend(bool on) { Switch(GL_BLEND, blend_, on); }
    void ScissorTest(bool on) { Switch(GL_SCISSOR_TEST, scissorTest_, on); }
    void DepthMask(bool on);
    void FrontFace(GLenum front);
    void PolygonMode(GLenum mode); // of front and back faces
    void ClearColour(const float rgba[4]);
    void ClearDepth(double depth);

    // Bound objects are kept alive while bound, so that their names cannot be reused meanwhile.
    void UseProgram(const GlObjectPtr& program);
    void BindVertexArray(const GlObjectPtr& array);
    void BindTexture(const GlObjectPtr& texture); // texture unit 0; null unbinds
    void BindSampler(const GlObjectPtr& sampler); // texture unit 0

private:
    // A capability's record: -1 unknown, 0 off, 1 on.
    static void Switch(GLenum capability, int& known, bool on);

    GLuint framebuffer_ = ~0u;
    GLint viewport_[4] = {-1, -1, -1, -1};
    GLint scissorBox_[4] = {-1, -1, -1, -1};
    int depthTest_ = -1;
    int depthMask_ = -1;
    int cullFace_ = -1;
    int blend_ = -1;
    int scissorTest_ = -1;
    GLenum frontFace_ = 0;
    GLenum polygonMode_ = 0;
    float clearColour_[4] = {-1, -1, -1, -1};
    double clearDepth_ = -1;
    // Bound objects by name (~0: unknown).
    GLuint programName_ = ~0u;
    GLuint vertexArrayName_ = ~0u;
    GLuint textureName_ = ~0u;
    GLuint samplerName_ = ~0u;
    GlObjectPtr program_;
    GlObjectPtr vertexArray_;
    GlObjectPtr texture_;
    GlObjectPtr sampler_;
};

#include "framework/gl/GlReference.h"

#include "framework/gl/GlDevice.h"
#include "framework/gl/GlFormats.h"

#include <glm/glm.hpp>
#include <glm/gtc/type_ptr.hpp>

#include <cmath>

// The device keeps this class as a friend: it draws into the device's back buffer with the
// device's state as the game's frames left it, and hands the device its context back.
class GlReference final : public ReferenceRenderer {
public:
    GlReference(GlDevice& device, const std::vector<Batch>& batches, std::string& error);
    bool Ready() const { return ready_; }
    void DrawFrame(const D3DMATRIX& view, const D3DVECTOR& eye) override;
    void DrawDepths(const D3DMATRIX& view) override;
    void DrawVisible(const D3DMATRIX& view, const D3DVECTOR& eye) override;
    Fragments CountFragments(const D3DMATRIX& view, const D3DVECTOR& eye) override;

private:
    struct Range {
        GlObjectPtr Texture;
        GLint First = 0;
        GLsizei Count = 0;
    };

    bool FindLights(std::string& error);
    void CopyBatches(const std::vector<Batch>& batches);
    void MakeVertexArray();
    void CopySampler();
    void SetUniforms();
    void Begin(DWORD clear, const D3DMATRIX& view, const D3DVECTOR& eye);
    void DrawRanges(bool textured);
    void Show();

    GlDevice& device_;
    bool ready_ = false;
    D3DLIGHT8 sun_{};
    D3DLIGHT8 lamp_{};
    ReferenceProgram program_;
    GlObjectPtr vertices_;
    GlObjectPtr array_;
    GlObjectPtr sampler_;
    GlObjectPtr white_;
    GlObjectPtr query_;
    std::vector<Range> ranges_;
    glm::mat4 projection_{1.0f};
};

namespace {

glm::mat4 ToGlm(const D3DMATRIX& m) { return glm::make_mat4(&m.m[0][0]); }

} // namespace

GlReference::GlReference(GlDevice& device, const std::vector<Batch>& batches, std::string& error) : device_(device)
{
    if (!device.context_->Use()) {
        error = "the OpenGL context cannot be made current";
        return;
    }
    if (!FindLights(error) || !BuildReferenceProgram(device.context_, program_, error))
        return;
    CopyBatches(batches);
    MakeVertexArray();
    CopySampler();
    SetUniforms();
    projection_ = ToGlm(device.projection_);
    device.ForgetGlState(); // the set-up bound objects of its own
    ready_ = glGetError() == GL_NO_ERROR;
    if (!ready_)
        error = "the graphics driver refused the reference's set-up";
}

// The demo's lighting: one directional light and one point light, enabled in that order.
bool GlReference::FindLights(std::string& error)
{
    std::vector<const D3DLIGHT8*> lights;
    for (const auto& [index, slot] : device_.lights_)
        if (slot.Enabled)
            lights.push_back(&slot.Light);
    if (lights.size() != 2 || lights[0]->Type != D3DLIGHT_DIRECTIONAL || lights[1]->Type != D3DLIGHT_POINT) {
        error = "the reference draws one directional light and then one point light";
        return false;
    }
    sun_ = *lights[0];
    lamp_ = *lights[1];
    return true;
}

// One vertex buffer holding every batch, copied on the graphics side; a run of batches with one
// texture is one range. Batches without a texture are drawn with a white one.
void GlReference::CopyBatches(const std::vector<Batch>& batches)
{
    const auto& context = device_.context_;
    GLsizeiptr total = 0;
    for (const Batch& batch : batches)
        total += static_cast<GLsizeiptr>(batch.VertexCount) * static_cast<GLsizeiptr>(sizeof(Vertex));
    vertices_ = MakeGlObject(context, GlKind::Buffer);
    glBindBuffer(GL_COPY_WRITE_BUFFER, vertices_->Name());
    glBufferData(GL_COPY_WRITE_BUFFER, total, nullptr, GL_STATIC_DRAW);
    white_ = MakeGlObject(context, GlKind::Texture);
    const std::uint32_t white = 0xFFFFFFFF;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, white_->Name());
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, &white);
    GLint first = 0;
    for (const Batch& batch : batches) {
        const GLuint source = GlDevice::BufferName(batch.Buffer);
        if (source == 0 || batch.VertexCount == 0)
            continue;
        auto* texture = dynamic_cast<GlTexture*>(batch.Texture);
        const GlObjectPtr& name = texture != nullptr ? texture->Object() : white_;
        const auto count = static_cast<GLsizei>(batch.VertexCount);
        glBindBuffer(GL_COPY_READ_BUFFER, source);
        glCopyBufferSubData(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, 0,
                            static_cast<GLintptr>(first) * static_cast<GLintptr>(sizeof(Vertex)),
                            static_cast<GLsizeiptr>(count) * static_cast<GLsizeiptr>(sizeof(Vertex)));
        if (!ranges_.empty() && ranges_.back().Texture == name)
            ranges_.back().Count += count;
        else
            ranges_.push_back({name, first, count});
        first += count;
    }
    glBindBuffer(GL_COPY_READ_BUFFER, 0);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

void GlReference::MakeVertexArray()
{
    array_ = MakeGlObject(device_.context_, GlKind::VertexArray);
    glBindVertexArray(array_->Name());
    glBindBuffer(GL_ARRAY_BUFFER, vertices_->Name());
    glEnableVertexAttribArray(PositionAttribute);
    glVertexAttribPointer(PositionAttribute, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glEnableVertexAttribArray(NormalAttribute);
    glVertexAttribPointer(NormalAttribute, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(12));
    glEnableVertexAttribArray(TexCoordAttribute);
    glVertexAttribPointer(TexCoordAttribute, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<const void*>(24));
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// The device's texture filters, as its sampler holds them.
void GlReference::CopySampler()
{
    if (device_.samplerDirty_)
        device_.UpdateSampler();
    sampler_ = MakeGlObject(device_.context_, GlKind::Sampler);
    for (const GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) {
        GLint value = 0;
        glGetSamplerParameteriv(device_.sampler_->Name(), parameter, &value);
        glSamplerParameteri(sampler_->Name(), parameter, value);
    }
}

// Lights and ambient light as the device would hand them to its scene program.
void GlReference::SetUniforms()
{
    const D3DLIGHT8& sun = sun_;
    const D3DLIGHT8& lamp = lamp_;
    const float length = std::sqrt(sun.Direction.x * sun.Direction.x + sun.Direction.y * sun.Direction.y +
                                   sun.Direction.z * sun.Direction.z);
    float ambient[4];
    ColourOf(device_.ambient_, ambient);
    glUseProgram(program_.Program->Name());
    glUniform1i(program_.RemapDepth, device_.context_->HasClipControl() ? 0 : 1);
    glUniform3f(program_.Ambient, ambient[0], ambient[1], ambient[2]);
    glUniform3f(program_.SunDirection, sun.Direction.x / length, sun.Direction.y / length, sun.Direction.z / length);
    glUniform3f(program_.SunDiffuse, sun.Diffuse.r, sun.Diffuse.g, sun.Diffuse.b);
    glUniform3f(program_.LampDiffuse, lamp.Diffuse.r, lamp.Diffuse.g, lamp.Diffuse.b);
    glUniform4f(program_.LampAttenuation, lamp.Attenuation0, lamp.Attenuation1, lamp.Attenuation2, lamp.Range);
    glUseProgram(0);
}

// The device's own state changes go through its record of the context, so both keep track of
// what is set: from frame to frame only what the present pass changed is set again.
void GlReference::Begin(DWORD clear, const D3DMATRIX& view, const D3DVECTOR& eye)
{
    GlDevice& d = device_;
    d.context_->UseWith(d.window_->Handle);
    d.Clear(0, nullptr, clear, 0, 1.0f, 0);
    d.ApplyRasterState();
    d.state_.UseProgram(program_.Program);
    d.state_.BindVertexArray(array_);
    d.state_.BindSampler(sampler_);
    const glm::mat4 viewProjection = projection_ * ToGlm(view);
    glUniformMatrix4fv(program_.ViewProjection, 1, GL_FALSE, glm::value_ptr(viewProjection));
    glUniform3f(program_.LampPosition, eye.x, eye.y, eye.z);
}

void GlReference::DrawRanges(bool textured)
{
    for (const Range& range : ranges_) {
        if (textured)
            device_.state_.BindTexture(range.Texture);
        glDrawArrays(GL_TRIANGLES, range.First, range.Count);
    }
}

void GlReference::Show()
{
    if (!device_.ShowBackBuffer())
        throw GraphicsError(D3DERR_NOTAVAILABLE, "presenting the reference's frame");
}

void GlReference::DrawFrame(const D3DMATRIX& view, const D3DVECTOR& eye)
{
    Begin(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, view, eye);
    DrawRanges(true);
    Show();
}

// The same program draws both passes, so the depths are the same ones.
void GlReference::DrawDepths(const D3DMATRIX& view)
{
    Begin(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, view, D3DVECTOR{});
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    DrawRanges(false);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glFinish();
}

void GlReference::DrawVisible(const D3DMATRIX& view, const D3DVECTOR& eye)
{
    Begin(D3DCLEAR_TARGET, view, eye);
    device_.state_.DepthMask(false);
    DrawRanges(true);
    Show();
}

// The fragments that pass the depth test in the plain drawing, and in the drawing against the
// final depths; neither is shown.
ReferenceRenderer::Fragments GlReference::CountFragments(const D3DMATRIX& view, const D3DVECTOR& eye)
{
    if (!query_)
        query_ = MakeGlObject(device_.context_, GlKind::Query);
    const auto count = [&](DWORD clear) {
        Begin(clear, view, eye);
        if (clear == D3DCLEAR_TARGET)
            device_.state_.DepthMask(false);
        glBeginQuery(GL_SAMPLES_PASSED, query_->Name());
        DrawRanges(true);
        glEndQuery(GL_SAMPLES_PASSED);
        GLuint64 passed = 0;
        glGetQueryObjectui64v(query_->Name(), GL_QUERY_RESULT, &passed);
        return static_cast<std::uint64_t>(passed);
    };
    Fragments fragments;
    fragments.Shaded = count(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    DrawDepths(view);
    fragments.Visible = count(D3DCLEAR_TARGET);
    return fragments;
}

std::unique_ptr<ReferenceRenderer> MakeGlReference(IDirect3DDevice8& device,
                                                   const std::vector<ReferenceRenderer::Batch>& batches,
                                                   std::string& error)
{
    auto* gl = dynamic_cast<GlDevice*>(&device);
    if (gl == nullptr) {
        error = "the reference needs the OpenGL device";
        return nullptr;
    }
    auto reference = std::make_unique<GlReference>(*gl, batches, error);
    if (!reference->Ready())
        return nullptr;
    return reference;
}

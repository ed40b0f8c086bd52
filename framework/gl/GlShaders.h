// The shader programs of the device: the scene program, which does Direct3D 8's fixed-function
// work (transforms, per-vertex lighting, texture stage 0 modulating the lit colour); the text
// program, which blends glyph coverage in an ink colour; the present programs, which show the
// back buffer in the window; and the bare reference renderer's program.
#pragma once

#include "framework/gl/GlObjects.h"

#include <array>
#include <cstdint>
#include <string>

inline constexpr int MaxActiveLights = 8;

// Attribute locations shared by every vertex array of the device.
inline constexpr GLuint PositionAttribute = 0;
inline constexpr GLuint NormalAttribute = 1;
inline constexpr GLuint TexCoordAttribute = 2;

// What a scene program is compiled for: lighting on or off, texture stage 0 holding a texture or
// not, and the types of the lights enabled (D3DLIGHT_POINT, _SPOT or _DIRECTIONAL), in the order
// the device hands them over.
struct SceneVariant {
    bool Lighting = true;
    bool Textured = false;
    int LightCount = 0;
    std::array<std::uint32_t, MaxActiveLights> LightTypes{};
    // One number per variant.
    std::uint32_t Key() const;
};

struct SceneProgram {
    GlObjectPtr Program;
    GLint World = -1;
    GLint ViewProjection = -1;
    GLint NormalMatrix = -1;
    GLint RemapDepth = -1;
    GLint GlobalAmbient = -1;
    GLint MaterialDiffuse = -1;
    GLint MaterialAmbient = -1;
    GLint MaterialEmissive = -1;
    GLint LightPosition = -1;
    GLint LightDirection = -1;
    GLint LightDiffuse = -1;
    GLint LightAmbient = -1;
    GLint LightAttenuation = -1;
    GLint LightSpot = -1;
    GLint Texture = -1;
};

// Glyphs drawn from an atlas as triangles of a vertex buffer: each vertex a point of the back
// buffer in pixels (y down) and a point of the atlas. TextGlyphs glyphs fit the buffer.
inline constexpr int TextGlyphs = 256;
inline constexpr GLuint TextPixelAttribute = 0;
inline constexpr GLuint TextAtlasAttribute = 1;

struct TextProgram {
    GlObjectPtr Program;
    GLint Target = -1;
    GLint Ink = -1;
    GLint Glyphs = -1;
};

// The bare reference renderer's program: the scene program's lighting written out for one
// directional light (the sun) and one point light (the lamp), a white material, stage 0 always
// textured, world transform the identity.
struct ReferenceProgram {
    GlObjectPtr Program;
    GLint ViewProjection = -1;
    GLint RemapDepth = -1;
    GLint Ambient = -1;
    GLint SunDirection = -1;
    GLint SunDiffuse = -1;
    GLint LampPosition = -1;
    GLint LampDiffuse = -1;
    GLint LampAttenuation = -1;
};

// Shows the back buffer in the window: one triangle over the viewport. The copy reads the
// picture texel for pixel (it stands Offset pixels into the window); the scaled one samples it.
struct PresentProgram {
    GlObjectPtr Program;
    GLint Offset = -1;
};

// Compile and link; the context must be current. False with the driver's message on failure.
bool BuildSceneProgram(const std::shared_ptr<SdlGlContext>& context, const SceneVariant& variant, SceneProgram& out,
                       std::string& error);
bool BuildTextProgram(const std::shared_ptr<SdlGlContext>& context, TextProgram& out, std::string& error);
bool BuildPresentProgram(const std::shared_ptr<SdlGlContext>& context, bool scaled, PresentProgram& out,
                         std::string& error);
bool BuildReferenceProgram(const std::shared_ptr<SdlGlContext>& context, ReferenceProgram& out, std::string& error);

#include "framework/gl/GlShaders.h"

#include <vector>

namespace {

// Direct3D 8's vertex lighting, per vertex and in world space (the view transform is rigid, so
// distances and angles are those of camera space):
//   colour = emissive + ambient material x (global ambient + sum of attenuated light ambients)
//          + diffuse material x sum of (attenuation x spot x light diffuse x max(N.L, 0))
// clamped to 0..1. The back buffers keep no alpha of their own (X8R8G8B8, R5G6B5) and surfaces
// are never blended, so the material's alpha changes nothing and fragments take alpha 1. Normals are transformed by the inverse
// transpose of the world matrix and not renormalised, as with D3DRS_NORMALIZENORMALS off.
// Without lighting the vertex colour is white. Each program is compiled for one variant (see
// SceneVariant): LIGHTING and TEXTURED are constants, and ADD_LIGHTS calls AddLight once for each
// enabled light with its slot and type written out, so that the compiler keeps only the code
// those lights need and reads the light arrays at fixed places.
const char* const SceneVertexShader = R"(
layout(location = 0) in vec3 Position;
layout(location = 1) in vec3 Normal;
layout(location = 2) in vec2 TexCoord;

uniform mat4 World;
uniform mat4 ViewProjection;
uniform mat3 NormalMatrix;
uniform bool RemapDepth;
uniform vec3 GlobalAmbient;
uniform vec4 MaterialDiffuse;
uniform vec3 MaterialAmbient;
uniform vec3 MaterialEmissive;
uniform vec3 LightPosition[8];
uniform vec3 LightDirection[8];
uniform vec3 LightDiffuse[8];
uniform vec3 LightAmbient[8];
uniform vec4 LightAttenuation[8]; // constant, linear, quadratic, range
uniform vec3 LightSpot[8];        // cos(theta / 2), cos(phi / 2), falloff

out vec3 Colour;
out vec2 UV;

const int Point = 1;
const int Spot = 2;
const int Directional = 3;

void AddLight(int i, int type, vec3 normal, vec3 world, inout vec3 ambient, inout vec3 diffuse)
{
    vec3 toLight;
    float strength = 1.0;
    if (type == Directional) {
        toLight = -LightDirection[i];
    } else {
        vec3 offset = LightPosition[i] - world;
        float distance = length(offset);
        if (distance > LightAttenuation[i].w)
            return;
        toLight = distance > 0.0 ? offset / distance : vec3(0.0);
        float denominator = LightAttenuation[i].x + LightAttenuation[i].y * distance
                          + LightAttenuation[i].z * distance * distance;
        strength = denominator > 1e-20 ? 1.0 / denominator : 1e20;
        if (type == Spot) {
            float rho = dot(-toLight, LightDirection[i]);
            if (rho <= LightSpot[i].y)
                return;
            if (rho < LightSpot[i].x) {
                float width = max(LightSpot[i].x - LightSpot[i].y, 1e-6);
                strength *= pow((rho - LightSpot[i].y) / width, LightSpot[i].z);
            }
        }
    }
    ambient += strength * LightAmbient[i];
    diffuse += strength * LightDiffuse[i] * max(dot(normal, toLight), 0.0);
}

void main()
{
    vec4 world = World * vec4(Position, 1.0);
    gl_Position = ViewProjection * world;
    if (RemapDepth)
        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    UV = TexCoord;
#if !LIGHTING
    Colour = vec3(1.0);
#else
    vec3 normal = NormalMatrix * Normal;
    vec3 ambient = GlobalAmbient;
    vec3 diffuse = vec3(0.0);
    ADD_LIGHTS
    vec3 lit = MaterialEmissive + MaterialAmbient * ambient + MaterialDiffuse.rgb * diffuse;
    Colour = clamp(lit, 0.0, 1.0);
#endif
}
)";

const char* const SceneFragmentShader = R"(
in vec3 Colour;
in vec2 UV;
uniform sampler2D Texture;
out vec4 FragColour;

void main()
{
#if TEXTURED
    FragColour = vec4(Colour, 1.0) * texture(Texture, UV);
#else
    FragColour = vec4(Colour, 1.0);
#endif
}
)";

// The scene shader's arithmetic in the same order, without the steps that change nothing here
// (identity transforms, white material, zero light ambients), so the picture comes out the same.
const char* const ReferenceVertexShader = R"(#version 330 core
layout(location = 0) in vec3 Position;
layout(location = 1) in vec3 Normal;
layout(location = 2) in vec2 TexCoord;

uniform mat4 ViewProjection;
uniform bool RemapDepth;
uniform vec3 Ambient;
uniform vec3 SunDirection;
uniform vec3 SunDiffuse;
uniform vec3 LampPosition;
uniform vec3 LampDiffuse;
uniform vec4 LampAttenuation; // constant, linear, quadratic, range

out vec4 Colour;
out vec2 UV;

void main()
{
    gl_Position = ViewProjection * vec4(Position, 1.0);
    if (RemapDepth)
        gl_Position.z = 2.0 * gl_Position.z - gl_Position.w;
    UV = TexCoord;
    vec3 diffuse = SunDiffuse * max(dot(Normal, -SunDirection), 0.0);
    vec3 offset = LampPosition - Position;
    float distance = length(offset);
    if (distance <= LampAttenuation.w) {
        vec3 toLight = distance > 0.0 ? offset / distance : vec3(0.0);
        float denominator = LampAttenuation.x + LampAttenuation.y * distance
                          + LampAttenuation.z * distance * distance;
        float strength = denominator > 1e-20 ? 1.0 / denominator : 1e20;
        diffuse += strength * LampDiffuse * max(dot(Normal, toLight), 0.0);
    }
    Colour = vec4(clamp(Ambient + diffuse, 0.0, 1.0), 1.0);
}
)";

const char* const ReferenceFragmentShader = R"(#version 330 core
in vec4 Colour;
in vec2 UV;
uniform sampler2D Texture;
out vec4 FragColour;

void main()
{
    FragColour = Colour * texture(Texture, UV);
}
)";

// Glyph corners: a point of the back buffer in pixels (y down) and a point of the atlas.
const char* const TextVertexShader = R"(#version 330 core
layout(location = 0) in vec2 Pixel;
layout(location = 1) in vec2 Coord;
uniform vec2 Target;
out vec2 UV;

void main()
{
    UV = Coord;
    gl_Position = vec4(Pixel.x / Target.x * 2.0 - 1.0, 1.0 - Pixel.y / Target.y * 2.0, 0.0, 1.0);
}
)";

const char* const TextFragmentShader = R"(#version 330 core
in vec2 UV;
uniform sampler2D Glyphs;
uniform vec4 Ink;
out vec4 FragColour;

void main()
{
    FragColour = vec4(Ink.rgb, Ink.a * texture(Glyphs, UV).r);
}
)";

// One triangle that covers the viewport (vertices from gl_VertexID, no buffer), the picture
// stretched over it.
const char* const PresentVertexShader = R"(#version 330 core
out vec2 UV;

void main()
{
    UV = vec2(gl_VertexID & 1, gl_VertexID >> 1) * 2.0;
    gl_Position = vec4(UV * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const PresentCopyShader = R"(#version 330 core
uniform sampler2D Picture;
uniform ivec2 Offset;
out vec4 Colour;

void main()
{
    Colour = texelFetch(Picture, ivec2(gl_FragCoord.xy) - Offset, 0);
}
)";

const char* const PresentScaledShader = R"(#version 330 core
in vec2 UV;
uniform sampler2D Picture;
out vec4 Colour;

void main()
{
    Colour = texture(Picture, UV);
}
)";

// The driver's message about a shader or a program.
std::string InfoLog(GLuint object, decltype(glGetShaderiv) getParameter, decltype(glGetShaderInfoLog) getLog)
{
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    getLog(object, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.data();
}

bool Compile(GLuint program, GLenum stage, const char* prelude, const char* source, std::string& error)
{
    const GLuint shader = glCreateShader(stage);
    const char* parts[] = {prelude, source};
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        error = "shader compilation failed: " + InfoLog(shader, glGetShaderiv, glGetShaderInfoLog);
        glDeleteShader(shader);
        return false;
    }
    glAttachShader(program, shader);
    glDeleteShader(shader); // stays alive while attached
    return true;
}

bool Link(const std::shared_ptr<SdlGlContext>& context, GlObjectPtr& out, const char* vertex, const char* fragment,
          std::string& error, const char* prelude = "")
{
    out = MakeGlObject(context, GlKind::Program);
    const GLuint program = out->Name();
    if (!Compile(program, GL_VERTEX_SHADER, prelude, vertex, error) ||
        !Compile(program, GL_FRAGMENT_SHADER, prelude, fragment, error))
        return false;
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        error = "shader linking failed: " + InfoLog(program, glGetProgramiv, glGetProgramInfoLog);
        return false;
    }
    return true;
}

} // namespace

std::uint32_t SceneVariant::Key() const
{
    std::uint32_t key = (Lighting ? 1u : 0u) | (Textured ? 2u : 0u) | static_cast<std::uint32_t>(LightCount) << 2;
    for (int i = 0; i < LightCount; ++i)
        key |= (LightTypes[static_cast<std::size_t>(i)] & 3u) << (6 + 2 * i);
    return key;
}

bool BuildSceneProgram(const std::shared_ptr<SdlGlContext>& context, const SceneVariant& variant, SceneProgram& out,
                       std::string& error)
{
    std::string prelude = "#version 330 core\n#define LIGHTING " + std::to_string(variant.Lighting ? 1 : 0) +
                          "\n#define TEXTURED " + std::to_string(variant.Textured ? 1 : 0) + "\n#define ADD_LIGHTS";
    for (int i = 0; i < variant.LightCount; ++i)
        prelude += " AddLight(" + std::to_string(i) + ", " +
                   std::to_string(variant.LightTypes[static_cast<std::size_t>(i)]) +
                   ", normal, world.xyz, ambient, diffuse);";
    prelude += "\n";
    if (!Link(context, out.Program, SceneVertexShader, SceneFragmentShader, error, prelude.c_str()))
        return false;
    const GLuint p = out.Program->Name();
    out.World = glGetUniformLocation(p, "World");
    out.ViewProjection = glGetUniformLocation(p, "ViewProjection");
    out.NormalMatrix = glGetUniformLocation(p, "NormalMatrix");
    out.RemapDepth = glGetUniformLocation(p, "RemapDepth");
    out.GlobalAmbient = glGetUniformLocation(p, "GlobalAmbient");
    out.MaterialDiffuse = glGetUniformLocation(p, "MaterialDiffuse");
    out.MaterialAmbient = glGetUniformLocation(p, "MaterialAmbient");
    out.MaterialEmissive = glGetUniformLocation(p, "MaterialEmissive");
    out.LightPosition = glGetUniformLocation(p, "LightPosition");
    out.LightDirection = glGetUniformLocation(p, "LightDirection");
    out.LightDiffuse = glGetUniformLocation(p, "LightDiffuse");
    out.LightAmbient = glGetUniformLocation(p, "LightAmbient");
    out.LightAttenuation = glGetUniformLocation(p, "LightAttenuation");
    out.LightSpot = glGetUniformLocation(p, "LightSpot");
    out.Texture = glGetUniformLocation(p, "Texture");
    glUseProgram(p);
    glUniform1i(out.Texture, 0);
    return true;
}

bool BuildTextProgram(const std::shared_ptr<SdlGlContext>& context, TextProgram& out, std::string& error)
{
    if (!Link(context, out.Program, TextVertexShader, TextFragmentShader, error))
        return false;
    const GLuint p = out.Program->Name();
    out.Target = glGetUniformLocation(p, "Target");
    out.Ink = glGetUniformLocation(p, "Ink");
    out.Glyphs = glGetUniformLocation(p, "Glyphs");
    glUseProgram(p);
    glUniform1i(out.Glyphs, 0);
    return true;
}

bool BuildReferenceProgram(const std::shared_ptr<SdlGlContext>& context, ReferenceProgram& out, std::string& error)
{
    if (!Link(context, out.Program, ReferenceVertexShader, ReferenceFragmentShader, error))
        return false;
    const GLuint p = out.Program->Name();
    out.ViewProjection = glGetUniformLocation(p, "ViewProjection");
    out.RemapDepth = glGetUniformLocation(p, "RemapDepth");
    out.Ambient = glGetUniformLocation(p, "Ambient");
    out.SunDirection = glGetUniformLocation(p, "SunDirection");
    out.SunDiffuse = glGetUniformLocation(p, "SunDiffuse");
    out.LampPosition = glGetUniformLocation(p, "LampPosition");
    out.LampDiffuse = glGetUniformLocation(p, "LampDiffuse");
    out.LampAttenuation = glGetUniformLocation(p, "LampAttenuation");
    glUseProgram(p);
    glUniform1i(glGetUniformLocation(p, "Texture"), 0);
    return true;
}

bool BuildPresentProgram(const std::shared_ptr<SdlGlContext>& context, bool scaled, PresentProgram& out,
                         std::string& error)
{
    if (!Link(context, out.Program, PresentVertexShader, scaled ? PresentScaledShader : PresentCopyShader, error))
        return false;
    glUseProgram(out.Program->Name());
    glUniform1i(glGetUniformLocation(out.Program->Name(), "Picture"), 0);
    out.Offset = glGetUniformLocation(out.Program->Name(), "Offset");
    return true;
}

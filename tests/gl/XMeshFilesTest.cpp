// .x files parsed into one mesh with a subset per material, and the checked hand-over of the
// result from the parsing process.
#include "framework/gl/XMeshFiles.h"
#include "tests/gl/XFileSamples.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The quad of XFileSamples.h in the other forms of .x file (written by data/make-x-samples.py).
std::string Sample(const std::string& name)
{
    std::ifstream file(std::string(DUNMERE_GL_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(XMeshFiles, KeepTheFilesOwnCoordinatesWindingAndMaterials)
{
    XMesh mesh;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(TwoMaterialQuad), mesh, error)) << error;
    ASSERT_EQ(mesh.Materials.size(), 2u);
    EXPECT_EQ(mesh.Materials[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_EQ(mesh.Materials[0].MatD3D.Power, 8.0f);
    EXPECT_EQ(mesh.Materials[0].TextureFilename, "");
    EXPECT_EQ(mesh.Materials[1].TextureFilename, "Skins\\Wall.PNG");
    const MeshGeometry& g = mesh.Geometry;
    ASSERT_EQ(g.Subsets.size(), 2u);
    ASSERT_EQ(g.Subsets[0].second, 3u);
    ASSERT_EQ(g.Subsets[1].second, 3u);
    // The first face is 0, 1, 2 of the file, in that order, at z = 0.5 with v running down.
    const Vertex& a = g.Vertices[g.Indices[g.Subsets[0].first]];
    const Vertex& b = g.Vertices[g.Indices[g.Subsets[0].first + 1]];
    const Vertex& c = g.Vertices[g.Indices[g.Subsets[0].first + 2]];
    EXPECT_EQ((std::vector<float>{a.x, a.y, a.z, a.tu, a.tv}), (std::vector<float>{-1, 1, 0.5f, 0, 0}));
    EXPECT_EQ((std::vector<float>{b.x, b.y, b.z, b.tu, b.tv}), (std::vector<float>{1, 1, 0.5f, 1, 0}));
    EXPECT_EQ((std::vector<float>{c.x, c.y, c.z, c.tu, c.tv}), (std::vector<float>{1, -1, 0.5f, 1, 1}));
    EXPECT_EQ(a.nz, -1.0f);
}

TEST(XMeshFiles, BinaryAndCompressedFilesGiveTheSameMeshAsText)
{
    XMesh text;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(TwoMaterialQuad), text, error)) << error;
    for (const char* name : {"quad-bin.x", "quad-bzip.x", "quad-tzip.x"}) {
        XMesh mesh;
        ASSERT_TRUE(ParseXMesh(Bytes(Sample(name)), mesh, error)) << name << ": " << error;
        EXPECT_EQ(EncodeXMesh(mesh), EncodeXMesh(text)) << name;
    }
}

// The importer takes a mesh's counts and indices on trust: it reads a corner one past the last
// vertex from beyond the vertex list, drops a bad corner of a polygon without notice, and loses
// the faces of a material that does not exist. Each is refused before it reads the file.
TEST(XMeshFiles, MeshesNamingWhatIsNotThereAreRefused)
{
    const std::string quad = TwoMaterialQuad;
    const std::string polygon = Replace(Replace(Replace(quad, " 2;\n 3;0,1,2;,\n 3;0,2,3;;", " 1;\n 4;0,1,2,3;;"),
                                                "  2;\n  0,\n  1;;", "  1;\n  0;;"),
                                        "  2;\n  3;0,0,0;,\n  3;0,0,0;;", "  1;\n  4;0,0,0,0;;");
    XMesh mesh;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(polygon), mesh, error)) << error;
    // The binary quad with its last corner one past the last vertex.
    std::string binary = Sample("quad-bin.x");
    const std::string lastFace("\x03\0\0\0\0\0\0\0\x02\0\0\0\x03\0\0\0", 16);
    binary = Replace(binary, lastFace, lastFace.substr(0, 12) + std::string("\x04\0\0\0", 4));

    const std::vector<std::pair<std::string, std::string>> files{
        {"a corner one past the last vertex", Replace(quad, "3;0,2,3;;", "3;0,2,4;;")},
        {"the same in a binary file", binary},
        {"a bad corner of a polygon", Replace(polygon, "4;0,1,2,3;;", "4;0,1,2,7;;")},
        {"a face of a material that does not exist", Replace(quad, "  0,\n  1;;", "  0,\n  2;;")},
        {"more materials declared than given", Replace(quad, "  2;\n  2;", "  3;\n  2;")},
        {"a corner far beyond the vertices", Replace(quad, "3;0,1,2;,", "3;0,1,2000000000;,")},
        {"a normal that does not exist", Replace(quad, "3;0,0,0;;", "3;0,0,1;;")},
        {"a normal far beyond the normals", Replace(quad, "3;0,0,0;,", "3;0,0,2000000000;,")},
        {"normals of another shape", Replace(quad, "3;0,0,0;;", "4;0,0,0,0;;")},
        {"four billion vertices", Replace(quad, " 4;\n -1.0;1.0", " 4000000000;\n -1.0;1.0")},
        {"a face of two corners", Replace(quad, "3;0,2,3;;", "2;0,2;;")},
    };
    for (const auto& [what, bytes] : files) {
        error.clear();
        EXPECT_FALSE(ParseXMesh(Bytes(bytes), mesh, error)) << what;
        EXPECT_FALSE(error.empty()) << what;
    }
}

TEST(XMeshFiles, ApplyTheTransformsOfTheFramesAroundAMesh)
{
    std::string framed = TwoMaterialQuad;
    framed.insert(framed.find("Mesh Quad"), "Frame Moved {\n FrameTransformMatrix {\n"
                                            "  1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 10.0,20.0,30.0,1.0;;\n"
                                            " }\n");
    framed += "}\n";
    XMesh mesh;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(framed), mesh, error)) << error;
    const Vertex& first = mesh.Geometry.Vertices[mesh.Geometry.Indices[0]];
    EXPECT_EQ(first.x, 9.0f);
    EXPECT_EQ(first.y, 21.0f);
    EXPECT_EQ(first.z, 30.5f);
}

TEST(XMeshFiles, TheHandOverIsCheckedBeforeAnythingIsUsed)
{
    XMesh mesh;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(TwoMaterialQuad), mesh, error)) << error;
    const std::vector<std::uint8_t> data = EncodeXMesh(mesh);
    XMesh back;
    ASSERT_TRUE(DecodeXMesh(data, back));
    EXPECT_EQ(back.Geometry.Indices, mesh.Geometry.Indices);
    EXPECT_EQ(back.Geometry.Subsets, mesh.Geometry.Subsets);
    EXPECT_EQ(back.Materials[1].TextureFilename, "Skins\\Wall.PNG");

    XMesh rejected;
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{5}, data.size() / 2, data.size() - 1})
        EXPECT_FALSE(DecodeXMesh(std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut)),
                                 rejected))
            << cut;
    EXPECT_FALSE(DecodeXMesh({'M', 0, 0, 0, 0, 0, 0, 0, 1}, rejected)) << "no vertices, then a cut";
    std::vector<std::uint8_t> longer = data;
    longer.push_back(0);
    EXPECT_FALSE(DecodeXMesh(longer, rejected)) << "trailing bytes";

    XMesh bad = mesh;
    bad.Geometry.Indices[0] = static_cast<std::uint32_t>(bad.Geometry.Vertices.size());
    EXPECT_FALSE(DecodeXMesh(EncodeXMesh(bad), rejected)) << "an index past the vertices";
    bad = mesh;
    bad.Geometry.Subsets[1].second = 6;
    EXPECT_FALSE(DecodeXMesh(EncodeXMesh(bad), rejected)) << "a subset past the indices";
}

} // namespace

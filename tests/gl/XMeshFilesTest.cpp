// .x files parsed into one mesh with a subset per material, in the model reader's child process.
#include "framework/gl/XMeshFiles.h"
#include "tests/gl/XFileSamples.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

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

    // Without a material list: no materials, one subset of every face.
    std::string plain = TwoMaterialQuad;
    plain.erase(plain.find(" MeshMaterialList"), plain.find(" MeshNormals") - plain.find(" MeshMaterialList"));
    ASSERT_TRUE(ParseXMesh(Bytes(plain), mesh = XMesh{}, error)) << error;
    EXPECT_TRUE(mesh.Materials.empty());
    ASSERT_EQ(mesh.Geometry.Subsets.size(), 1u);
    EXPECT_EQ(mesh.Geometry.Subsets[0].second, 6u);
}

// The model seeds of the fuzz corpus through the reader's child process: ok-* files load (the
// quad the same in every form of .x file), bad-* files are refused with a reason. Among these are
// what Assimp would take on trust: a corner one past the last vertex (read from beyond the vertex
// list), a bad corner of a polygon (dropped without notice), a face of a missing material (lost).
TEST(XMeshFiles, TheCorpusFilesLoadOrAreRefusedAsNamed)
{
    XMesh text;
    std::string error;
    ASSERT_TRUE(ParseXMesh(Bytes(TwoMaterialQuad), text, error)) << error;
    int refused = 0;
    for (const auto& entry : std::filesystem::directory_iterator(DUNMERE_FUZZ_CORPUS "/xmesh")) {
        const std::string name = entry.path().filename().string();
        XMesh mesh;
        error.clear();
        const bool loaded = LoadXMeshFile(entry.path().string(), mesh, error);
        if (name.rfind("ok-", 0) == 0) {
            EXPECT_TRUE(loaded) << name << ": " << error;
            EXPECT_TRUE(name.rfind("ok-quad", 0) != 0 || EncodeXMesh(mesh) == EncodeXMesh(text)) << name;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(loaded || error.empty()) << name;
            ++refused;
        }
    }
    EXPECT_GE(refused, 3);
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

} // namespace

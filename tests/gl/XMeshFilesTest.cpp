// .x files parsed into one mesh with a subset per material, and the checked hand-over of the
// result from the parsing process.
#include "framework/gl/XMeshFiles.h"
#include "tests/gl/XFileSamples.h"

#include <gtest/gtest.h>

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

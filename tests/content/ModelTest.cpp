// The entity model as the program loads it: through Assimp's .x importer, turned back into the
// file's own left-handed data, one subset for its one material.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>

namespace {

const std::filesystem::path Models = std::filesystem::path(DUNMERE_ASSETS_DIR) / "models";

TEST(EntityModel, IsAClosedTexturedCubeWithOutwardFacesAndOneMaterial)
{
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile((Models / "entitycube.x").string(),
                                             aiProcess_ConvertToLeftHanded | aiProcess_Triangulate | aiProcess_SortByPType);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, 1u);
    ASSERT_EQ(scene->mNumMaterials, 1u);

    aiString texture;
    ASSERT_EQ(scene->mMaterials[0]->GetTexture(aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
    EXPECT_STREQ(texture.C_Str(), "entitycube.png");
    EXPECT_TRUE(std::filesystem::is_regular_file(Models / texture.C_Str())) << "the texture lies beside the model";

    const aiMesh* mesh = scene->mMeshes[0];
    ASSERT_EQ(mesh->mNumFaces, 12u);
    ASSERT_TRUE(mesh->HasNormals());
    ASSERT_TRUE(mesh->HasTextureCoords(0));
    EXPECT_EQ(mesh->mMaterialIndex, 0u);

    std::set<std::tuple<int, int, int>> directions;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        ASSERT_EQ(face.mNumIndices, 3u);
        const aiVector3D a = mesh->mVertices[face.mIndices[0]];
        const aiVector3D b = mesh->mVertices[face.mIndices[1]];
        const aiVector3D c = mesh->mVertices[face.mIndices[2]];
        // Clockwise seen from outside in a left-handed space: (b - a) x (c - a) points out.
        const aiVector3D turn = (b - a) ^ (c - a);
        const aiVector3D centre = (a + b + c) / 3.0f;
        EXPECT_GT(turn * centre, 0.0f) << "face " << f << " runs anticlockwise seen from outside";
        for (unsigned i = 0; i < 3; ++i) {
            const unsigned v = face.mIndices[i];
            const aiVector3D n = mesh->mNormals[v];
            EXPECT_NEAR(n.Length(), 1.0f, 1e-6f);
            EXPECT_NEAR((turn / turn.Length()) * n, 1.0f, 1e-6f) << "a normal across its face";
            const aiVector3D& p = mesh->mVertices[v];
            EXPECT_EQ(std::max({std::abs(p.x), std::abs(p.y), std::abs(p.z)}), 4.0f);
            const aiVector3D& uv = mesh->mTextureCoords[0][v];
            EXPECT_TRUE((uv.x == 0 || uv.x == 1) && (uv.y == 0 || uv.y == 1));
        }
        directions.emplace(static_cast<int>(std::lround(turn.x)) / std::max(1, static_cast<int>(std::lround(std::abs(turn.x)))),
                           static_cast<int>(std::lround(turn.y)) / std::max(1, static_cast<int>(std::lround(std::abs(turn.y)))),
                           static_cast<int>(std::lround(turn.z)) / std::max(1, static_cast<int>(std::lround(std::abs(turn.z)))));
    }
    EXPECT_EQ(directions.size(), 6u) << "all six sides of the cube";
}

} // namespace

// The entity model as the program loads it: through Assimp's .x importer, turned back into the
// file's own left-handed data, one subset for its one material.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

namespace {

const std::filesystem::path Models = std::filesystem::path(DUNMERE_ASSETS_DIR) / "models";

TEST(EntityModel, IsAClosedTexturedCubeWithOutwardFacesAndOneMaterial)
{
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile((Models / "entitycube.x").string(),
                                             aiProcess_ConvertToLeftHanded | aiProcess_Triangulate | aiProcess_SortByPType);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes * 10 + scene->mNumMaterials, 11u) << "one mesh, one material";
    aiString texture;
    ASSERT_EQ(scene->mMaterials[0]->GetTexture(aiTextureType_DIFFUSE, 0, &texture), AI_SUCCESS);
    EXPECT_STREQ(texture.C_Str(), "entitycube.png");
    EXPECT_TRUE(std::filesystem::is_regular_file(Models / texture.C_Str())) << "the texture lies beside the model";

    const aiMesh* mesh = scene->mMeshes[0];
    ASSERT_EQ(mesh->mNumFaces, 12u);
    ASSERT_TRUE(mesh->HasNormals() && mesh->HasTextureCoords(0));
    std::map<std::tuple<long, long, long>, int> sides; // faces by the direction they look to
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const aiFace& face = mesh->mFaces[f];
        ASSERT_EQ(face.mNumIndices, 3u);
        const aiVector3D a = mesh->mVertices[face.mIndices[0]];
        // Clockwise seen from outside in a left-handed space: (b - a) x (c - a) points out.
        aiVector3D out = (mesh->mVertices[face.mIndices[1]] - a) ^ (mesh->mVertices[face.mIndices[2]] - a);
        out.Normalize();
        ++sides[{std::lround(out.x), std::lround(out.y), std::lround(out.z)}];
        EXPECT_NEAR(out * a, 4.0f, 1e-5f) << "face " << f << " is not a side 4 units out, wound clockwise from outside";
        for (unsigned i = 0; i < 3; ++i) {
            EXPECT_NEAR(out * mesh->mNormals[face.mIndices[i]], 1.0f, 1e-6f) << "a unit normal across face " << f;
            const aiVector3D& uv = mesh->mTextureCoords[0][face.mIndices[i]];
            EXPECT_TRUE((uv.x == 0 || uv.x == 1) && (uv.y == 0 || uv.y == 1));
        }
    }
    EXPECT_EQ(sides.size(), 6u) << "all six sides of the cube, two triangles each";
    for (const auto& [side, count] : sides)
        EXPECT_EQ(count, 2);
}

} // namespace

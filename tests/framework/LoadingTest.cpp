#include "framework/D3DXMath.h"
#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

using namespace DirectX_Framework;
using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

class LoadingTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5)};
        graphics->DepthFormats = {D3DFMT_D16};
        ASSERT_TRUE(Start(640, 480, 16, false));
        CreateGraphicsDevice(&mainWindow);
        journal->clear();
        ClearLog();
    }

    // A mesh file whose material list holds these materials (texture names may be empty), and
    // which reports count materials.
    void ScriptMesh(std::vector<D3DXMATERIAL> materials, DWORD count)
    {
        WriteWholeFile(folder / "models/entitycube.x", "xof 0303txt 0032\n");
        graphics->LoadMesh = [materials, count](const std::string&, D3DXMaterialBuffer& out, DWORD& n) {
            out.Materials = materials;
            n = count;
            return D3D_OK;
        };
    }

    static D3DXMATERIAL Material(float red, std::string texture = "")
    {
        D3DXMATERIAL m{};
        m.MatD3D.Diffuse = {red, 0.5f, 0.25f, 1.0f};
        m.MatD3D.Ambient = {9, 9, 9, 9};
        m.MatD3D.Power = 4;
        m.TextureFilename = std::move(texture);
        return m;
    }
};

TEST_F(LoadingTest, ATextureLoadsFromAPathWrittenWithBackslashesInAnyCase)
{
    WriteWholeFile(folder / "Textures/Walls/Brick.PNG", "image");
    TexturePtr texture;
    const std::string asWritten = folder.Path().string() + "\\textures\\walls\\brick.png";
    LoadTextureFile(texture, asWritten);
    ASSERT_TRUE(texture != nullptr);
    EXPECT_THAT(Log(), ElementsAre("Loading texture from file " + asWritten));
    EXPECT_THAT(*journal, ElementsAre("CreateTextureFromFile(Brick.PNG)"));
}

TEST_F(LoadingTest, ATextureThatCannotBeLoadedEndsTheProgramWithoutAMessageBox)
{
    TexturePtr texture;
    const std::string path = folder / "Textures/missing.png";
    EXPECT_EQ(RunToExit([&] { LoadTextureFile(texture, path); }), 1);
    EXPECT_TRUE(platform.MessageBoxes.empty());
    EXPECT_EQ(LinesFrom(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")), "Loading texture from file " + path, 3),
              (std::vector<std::string>{"Loading texture from file " + path, "Error loading texture - Quitting.",
                                        "Destroyed DirectX at 12:34:56"}));
}

TEST_F(LoadingTest, AModelWithoutTexturesLoadsSparesAndDrawsEverySubsetUntextured)
{
    ScriptMesh({Material(0.1f), Material(0.2f)}, 2);
    Model model;
    LoadModel(model, folder / "models", "entitycube.x");
    EXPECT_EQ(Log().front(), "Loading model 'entitycube.x' from location '" + (folder / "models") + "'");
    EXPECT_EQ(model.MaterialCount, 2);
    ASSERT_EQ(model.Materials.size(), 3u);
    ASSERT_EQ(model.ModelTextures.size(), 3u);
    EXPECT_EQ(model.Materials[1].Diffuse.r, 0.2f);
    // The file's ambient colour is replaced by its diffuse colour.
    EXPECT_EQ(model.Materials[1].Ambient.r, 0.2f);
    EXPECT_EQ(model.Materials[1].Ambient.g, 0.5f);
    EXPECT_EQ(model.Materials[1].Power, 4.0f);
    EXPECT_EQ(model.Materials[2].Diffuse.r, 0.0f);
    for (const TexturePtr& t : model.ModelTextures)
        EXPECT_EQ(t, nullptr);
    EXPECT_THAT(*journal, Contains("LoadMeshFromX(entitycube.x, 0x220)"));

    journal->clear();
    DrawModel(model, 0, 0, 0, 0, 0, 0);
    EXPECT_THAT(*journal, ElementsAre("SetTransform(256)", "SetTexture(0, null)", "SetMaterial", "DrawSubset(0)",
                                      "SetTexture(0, null)", "SetMaterial", "DrawSubset(1)"));
    const D3DMATRIX& world = graphics->Transforms[D3DTS_WORLD];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(world.m[r][c], r == c ? 1.0f : 0.0f);
}

TEST_F(LoadingTest, ModelTexturesComeFromTheModelsFolder)
{
    WriteWholeFile(folder / "models/Skins/Cube.png", "image");
    WriteWholeFile(folder / "Textures/cube.png", "image");
    ScriptMesh({Material(0.1f, "skins\\cube.png")}, 1);
    Model model;
    LoadModel(model, folder / "models", "entitycube.x");
    ASSERT_NE(model.ModelTextures[0], nullptr);
    EXPECT_THAT(Log(), Contains("Loading texture from file " + (folder / "models") + "/skins/cube.png"));
    EXPECT_THAT(*journal, Contains("CreateTextureFromFile(Cube.png)"));

    journal->clear();
    DrawModel(model, 0, 0, 0, 0, 0, 0);
    EXPECT_THAT(*journal, Contains("SetTexture(0, Cube.png)"));
}

TEST_F(LoadingTest, AMissingMeshIsRaisedToTheCaller)
{
    Model model;
    try {
        LoadModel(model, folder / "models", "entitycube.x");
        FAIL() << "no error raised";
    } catch (const GraphicsError& error) {
        EXPECT_EQ(error.Code(), D3DXERR_INVALIDDATA);
        EXPECT_NE(std::string(error.what()).find("entitycube.x"), std::string::npos);
    }
}

TEST_F(LoadingTest, AFailingFirstMaterialIsRaisedButLaterOnesAreSkipped)
{
    ScriptMesh({}, 2);
    Model first;
    EXPECT_THROW(LoadModel(first, folder / "models", "entitycube.x"), GraphicsError);

    // Only one of the three reported materials can be read: the other two are skipped.
    ScriptMesh({Material(0.75f)}, 3);
    Model later;
    LoadModel(later, folder / "models", "entitycube.x");
    EXPECT_EQ(later.MaterialCount, 3);
    EXPECT_EQ(later.Materials[0].Diffuse.r, 0.75f);
    EXPECT_EQ(later.Materials[1].Diffuse.r, 0.0f);
}

TEST_F(LoadingTest, AModelTextureThatCannotBeLoadedEndsTheProgram)
{
    ScriptMesh({Material(0.1f, "nothere.bmp")}, 1);
    Model model;
    EXPECT_EQ(RunToExit([&] { LoadModel(model, folder / "models", "entitycube.x"); }), 1);
    EXPECT_THAT(SplitCrLfLines(ReadWholeFile(folder / "Log.txt")), Contains("Error loading texture - Quitting."));
}

TEST_F(LoadingTest, DrawModelTurnsAboutXYZThenMoves)
{
    ScriptMesh({Material(0.1f)}, 1);
    Model model;
    LoadModel(model, folder / "models", "entitycube.x");
    const float quarter = static_cast<float>(M_PI / 2);
    DrawModel(model, 10, 0, 0, 0, 0, quarter);
    const D3DVECTOR p{1, 0, 0};
    float out[4];
    D3DXVec4TransformPoint(&graphics->Transforms[D3DTS_WORLD], &p, out);
    EXPECT_NEAR(out[0], 10.0f, 1e-5f);
    EXPECT_NEAR(out[1], 1.0f, 1e-5f);

    // About x first, then y: (0, 1, 0) goes to (0, 0, 1) and then to (1, 0, 0).
    DrawModel(model, 0, 0, 0, quarter, quarter, 0);
    const D3DVECTOR q{0, 1, 0};
    D3DXVec4TransformPoint(&graphics->Transforms[D3DTS_WORLD], &q, out);
    EXPECT_NEAR(out[0], 1.0f, 1e-5f);
    EXPECT_NEAR(out[1], 0.0f, 1e-5f);
    EXPECT_NEAR(out[2], 0.0f, 1e-5f);
}

TEST(FilePaths, JoiningAndCaseInsensitiveLookup)
{
    EXPECT_EQ(JoinPath("/game", "\\Textures\\brick.png"), "/game/Textures/brick.png");
    EXPECT_EQ(JoinPath("/game/", "models"), "/game/models");
    EXPECT_EQ(JoinPath("/", "Log.txt"), "/Log.txt");

    TempFolder folder;
    WriteWholeFile(folder / "Maps/Level One/E1M1.dnmap", "x");
    const std::string base = folder.Path().string();
    EXPECT_EQ(ResolveFilePath(base + "/Maps/Level One/E1M1.dnmap"), base + "/Maps/Level One/E1M1.dnmap");
    EXPECT_EQ(ResolveFilePath(base + "\\maps\\LEVEL ONE\\e1m1.DNMAP"), base + "/Maps/Level One/E1M1.dnmap");
    EXPECT_EQ(ResolveFilePath(base + "/maps/nothing.dnmap"), base + "/maps/nothing.dnmap");
}

} // namespace

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

    // Loads models/entitycube.x, a mesh file whose material list holds these materials (texture
    // names may be empty) and which reports count materials.
    Model LoadScripted(std::vector<D3DXMATERIAL> materials, DWORD count)
    {
        WriteWholeFile(folder / "models/entitycube.x", "xof 0303txt 0032\n");
        graphics->LoadMesh = [materials, count](const std::string&, D3DXMaterialBuffer& out, DWORD& n) {
            out.Materials = materials;
            n = count;
            return D3D_OK;
        };
        Model model;
        LoadModel(model, folder / "models", "entitycube.x");
        return model;
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

    std::vector<std::string> SavedLog() { return SplitCrLfLines(ReadWholeFile(folder / "Log.txt")); }
};

TEST_F(LoadingTest, ATextureLoadsFromAPathWrittenWithBackslashesInAnyCaseOrEndsTheProgram)
{
    WriteWholeFile(folder / "Textures/Walls/Brick.PNG", "image");
    TexturePtr texture;
    const std::string asWritten = folder.Path().string() + "\\textures\\walls\\brick.png";
    LoadTextureFile(texture, asWritten);
    ASSERT_TRUE(texture != nullptr);
    EXPECT_THAT(Log(), ElementsAre("Loading texture from file " + asWritten));
    EXPECT_THAT(*journal, ElementsAre("CreateTextureFromFile(Brick.PNG)"));

    const std::string missing = folder / "Textures/missing.png";
    EXPECT_EQ(RunToExit([&] { LoadTextureFile(texture, missing); }), 1);
    EXPECT_TRUE(platform.MessageBoxes.empty());
    EXPECT_EQ(LinesFrom(SavedLog(), "Loading texture from file " + missing, 3),
              (std::vector<std::string>{"Loading texture from file " + missing, "Error loading texture - Quitting.",
                                        "Destroyed DirectX at 12:34:56"}));
}

TEST_F(LoadingTest, AModelWithoutTexturesLoadsSparesAndDrawsEverySubsetUntextured)
{
    const Model model = LoadScripted({Material(0.1f), Material(0.2f)}, 2);
    EXPECT_EQ(Log().front(), "Loading model 'entitycube.x' from location '" + (folder / "models") + "'");
    EXPECT_THAT(*journal, Contains("LoadMeshFromX(entitycube.x, 0x220)"));
    EXPECT_EQ(model.MaterialCount, 2);
    ASSERT_EQ(model.Materials.size(), 3u);
    ASSERT_EQ(model.ModelTextures.size(), 3u);
    const D3DMATERIAL8& second = model.Materials[1];
    // The file's ambient colour is replaced by its diffuse colour.
    EXPECT_EQ(std::tuple(second.Diffuse.r, second.Ambient.r, second.Ambient.g, second.Power),
              std::tuple(0.2f, 0.2f, 0.5f, 4.0f));
    EXPECT_EQ(model.Materials[2].Diffuse.r, 0.0f);
    EXPECT_THAT(model.ModelTextures, ::testing::Each(nullptr));

    journal->clear();
    DrawModel(model, 0, 0, 0, 0, 0, 0);
    EXPECT_THAT(*journal, ElementsAre("SetTransform(256)", "SetTexture(0, null)", "SetMaterial", "DrawSubset(0)",
                                      "SetTexture(0, null)", "SetMaterial", "DrawSubset(1)"));
    const D3DMATRIX& world = graphics->Transforms[D3DTS_WORLD];
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(world.m[i / 4][i % 4], i % 5 == 0 ? 1.0f : 0.0f) << "identity";
}

TEST_F(LoadingTest, ModelTexturesComeFromTheModelsFolder)
{
    WriteWholeFile(folder / "models/Skins/Cube.png", "image");
    WriteWholeFile(folder / "Textures/cube.png", "image");
    const Model model = LoadScripted({Material(0.1f, "skins\\cube.png")}, 1);
    ASSERT_NE(model.ModelTextures[0], nullptr);
    EXPECT_THAT(Log(), Contains("Loading texture from file " + (folder / "models") + "/skins/cube.png"));
    journal->clear();
    DrawModel(model, 0, 0, 0, 0, 0, 0);
    EXPECT_THAT(*journal, Contains("SetTexture(0, Cube.png)"));

    EXPECT_EQ(RunToExit([&] { LoadScripted({Material(0.1f, "nothere.bmp")}, 1); }), 1);
    EXPECT_THAT(SavedLog(), Contains("Error loading texture - Quitting."));
}

TEST_F(LoadingTest, AMissingMeshOrFirstMaterialIsRaisedButLaterMaterialsAreSkipped)
{
    Model model;
    const GraphicsError missing = RaisedGraphicsError([&] { LoadModel(model, folder / "models", "entitycube.x"); });
    EXPECT_EQ(missing.Code(), D3DXERR_INVALIDDATA);
    EXPECT_THAT(missing.what(), ::testing::HasSubstr("entitycube.x"));
    EXPECT_THROW(LoadScripted({}, 2), GraphicsError);

    // Only one of the three reported materials can be read: the other two are skipped.
    const Model later = LoadScripted({Material(0.75f)}, 3);
    EXPECT_EQ(later.MaterialCount, 3);
    EXPECT_EQ(later.Materials[0].Diffuse.r, 0.75f);
    EXPECT_EQ(later.Materials[1].Diffuse.r, 0.0f);
}

TEST_F(LoadingTest, DrawModelTurnsAboutXThenYThenZThenMoves)
{
    const Model model = LoadScripted({Material(0.1f)}, 1);
    const float quarter = static_cast<float>(M_PI / 2);
    // (1, 0, 0) turned a quarter about z, then moved 10 along x; (0, 1, 0) turned about x to
    // (0, 0, 1), then about y to (1, 0, 0).
    const struct {
        float X, AngleX, AngleY, AngleZ;
        D3DVECTOR From, To;
    } cases[] = {{10, 0, 0, quarter, {1, 0, 0}, {10, 1, 0}}, {0, quarter, quarter, 0, {0, 1, 0}, {1, 0, 0}}};
    for (const auto& c : cases) {
        DrawModel(model, c.X, 0, 0, c.AngleX, c.AngleY, c.AngleZ);
        float out[4];
        D3DXVec4TransformPoint(&graphics->Transforms[D3DTS_WORLD], &c.From, out);
        EXPECT_NEAR(out[0], c.To.x, 1e-5f);
        EXPECT_NEAR(out[1], c.To.y, 1e-5f);
        EXPECT_NEAR(out[2], c.To.z, 1e-5f);
    }
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

// Texture and model loading on the scripted device. The real helper library's side (files,
// materials, drawing) is tested with the OpenGL back end in tests/gl.
#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

#include <cmath>

using namespace DirectX_Framework;
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

    // Loads models/entitycube.x, whose material list holds materials of these red values and which
    // reports count materials.
    Model LoadScripted(std::vector<float> reds, DWORD count)
    {
        WriteWholeFile(folder / "models/entitycube.x", "xof 0303txt 0032\n");
        graphics->LoadMesh = [reds, count](const std::string&, D3DXMaterialBuffer& out, DWORD& n) {
            for (const float red : reds) {
                out.Materials.emplace_back();
                out.Materials.back().MatD3D.Diffuse = {red, 0.5f, 0.25f, 1};
                out.Materials.back().MatD3D.Ambient = {9, 9, 9, 9};
            }
            n = count;
            return D3D_OK;
        };
        Model model;
        LoadModel(model, folder / "models", "entitycube.x");
        return model;
    }
};

TEST_F(LoadingTest, ATextureLoadsFromAPathWrittenWithBackslashesInAnyCaseOrEndsTheProgramQuietly)
{
    WriteWholeFile(folder / "Textures/Walls/Brick.PNG", "image");
    TexturePtr texture;
    const std::string asWritten = folder.Path().string() + "\\textures\\walls\\brick.png";
    LoadTextureFile(texture, asWritten);
    ASSERT_TRUE(texture != nullptr);
    EXPECT_THAT(Log(), ElementsAre("Loading texture from file " + asWritten));
    EXPECT_THAT(*journal, ElementsAre("CreateTextureFromFile(Brick.PNG)"));
    EXPECT_EQ(RunToExit([&] { LoadTextureFile(texture, folder / "Textures/missing.png"); }), 1);
    EXPECT_TRUE(platform.MessageBoxes.empty());
}

TEST_F(LoadingTest, AModelLogsItsLoadingAndOnlyAFailingFirstMaterialIsRaised)
{
    const Model model = LoadScripted({0.1f, 0.2f}, 2);
    EXPECT_THAT(Log(), ElementsAre("Loading model 'entitycube.x' from location '" + (folder / "models") + "'"));
    EXPECT_THAT(*journal, ElementsAre("LoadMeshFromX(entitycube.x, 0x220)"));
    EXPECT_EQ(model.Materials[1].Ambient.g, 0.5f) << "the diffuse colour doubles as the ambient one";

    EXPECT_THROW(LoadScripted({}, 2), GraphicsError);
    // Only one of the three reported materials can be read: the other two are skipped.
    const Model later = LoadScripted({0.75f}, 3);
    EXPECT_EQ(later.MaterialCount, 3);
    EXPECT_EQ(std::tuple(later.Materials[0].Diffuse.r, later.Materials[1].Diffuse.r), std::tuple(0.75f, 0.0f));
}

TEST_F(LoadingTest, DrawModelTurnsAboutXThenYThenZThenMoves)
{
    const Model model = LoadScripted({0.1f}, 1);
    const float quarter = static_cast<float>(M_PI / 2);
    // (1, 0, 0) turned a quarter about z, then moved 10 along x; (0, 1, 0) turned about x to
    // (0, 0, 1), then about y to (1, 0, 0).
    const struct {
        float X, AngleX, AngleY, AngleZ;
        D3DVECTOR From, To;
    } cases[] = {{10, 0, 0, quarter, {1, 0, 0}, {10, 1, 0}}, {0, quarter, quarter, 0, {0, 1, 0}, {1, 0, 0}}};
    for (const auto& c : cases) {
        DrawModel(model, c.X, 0, 0, c.AngleX, c.AngleY, c.AngleZ);
        ExpectMapsTo(graphics->Transforms[D3DTS_WORLD], c.From, c.To, 1e-5f);
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

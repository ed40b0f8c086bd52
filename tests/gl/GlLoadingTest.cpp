// Texture and model files through the real helper library, and the framework's start-up, loaders
// and model drawing on the real device. (Damaged and hostile files: ImageFilesTest, XMeshFilesTest.)
#include "framework/D3DXMath.h"
#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "tests/gl/XFileSamples.h"
#include "tests/gl/GlTestSupport.h"

#include <gmock/gmock.h>

#include <filesystem>

using namespace DirectX_Framework;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// ---- image files straight through the helper object -----------------------------

class GlTextures : public GlDeviceTest {
protected:
    void SetUp() override
    {
        GlDeviceTest::SetUp();
        MakeDevice(64, 64);
    }

    HRESULT Load(const std::string& path, TexturePtr& texture) { return d3dx->CreateTextureFromFile(*device, path, texture); }
};

TEST_F(GlTextures, TheMipChainRunsDownTheLongerSideAndATgaFileStandsTheRightWayUp)
{
    // Read ahead (the PNG twice, as a map may name it): each file is still loaded, and fails,
    // where it is asked for; a listed file that is not there fails as without. (Decoding each
    // kind of file: ImageFilesTest.)
    WriteImage(folder / "a.png", 4, 2, std::vector<std::uint32_t>(8, 0xFFFF0000));
    d3dx->ReadAhead({folder / "missing.png", folder / "a.png", folder / "a.png"}, {});
    TexturePtr missing;
    EXPECT_EQ(Load(folder / "missing.png", missing), D3DXERR_INVALIDDATA);
    for (int twice = 0; twice < 2; ++twice) {
        TexturePtr wide;
        ASSERT_EQ(Load(folder / "a.png", wide), D3D_OK);
        EXPECT_EQ(std::tuple(wide->Width(), wide->Height(), wide->LevelCount()), std::tuple(4u, 2u, 3u));
    }
    // An uncompressed true-colour TGA with its rows stored bottom up: blue-green-red bytes.
    std::string tga(18, '\0');
    tga[2] = 2;
    tga[12] = 2;  // width 2
    tga[14] = 2;  // height 2
    tga[16] = 24; // bits per pixel
    tga += std::string("\x00\x00\xFF\x00\xFF\x00", 6); // bottom row: red, green
    tga += std::string("\xFF\x00\x00\xFF\xFF\xFF", 6); // top row: blue, white
    WriteWholeFile(folder / "Picture.TGA", tga);
    TexturePtr texture;
    ASSERT_EQ(Load(folder / "Picture.TGA", texture), D3D_OK);
    EXPECT_THAT(Quarters(texture), ::testing::ElementsAre(0xFF0000FFu, 0xFFFFFFFFu, 0xFFFF0000u, 0xFF00FF00u));
}

TEST_F(GlTextures, PicturesLargerThanTheDriverTakesAreRefused)
{
    D3DCAPS8 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, caps), D3D_OK);
    const UINT most = caps.MaxTextureWidth;
    ASSERT_GT(most, 0u);
    TexturePtr texture;
    WriteImage(folder / "widest.png", most, 1, std::vector<std::uint32_t>(most, 0xFF000000));
    WriteImage(folder / "too-wide.png", most + 1, 1, std::vector<std::uint32_t>(most + 1, 0xFF000000));
    d3dx->ReadAhead({folder / "widest.png", folder / "too-wide.png"}, {});
    EXPECT_EQ(Load(folder / "widest.png", texture), D3D_OK);
    TexturePtr tooWide;
    EXPECT_TRUE(Failed(Load(folder / "too-wide.png", tooWide)));
    EXPECT_EQ(tooWide, nullptr);
}

// ---- .x files straight through the helper object -------------------------------

class GlMeshes : public GlTextures {
protected:
    HRESULT LoadMesh(const std::string& path, MeshPtr& mesh)
    {
        D3DXMaterialBuffer materials;
        DWORD count = 0;
        return d3dx->LoadMeshFromX(path, D3DXMESH_MANAGED, *device, mesh, materials, count);
    }
};

TEST_F(GlMeshes, AModelReadAheadIsStillLoadedAndRefusedWhereItIsAskedFor)
{
    WriteWholeFile(folder / "quad.x", TwoMaterialQuad);
    WriteWholeFile(folder / "broken.x", std::string(TwoMaterialQuad).substr(0, 300));
    d3dx->ReadAhead({}, {folder / "broken.x", folder / "quad.x", folder / "never-loaded.x"});
    MeshPtr mesh;
    EXPECT_EQ(LoadMesh(folder / "broken.x", mesh), D3DXERR_INVALIDDATA);
    ASSERT_EQ(LoadMesh(folder / "quad.x", mesh), D3D_OK);
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->NumFaces(), 2u);
}

// ---- the framework's start-up, loaders and drawing on the real back end ----------

// One frame of the model drawn at the origin under full ambient light, culling as the game.
ImageARGB ModelFrame(const Model& model, const D3DMATRIX& view, const D3DMATRIX& projection)
{
    D3DDevice->SetTransform(D3DTS_VIEW, view);
    D3DDevice->SetTransform(D3DTS_PROJECTION, projection);
    D3DDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    D3DDevice->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    ClearFrame(0);
    D3DDevice->BeginScene();
    DrawModel(model, 0, 0, 0, 0, 0, 0);
    D3DDevice->EndScene();
    PresentFrame();
    ImageARGB image;
    EXPECT_EQ(D3DDevice->GetFrontBufferData(image), D3D_OK);
    return image;
}

using GlFramework = GlFrameworkTest;

TEST_F(GlFramework, StartsUpWithTheDeepestDepthBufferAndTheRightVertexProcessing)
{
    StartGame(16);
    EXPECT_THAT(Log(), ::testing::IsSupersetOf({"Checking for a 32 bit Z-Buffer: ", "Success! Using 32 bit Z-Buffer",
                                                "Created device!"}));
    // The suite's X server draws with Mesa's software renderer.
    EXPECT_THAT(Log(), ::testing::Contains("Hardware Transform and lighting is not supported"));
    EXPECT_EQ(PresentParams.AutoDepthStencilFormat, D3DFMT_D32);
    EXPECT_EQ(window->ClientWidth(), 640);
    EXPECT_TRUE(scripted.MessageBoxes.empty());
}

TEST_F(GlFramework, LoadsATwoMaterialModelWithItsTextureFromTheModelFolderAndDrawsIt)
{
    StartGame(32);
    WriteWholeFile(folder / "models/quad.x", TwoMaterialQuad);
    WriteImage(folder / "models/skins/wall.png", 2, 2, std::vector<std::uint32_t>(4, 0xFF00FF00));

    Model model;
    LoadModel(model, folder / "models", "quad.x");
    ASSERT_EQ(model.MaterialCount, 2);
    ASSERT_EQ(model.Materials.size(), 3u);
    ASSERT_EQ(model.ModelTextures.size(), 3u);
    EXPECT_EQ(model.Materials[0].Ambient.r, 1.0f) << "the diffuse colour doubles as the ambient one";
    EXPECT_EQ(model.Materials[2].Diffuse.r, 0.0f);
    EXPECT_EQ(model.ModelTextures[0], nullptr);
    ASSERT_NE(model.ModelTextures[1], nullptr);
    EXPECT_EQ(model.ModelTextures[1]->Width(), 2u);
    EXPECT_EQ(model.ModelTextures[2], nullptr);
    EXPECT_THAT(Log(), ::testing::Contains("Loading texture from file " + (folder / "models") + "/Skins/Wall.PNG"));

    // Identity camera: the quad fills the picture; ambient light shows each material's colour.
    D3DMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const ImageARGB image = ModelFrame(model, identity, identity);
    EXPECT_EQ(PixelAt(image, 480, 120), 0xFFFF0040u) << "the red triangle with its blue glow, wound as in the file";
    EXPECT_EQ(PixelAt(image, 160, 360), 0xFF00FF00u) << "the textured triangle";
}

TEST_F(GlFramework, TheShippedEntityModelLoadsWithItsTexture)
{
    StartGame(32);
    Model model;
    LoadModel(model, std::string(DUNMERE_ASSETS_DIR) + "/models", "entitycube.x");
    ASSERT_EQ(model.MaterialCount, 1);
    EXPECT_NE(model.ModelTextures[0], nullptr);
    EXPECT_EQ(model.Mesh->NumFaces(), 12u);
}

TEST_F(GlFramework, DamagedModelsAreTheCallersErrorAndTexturesTheyCannotHaveEndTheProgram)
{
    StartGame(16);
    WriteWholeFile(folder / "models/broken.x", std::string(TwoMaterialQuad).substr(0, 300));
    Model model;
    EXPECT_THROW(LoadModel(model, folder / "models", "broken.x"), GraphicsError);
    EXPECT_THROW(LoadModel(model, folder / "models", "missing.x"), GraphicsError);

    // A model that names itself as its texture, and one that names a texture that is not there.
    for (const char* texture : {"quad.x", "Skins\\Missing.png"}) {
        SCOPED_TRACE(texture);
        WriteWholeFile(folder / "models/quad.x", Replace(TwoMaterialQuad, "Skins\\Wall.PNG", texture));
        if (!D3DDevice) { // the first one ended the program
            ResetState();
            window = platform->CreateWindow(MainWindowOptions());
            MainWindow = window.get();
            StartGame(16);
        }
        int code = 0;
        try {
            LoadModel(model, folder / "models", "quad.x");
        } catch (const ProcessExit& exit) {
            code = exit.Code;
        }
        EXPECT_EQ(code, 1);
        const auto lines = SplitCrLfLines(ReadWholeFile(folder / "Log.txt"));
        EXPECT_EQ(LinesFrom(lines, "Error loading texture - Quitting.", 2),
                  (std::vector<std::string>{"Error loading texture - Quitting.",
                                            "Destroyed DirectX at 00:00:00"})); // the scripted clock at 0
    }
}

TEST(GlStartUp, WithoutOpenGL33TheStartUpFailsInOrderAndTheLogSaysWhy)
{
    // Mesa reads this when OpenGL is first set up, and then offers nothing newer than 3.0.
    setenv("MESA_GL_VERSION_OVERRIDE", "3.0", 1);
    std::string error;
    auto sdl = MakeTestPlatform(error);
    ASSERT_TRUE(sdl) << error;
    ResetState();
    ScriptedPlatform scripted;
    InstallPlatform(&scripted);
    DirectXFactory = OpenGLDirectXFactory(*sdl);
    auto window = sdl->CreateWindow(MainWindowOptions());
    StartDirectX();
    unsetenv("MESA_GL_VERSION_OVERRIDE");
    EXPECT_FALSE(D3D);
    EXPECT_FALSE(StartDirect3D(window.get(), 640, 480, 16, true));
    const std::vector<std::string> log(EngineLog.LogLines.begin(), EngineLog.LogLines.begin() + EngineLog.LogLineCount);
    ASSERT_GE(log.size(), 3u);
    EXPECT_THAT(log[2], ::testing::StartsWith("Cannot start OpenGL: OpenGL 3.3 (core profile) is not available"));
    ASSERT_EQ(scripted.MessageBoxes.size(), 1u);
    EXPECT_EQ(scripted.MessageBoxes[0].Text, "Error in initialisation! Quitting...");
    ResetState();
    DirectXFactory = nullptr;
    InstallPlatform(nullptr);
}

} // namespace

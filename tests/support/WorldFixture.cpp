#include "tests/support/WorldFixture.h"

#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

void WorldTest::SetUp()
{
    FrameworkTest::SetUp();
    ResetWorldState();
    graphics->Modes = {Mode(640, 480, 60, D3DFMT_R5G6B5)};
    graphics->DepthFormats = {D3DFMT_D16};
    ASSERT_TRUE(Start(640, 480, 16, false));
    DirectX_Framework::CreateGraphicsDevice(&mainWindow);
    journal->clear();
    DirectX_Framework::ClearLog();
}

void WorldTest::TearDown()
{
    ResetWorldState();
    FrameworkTest::TearDown();
}

void WorldTest::LoadMapText(const std::string& text)
{
    const std::string path = folder / "e1m1-double.dnmap";
    WriteWholeFile(path, text);
    mdlMap::LoadMap(path);
}

void WorldTest::MakeTexture(const std::string& name) { WriteWholeFile(folder / ("Textures/" + name), "image"); }

void WorldTest::LoadShippedMap(const std::string& assetsFolder)
{
    platform.AppFolder = assetsFolder;
    mdlMap::LoadMap(assetsFolder + "/e1m1-double.dnmap");
    mdlSlipping::PrepareWalls();
}

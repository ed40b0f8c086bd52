#include "tests/support/WorldFixture.h"

#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

#include <algorithm>
#include <cfloat>

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

float MapValues::Next()
{
    static const float Extremes[] = {0, 1e-40f, FLT_MIN, 1e-30f, 2e-12f, 5e-12f, 2e-11f, 3e9f, 4.5e9f, 7e9f, 1e19f, 1e38f, FLT_MAX};
    switch (Below(3)) {
    case 0: return static_cast<float>(Below(9) - 4);
    case 1: return std::uniform_real_distribution<float>(-1000, 1000)(random_);
    default: {
        const float value = std::min(Extremes[Below(std::size(Extremes))] * (1 + 0.375f * static_cast<float>(Below(3))), FLT_MAX);
        return Below(2) == 0 ? value : -value;
    }
    }
}

std::pair<float, float> MapValues::OnLine(float x1, float y1, float x2, float y2)
{
    static const float Along[] = {0, 1, 0.5f, 1.0f / 3, -1, 2.5f};
    const float t = Along[Below(std::size(Along))];
    return {x1 + t * (x2 - x1), y1 + t * (y2 - y1)};
}

#include "tests/fuzz/FuzzHarness.h"

#include "framework/DirectX_Framework.h"
#include "tests/support/TempFolder.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace Fuzz {

namespace {

// Made afresh for every input, so their journals do not grow over a campaign.
std::unique_ptr<ScriptedPlatform> ThePlatformDouble;
std::shared_ptr<ScriptedGraphics> TheGraphics;
std::unique_ptr<ScriptedWindow> TheWindow;

} // namespace

const std::string& ProgramFolder()
{
    static const TempFolder folder;
    static const std::string path = folder.Path().string();
    return path;
}

std::string WriteFile(const std::string& name, const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path path = std::filesystem::path(ProgramFolder()) / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!file)
        Fail("the input could not be written", __FILE__, __LINE__);
    return path.string();
}

ScriptedPlatform& StartPlatform()
{
    DirectX_Framework::ResetState();
    InstallPlatform(nullptr);
    TheGraphics = std::make_shared<ScriptedGraphics>();
    ThePlatformDouble = std::make_unique<ScriptedPlatform>(TheGraphics->Calls);
    ThePlatformDouble->AppFolder = ProgramFolder();
    InstallPlatform(ThePlatformDouble.get());
    return *ThePlatformDouble;
}

ScriptedGraphics& StartDevice()
{
    using namespace DirectX_Framework;
    StartPlatform();
    TheGraphics->Modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8}};
    TheGraphics->DepthFormats = {D3DFMT_D16};
    DirectXFactory = ScriptedDirectXFactory(TheGraphics);
    TheWindow = std::make_unique<ScriptedWindow>("frmMain", TheGraphics->Calls);
    MainWindow = TheWindow.get();
    StartDirectX();
    if (!StartDirect3D(TheWindow.get(), 640, 480, 32, true))
        Fail("the scripted device could not be started", __FILE__, __LINE__);
    CreateGraphicsDevice(TheWindow.get());
    return *TheGraphics;
}

void Fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, condition);
    std::abort();
}

} // namespace Fuzz

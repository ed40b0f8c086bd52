#include "tools/Headless.h"

#include "framework/DirectX_Framework.h"
#include "game/StartSequence.h"

#include <filesystem>

namespace Headless {

using namespace DirectX_Framework;

bool StartDevice(ScriptedPlatform& platform, const std::shared_ptr<ScriptedGraphics>& graphics, std::ostream& err)
{
    graphics->Modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8}};
    graphics->DepthFormats = {D3DFMT_D16};
    InstallPlatform(&platform);
    DirectXFactory = ScriptedDirectXFactory(graphics);
    KeepLogInMemory = true;
    StartSequence::WorldRequest request;
    request.Mode = GameMode{640, 480, 32, true};
    if (StartSequence::StartDevice(request).Outcome != StartSequence::Opening::Opened) {
        err << "dunmere-tool: the headless device could not be started\n";
        return false;
    }
    return true;
}

bool LoadMap(const std::string& mapPath, ScriptedPlatform& platform, std::ostream& err, mdlMap::MapObserver* observer)
{
    platform.AppFolder = std::filesystem::absolute(mapPath).parent_path().string();
    StartSequence::WorldRequest request;
    request.MapPath = mapPath;
    request.Observer = observer;
    try {
        const StartSequence::OpeningResult loaded = StartSequence::LoadWorld(request);
        if (loaded.Outcome != StartSequence::Opening::Opened) {
            err << "dunmere-tool: " << loaded.Error << '\n';
            return false;
        }
    } catch (const ProcessExit&) {
        err << "dunmere-tool: " << mapPath << ": a texture could not be loaded";
        for (int i = EngineLog.LogLineCount - 1; i >= 0; --i) {
            const std::string_view line = EngineLog.LogLines[static_cast<std::size_t>(i)];
            if (line.rfind("Loading texture from file ", 0) == 0) {
                err << " (" << line.substr(26) << ")";
                break;
            }
        }
        err << '\n';
        return false;
    }
    return true;
}

void ReportStops(const std::string& mapPath, std::ostream& err)
{
    for (int i = 0; i < EngineLog.LogLineCount; ++i) {
        const std::string_view line = EngineLog.LogLines[static_cast<std::size_t>(i)];
        if (line.rfind("Map reading stopped", 0) == 0)
            err << mapPath << ": warning: " << line << '\n';
    }
}

} // namespace Headless

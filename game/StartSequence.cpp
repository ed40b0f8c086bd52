#include "game/StartSequence.h"

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "game/frmMain.h"
#include "game/mdlRender.h"
#include "world/WorldErrors.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

#include <cstdlib>

namespace StartSequence {

using namespace DirectX_Framework;

namespace {

void Run(const std::function<void()>& hook)
{
    if (hook)
        hook();
}

} // namespace

OpeningResult StartDevice(const WorldRequest& request)
{
    const GameMode& mode = request.Mode;
    Window& window = frmMain::Create(mode.Width, mode.Height);
    frmMain::Form_Load();

    StartDirectX();
    if (!StartDirect3D(&window, mode.Width, mode.Height, mode.Depth, mode.Windowed))
        return {Opening::DeviceNotStarted, "the graphics device could not be started"};
    Run(request.DeviceStarted);
    // The files are decoded and parsed on the other processor while this one creates the device
    // (nothing to read while no map is named: the headless tools name theirs later).
    mdlRender::EntityModelFolder = request.ModelFolder;
    if (!request.MapPath.empty())
        mdlRender::ReadAhead(request.MapPath);
    CreateGraphicsDevice(&window);
    Run(request.DeviceCreated);
    return {};
}

OpeningResult LoadWorld(const WorldRequest& request)
{
    try {
        mdlMap::LoadMap(request.MapPath, request.Observer);
    } catch (const MapFileError& error) {
        return {Opening::MapNotRead, error.what()};
    }
    mdlSlipping::PrepareWalls();
    Run(request.WorldLoaded);
    return {};
}

OpeningResult OpenWorld(const WorldRequest& request)
{
    OpeningResult result = StartDevice(request);
    if (result.Outcome == Opening::Opened)
        result = LoadWorld(request);
    return result;
}

void RunGame(const GameMode& mode, const std::function<void()>& deviceStarted)
{
    WorldRequest request;
    request.Mode = mode;
    request.MapPath = JoinPath(ThePlatform().AppPath(), "\\e1m1-double.dnmap");
    request.DeviceStarted = deviceStarted;
    const OpeningResult opened = OpenWorld(request);
    switch (opened.Outcome) {
    case Opening::Opened:
        mdlRender::RunMainLoop();
    case Opening::DeviceNotStarted:
        // StartDirect3D has told the user why.
        ExitCode = 1;
        DestroyDirectX();
    case Opening::MapNotRead:
        FailAndQuit("Error loading map - Quitting: " + opened.Error, "Error loading map",
                    "The map file " + request.MapPath + " could not be opened. Please reinstall the game.");
    }
    std::abort(); // every outcome above ends the program
}

} // namespace StartSequence

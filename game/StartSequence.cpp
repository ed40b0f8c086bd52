#include "game/StartSequence.h"

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "game/frmMain.h"
#include "game/mdlRender.h"
#include "world/WorldErrors.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

namespace StartSequence {

using namespace DirectX_Framework;

void RunGame(const GameMode& mode, const std::function<void()>& afterStart)
{
    Window& window = frmMain::Create(mode.Width, mode.Height);
    frmMain::Form_Load();

    StartDirectX();
    if (!StartDirect3D(&window, mode.Width, mode.Height, mode.Depth, mode.Windowed)) {
        ExitCode = 1;
        DestroyDirectX();
    }
    if (afterStart)
        afterStart();
    // The files are decoded and parsed on the other processor while this one starts the device.
    const std::string mapPath = JoinPath(ThePlatform().AppPath(), "\\e1m1-double.dnmap");
    mdlRender::ReadAhead(mapPath);
    CreateGraphicsDevice(&window);

    try {
        mdlMap::LoadMap(mapPath);
    } catch (const MapFileError& error) {
        FailAndQuit(std::string("Error loading map - Quitting: ") + error.what(), "Error loading map",
                    "The map file " + mapPath + " could not be opened. Please reinstall the game.");
    }
    mdlSlipping::PrepareWalls();
    mdlRender::RunMainLoop();
}

void EndOnUnexpectedError(const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        FailAndQuit(std::string("Unexpected error - Quitting: ") + error.what(), "Dunmere Demo",
                    std::string("The game stopped because of an unexpected error:\r\n") + error.what());
    }
}

} // namespace StartSequence

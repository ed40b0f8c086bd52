// The start of a game: the main window, the graphics device in the chosen mode, the world from
// the map file, and the main loop, which ends the program.
//
// This is the one way into a world. The game, dunmere-tool and the benchmarks all open theirs
// with StartDevice and LoadWorld (or OpenWorld, both in turn), so a change to the order of the
// start shows everywhere at once. What draws then sets up the scene with mdlRender::SetUpScene,
// which the game's main loop runs as its first step.
#pragma once

#include "framework/GameMode.h"

#include <functional>
#include <string>

namespace mdlMap {
class MapObserver;
}

namespace StartSequence {

// What to open: the mode, the map, where the entity model lies, and what to run between the
// steps. Textures are looked up under Textures/ in the platform's program folder (the tools
// install a platform whose program folder is the map's own).
struct WorldRequest {
    GameMode Mode;
    std::string MapPath;
    // The folder holding the entity model; empty: models/ in the program's folder.
    std::string ModelFolder;
    // Sees every field and entry the map's reader meets (dunmere-tool check); may be null.
    mdlMap::MapObserver* Observer = nullptr;

    // Run once the device has started in the mode (the launcher closes itself here).
    std::function<void()> DeviceStarted;
    // Run once the device has been created, before the map is read.
    std::function<void()> DeviceCreated;
    // Run once the map is loaded and its walls are ready for collision.
    std::function<void()> WorldLoaded;
};

// How far the opening went. A failure that ends the game (a texture the map names cannot be
// loaded) ends the program in order instead of returning.
enum class Opening {
    Opened,
    DeviceNotStarted, // the adapter cannot start the mode
    MapNotRead,       // the map file cannot be opened; Error says why
};

struct OpeningResult {
    Opening Outcome = Opening::Opened;
    std::string Error;
};

// The main window ("Main", shown, the cursor hidden), the framework and the device in the
// request's mode, DeviceStarted, the map's textures and the model read ahead in the background,
// the device created, DeviceCreated.
OpeningResult StartDevice(const WorldRequest& request);

// The map loaded into the world stores, the walls made ready for collision, WorldLoaded.
OpeningResult LoadWorld(const WorldRequest& request);

// StartDevice, then LoadWorld.
OpeningResult OpenWorld(const WorldRequest& request);

// The game's start, for the launcher's "Go!": opens the world of the map beside the program in
// mode, runs deviceStarted once the device has started (the launcher closes itself there), then
// runs the main loop. A failure on the way ends the program in order. Never returns.
[[noreturn]] void RunGame(const GameMode& mode, const std::function<void()>& deviceStarted = {});

} // namespace StartSequence

// Maps loaded exactly as the game loads them, without a display: the scripted platform and a
// device that keeps the geometry it is given but draws nothing.
#pragma once

#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"
#include "world/mdlMap.h"

#include <memory>
#include <ostream>
#include <string>

namespace Headless {

// Installs platform and starts a device made from graphics through the game's start path, in a
// 640 x 480 x 32 window. False, with a message on err, when the device cannot be started.
bool StartDevice(ScriptedPlatform& platform, const std::shared_ptr<ScriptedGraphics>& graphics, std::ostream& err);

// Loads the map through the game's start path (the walls made ready for collision), its
// textures looked up in the map's folder as the game looks them up in its own. False, with a
// message on err, when the map cannot be opened or one of its textures cannot be loaded (which
// would end the game).
bool LoadMap(const std::string& mapPath, ScriptedPlatform& platform, std::ostream& err,
             mdlMap::MapObserver* observer = nullptr);

// Writes every "Map reading stopped" line of the log to err as a warning about the map.
void ReportStops(const std::string& mapPath, std::ostream& err);

} // namespace Headless

// dunmere-tool check: tells a map's author, before the game runs, what the game will do with
// the map. The map is read by the game's own loader on the headless device, which reports what
// it meets; the findings about the loaded world come from the stores it filled.
#pragma once

#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"

#include "world/mdlMap.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace Check {

// Checks one map on a started headless device (Headless::StartDevice). Each finding goes to out
// as "FILE:LINE:COL: error: text" or "...: warning: text", in the order of the file, then a
// summary line with the stores' counts and the room left in each; quiet keeps only the errors.
// Texture files are looked for where the game looks, not decoded. Returns 0 when nothing is an
// error, 1 when something is, 2 when the map cannot be read (the reason goes to err).
int CheckMap(const std::string& path, ScriptedPlatform& platform, ScriptedGraphics& graphics, bool quiet,
             std::ostream& out, std::ostream& err);

// What CheckMap reports about a map that load reads, with the observer it is given, into the
// world stores (emptied first) on the device that is up; load returns false, after telling err
// why, when the map cannot be read. dunmere-tool play checks a map it loads again this way, on
// the real device. Leaves the player at the map's spawn. Returns 0, 1 or 2 as CheckMap does.
int CheckLoad(const std::string& path, bool quiet, std::ostream& out,
              const std::function<bool(mdlMap::MapObserver&)>& load);

// Checks every map in turn; the result is the worst of theirs.
int Run(const std::vector<std::string>& maps, bool quiet, std::ostream& out, std::ostream& err);

} // namespace Check

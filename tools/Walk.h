// The headless movement simulation of dunmere-tool: a map loaded as the game loads it, the
// player spawned, and a script of key and mouse commands run against the game's own handlers.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace Walk {

// Exit codes: 0 success, 1 the map or one of its textures cannot be loaded, 2 a script line
// that cannot be parsed, 3 a script line at which the game would end with an error (a player
// carried beyond the range of 32-bit floats).
int Run(const std::string& mapPath, std::istream& script, std::ostream& out, std::ostream& err);

// The shortest decimal text that reads back as the same 32-bit float.
std::string ShortestFloat(float value);

} // namespace Walk

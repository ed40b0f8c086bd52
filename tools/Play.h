// dunmere-tool play: the game itself on any map, in a window: its main loop, handlers, movement,
// renderer, debug keys and shutdown. The map is loaded again whenever it or one of its textures
// is saved (and on F5); a run can be recorded as a walk script and a script replayed.
#pragma once

#include "tools/PlaySession.h"

namespace Play {

// Exit status: 0 the game ended with Escape, 1 the map cannot be loaded (its check errors on
// standard error) or the window or a file cannot be opened, 2 a replay script that cannot be
// read.
int Run(const Options& options);

} // namespace Play

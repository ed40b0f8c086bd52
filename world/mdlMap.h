// The map loader: reads one map file into the texture, wall, floor and entity stores.
#pragma once

#include <string>

namespace mdlMap {

// Empties the texture, wall and floor stores, reads the map file at path entry by entry and
// closes the open batches, then regroups the walls by texture. Reading ends at the end of the
// file or at the first entry that cannot be read or does not fit; the entries before it stay,
// and a log line names the line where reading stopped and why. A file that cannot be opened
// raises MapFileError (naming the path) before anything is read.
void LoadMap(const std::string& path);

} // namespace mdlMap

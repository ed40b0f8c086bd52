// dunmere-tool bench: a timedemo. The device starts as the game starts it, the map and the model
// load, and a route (a walk script, one game tick a frame) is replayed through the game's own
// frame renderer as fast as the machine allows, in short slices that alternate with a bare
// reference renderer drawing the same frames and with the visible-only bound (the reference's
// frames shaded against their final depths), so that load from elsewhere hits all alike.
#pragma once

#include <cstdint>
#include <string>

namespace Bench {

struct Options {
    std::string MapPath;
    double Seconds = 10; // of each path
    int Frames = 0;      // when set: exactly this many frames of each path, one path after the other
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 32;
    std::string RoutePath; // empty: the built-in route through the shipped map
    std::string CsvPath;   // one row a frame
    std::string PlotPath;  // the frame times of the paths as a PNG picture
};

// Exit codes: 0 measured and reported, 1 something could not be started, loaded or written,
// 2 a route that cannot be read.
int Run(const Options& options);

// The built-in route: through every room of the shipped map, walking, turning, looking up and
// down, and lifting with f.
std::string DefaultRoute();

} // namespace Bench

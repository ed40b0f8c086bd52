// What dunmere-tool bench measured, and its table, CSV file and plot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace Bench {

struct FrameTime {
    double At = 0; // seconds from the start of the timed part
    double Ms = 0; // the frame's length
};

// The frames one path drew in the timed part, in order.
struct PathRecord {
    std::string Name;
    std::vector<FrameTime> Frames;
    double Milliseconds = 0;
    std::uint64_t Allocations = 0;       // the program's own
    std::uint64_t DriverAllocations = 0; // the graphics driver's and the window system's
};

struct PathSummary {
    std::size_t Frames = 0;
    double AverageFps = 0;
    double MedianMs = 0;
    double P99Ms = 0; // the frame time that 99 % of the frames do not exceed
    double WorstMs = 0;
    double LowFps = 0; // "1 % low": the rate of the slowest 1 % of the frames, averaged
    double AllocationsPerFrame = 0;
    double DriverAllocationsPerFrame = 0;
};

PathSummary Summarise(const PathRecord& path);

struct Report {
    std::string Map;
    int Width = 0;
    int Height = 0;
    int Depth = 0;
    double Seconds = 0;
    double SliceSeconds = 0;
    double StartUpMs = 0; // from the start of device creation to the first presented frame
    double DeviceMs = 0;
    double MapMs = 0;
    double SceneMs = 0; // the model, the spawn and the render state
    double StartUpProcessorMs = 0; // processor time of all threads and the model's reader
    double StartUpThreadProcessorMs = 0; // of the thread that starts the game (the others help it)
    double TexturesMs = 0;
    double ModelMs = 0;
    std::size_t RouteFrames = 0;
    // The game's and the reference's pictures of every 50th frame of the route, compared
    std::size_t ComparedFrames = 0;
    int LargestDifference = 0; // per channel
    double MeanDifference = 0;
    std::size_t DifferingPixels = 0; // in all of them
    // Over the compared frames: the fragments the plain drawing shades, and the visible ones
    std::uint64_t ShadedFragments = 0;
    std::uint64_t VisibleFragments = 0;
    std::vector<PathRecord> Paths; // the game, the reference, the visible-only bound
};

// The table, ending in the one-line summary "bench: fps=... startup_ms=...".
void PrintReport(const Report& report, std::ostream& out);
// One row a frame, every path, in the order they were drawn.
bool WriteCsv(const Report& report, const std::string& path, std::string& error);
// The frame times of every path over the run, as a PNG picture.
bool WritePlot(const Report& report, const std::string& path, std::string& error);

// A number with a fixed count of decimals, whatever the locale.
std::string Fixed(double value, int decimals);

} // namespace Bench

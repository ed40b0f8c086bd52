// dunmere-tool bench MAP [options] | bench --print-route
#include "tools/Bench.h"
#include "tools/Commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace Commands {

Command AddBench(CLI::App& app)
{
    struct Arguments {
        Bench::Options Options;
        std::string Size = "640x480";
        bool PrintRoute = false;
    };
    const auto arguments = std::make_shared<Arguments>();
    Bench::Options& bench = arguments->Options;
    CLI::App* benchCommand = app.add_subcommand(
        "bench", "A timedemo: start the device as the game does, load MAP and the model, then replay a route "
                 "(a walk script, one game tick a frame) through the game's renderer as fast as the machine "
                 "allows, in slices that alternate with a bare reference renderer drawing the same frames and with "
                 "the visible-only bound (the reference's frames shaded against their final depths). "
                 "Prints the start-up time, the comparison of every 50th frame with the reference's, the "
                 "overdraw, a table of frame times and a last line \"bench: fps=... ref_fps=... ratio=... "
                 "median_fps=... bound_ratio=... p99_ms=... p99_ratio=... median_ms=... allocs_per_frame=... "
                 "startup_ms=...\".");
    benchCommand->add_option("MAP", bench.MapPath, "the map file (required unless --print-route)");
    benchCommand->add_option("--seconds", bench.Seconds, "seconds of each path")
        ->check(CLI::Range(0.25, 3600.0))
        ->default_str("10");
    benchCommand->add_option("--frames", bench.Frames,
                             "run exactly N frames of each path, one path after the other, instead of "
                             "--seconds (for instruction counts under a profiler)")
        ->check(CLI::Range(1, 1000000));
    benchCommand->add_option("--size", arguments->Size, "back buffer size WxH")->default_str("640x480");
    benchCommand->add_option("--depth", bench.Depth, "colour depth")->check(CLI::IsMember({16, 32}))->default_str("32");
    benchCommand->add_option("--route", bench.RoutePath, "a walk script to replay instead of the built-in route");
    benchCommand->add_option("--csv", bench.CsvPath, "write one row a frame (path, frame, start_s, ms)");
    benchCommand->add_option("--plot", bench.PlotPath, "draw the frame times of the paths as a PNG picture");
    benchCommand->add_flag("--print-route", arguments->PrintRoute, "print the built-in route and stop");

    return {benchCommand, [arguments] {
                if (arguments->PrintRoute) {
                    std::cout << Bench::DefaultRoute();
                    return 0;
                }
                Bench::Options& options = arguments->Options;
                if (options.MapPath.empty()) {
                    std::cerr << "dunmere-tool: bench needs a MAP\n";
                    return 2;
                }
                if (!ReadSize(arguments->Size, options.Width, options.Height))
                    return 2;
                return Bench::Run(options);
            }};
}

} // namespace Commands

// dunmere-tool: companion commands for map authors and for the tests.
#include "tools/Bench.h"
#include "tools/Check.h"
#include "tools/Plan.h"
#include "tools/Shot.h"
#include "tools/Walk.h"

#include <CLI/CLI.hpp>

#include <clocale>
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    CLI::App app{"Dunmere Demo companion tool: runs a map headless or renders it for map authors."};
    app.require_subcommand(1);

    std::string walkMap;
    std::string walkScript;
    CLI::App* walk = app.add_subcommand(
        "walk", "Load MAP as the game does, spawn the player and run a movement script (standard input when SCRIPT "
                "is left out). Commands, one a line, # starts a comment: down CODE | up CODE (arrow keys 37-40), "
                "key C (key esc for Escape), look DX DY, tick N, print (X Y Z Yaw Pitch).");
    walk->add_option("MAP", walkMap, "the map file")->required();
    walk->add_option("SCRIPT", walkScript, "the script file");

    Shot::Request shot;
    std::string size = "640x480";
    std::vector<float> eye;
    CLI::App* shotCommand = app.add_subcommand(
        "shot", "Render one frame of MAP exactly as the game draws it (the read-out shows FPS: 0) and write it "
                "to OUT as PNG. Textures are looked up in the map's folder.");
    shotCommand->add_option("MAP", shot.MapPath, "the map file")->required();
    shotCommand->add_option("OUT", shot.OutPath, "the PNG file to write")->required();
    shotCommand->add_option("--eye", eye, "the eye position X Y Z (z grows downward)")->expected(3)->required();
    shotCommand->add_option("--yaw", shot.Yaw, "heading in degrees (0 faces +y, 90 faces +x)")->required();
    shotCommand->add_option("--pitch", shot.Pitch, "view elevation in degrees (positive looks down)")->required();
    shotCommand->add_option("--size", size, "picture size WxH")->default_str("640x480");
    shotCommand->add_option("--depth", shot.Depth, "colour depth")->check(CLI::IsMember({16, 32}))->default_str("32");
    shotCommand->add_option("--fill", shot.Fill, "fill mode")
        ->check(CLI::IsMember({"solid", "wire", "point"}))
        ->default_str("solid");
    shotCommand->add_flag("--no-textures", shot.NoTextures, "draw without textures");

    Bench::Options bench;
    std::string benchSize = "640x480";
    bool printRoute = false;
    CLI::App* benchCommand = app.add_subcommand(
        "bench", "A timedemo: start the device as the game does, load MAP and the model, then replay a route "
                 "(a walk script, one game tick a frame) through the game's renderer as fast as the machine "
                 "allows, in slices that alternate with a bare reference renderer drawing the same frames. "
                 "Prints the start-up time, a table of frame times and a last line "
                 "\"bench: fps=... ref_fps=... ratio=... p99_ms=... median_ms=... allocs_per_frame=... startup_ms=...\".");
    benchCommand->add_option("MAP", bench.MapPath, "the map file (required unless --print-route)");
    benchCommand->add_option("--seconds", bench.Seconds, "seconds of each path")
        ->check(CLI::Range(0.25, 3600.0))
        ->default_str("10");
    benchCommand->add_option("--frames", bench.Frames,
                             "run exactly N frames of each path, one path after the other, instead of "
                             "--seconds (for instruction counts under a profiler)")
        ->check(CLI::Range(1, 1000000));
    benchCommand->add_option("--size", benchSize, "back buffer size WxH")->default_str("640x480");
    benchCommand->add_option("--depth", bench.Depth, "colour depth")->check(CLI::IsMember({16, 32}))->default_str("32");
    benchCommand->add_option("--route", bench.RoutePath, "a walk script to replay instead of the built-in route");
    benchCommand->add_option("--csv", bench.CsvPath, "write one row a frame (path, frame, start_s, ms)");
    benchCommand->add_option("--plot", bench.PlotPath, "draw the frame times of both paths as a PNG picture");
    benchCommand->add_flag("--print-route", printRoute, "print the built-in route and stop");

    std::vector<std::string> checkMaps;
    bool quiet = false;
    CLI::App* check = app.add_subcommand(
        "check", "Read each MAP with the game's own loader and report what the game will do with it, as "
                 "FILE:LINE:COL: error|warning: text, then a summary line per map. Exit status: 0 no errors, 1 "
                 "errors, 2 a map cannot be read or the arguments are wrong.");
    check->add_option("MAP", checkMaps, "the map files")->required();
    check->add_flag("--quiet", quiet, "print only the errors");

    Plan::Request plan;
    CLI::App* planCommand = app.add_subcommand(
        "plan", "Draw MAP from above into OUT (.png or .svg): floors shaded by height, walls with a tick on the "
                "side they are seen from (dashed where the player steps over or walks under them), the spawn "
                "point with its heading, a scale bar and a height legend.");
    planCommand->add_option("MAP", plan.MapPath, "the map file")->required();
    planCommand->add_option("OUT", plan.OutPath, "the picture to write, .png or .svg")->required();
    planCommand->add_option("--size", plan.Size, "pixels on the longer side")
        ->check(CLI::Range(Plan::MinSize, Plan::MaxSize))
        ->default_str(std::to_string(plan.Size));

    // Wrong arguments end with status 2.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }

    if (check->parsed())
        return Check::Run(checkMaps, quiet, std::cout, std::cerr);
    if (planCommand->parsed())
        return Plan::Run(plan, std::cerr);

    // WxH within what a back buffer can be; false (with a message) otherwise.
    const auto readSize = [](const std::string& text, std::int32_t& width, std::int32_t& height) {
        char x = 0;
        std::istringstream parts(text);
        if (!(parts >> width >> x >> height) || (x != 'x' && x != 'X') || !parts.eof() || width < 1 || height < 1 ||
            width > 8192 || height > 8192) {
            std::cerr << "dunmere-tool: --size takes WxH, for example 640x480\n";
            return false;
        }
        return true;
    };

    if (benchCommand->parsed()) {
        if (printRoute) {
            std::cout << Bench::DefaultRoute();
            return 0;
        }
        if (bench.MapPath.empty()) {
            std::cerr << "dunmere-tool: bench needs a MAP\n";
            return 2;
        }
        if (!readSize(benchSize, bench.Width, bench.Height))
            return 2;
        return Bench::Run(bench);
    }

    if (shotCommand->parsed()) {
        if (!readSize(size, shot.Width, shot.Height))
            return 2;
        std::copy(eye.begin(), eye.end(), shot.Eye);
        return Shot::Run(shot);
    }

    if (walk->parsed()) {
        if (walkScript.empty())
            return Walk::Run(walkMap, std::cin, std::cout, std::cerr);
        std::ifstream script(walkScript);
        if (!script) {
            std::cerr << "dunmere-tool: cannot open the script " << walkScript << '\n';
            return 1;
        }
        return Walk::Run(walkMap, script, std::cout, std::cerr);
    }
    return 0;
}

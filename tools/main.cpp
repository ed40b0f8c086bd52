// dunmere-tool: companion commands for map authors and for the tests.
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

    if (shotCommand->parsed()) {
        int width = 0;
        int height = 0;
        char x = 0;
        std::istringstream parts(size);
        if (!(parts >> width >> x >> height) || (x != 'x' && x != 'X') || !parts.eof() || width < 1 ||
            height < 1 || width > 8192 || height > 8192) {
            std::cerr << "dunmere-tool: --size takes WxH, for example 640x480\n";
            return 2;
        }
        std::copy(eye.begin(), eye.end(), shot.Eye);
        shot.Width = width;
        shot.Height = height;
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

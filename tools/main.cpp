// dunmere-tool: companion commands for map authors and for the tests.
#include "tools/Walk.h"

#include <CLI/CLI.hpp>

#include <clocale>
#include <fstream>
#include <iostream>

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

    CLI11_PARSE(app, argc, argv);

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

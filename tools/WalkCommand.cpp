// dunmere-tool walk MAP [SCRIPT]
#include "tools/Commands.h"
#include "tools/Walk.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <memory>

namespace Commands {

Command AddWalk(CLI::App& app)
{
    struct Arguments {
        std::string Map;
        std::string Script;
    };
    const auto arguments = std::make_shared<Arguments>();
    CLI::App* walk = app.add_subcommand(
        "walk", "Load MAP as the game does, spawn the player and run a movement script (standard input when SCRIPT "
                "is left out). Commands, one a line, # starts a comment: down CODE | up CODE (arrow keys 37-40), "
                "key C (key esc for Escape), look DX DY, tick N, print (X Y Z Yaw Pitch), at X Y Z YAW PITCH (places the "
                "player).");
    walk->add_option("MAP", arguments->Map, "the map file")->required();
    walk->add_option("SCRIPT", arguments->Script, "the script file");

    return {walk, [arguments] {
                if (arguments->Script.empty())
                    return Walk::Run(arguments->Map, std::cin, std::cout, std::cerr);
                std::ifstream script(arguments->Script);
                if (!script) {
                    std::cerr << "dunmere-tool: cannot open the script " << arguments->Script << '\n';
                    return 1;
                }
                return Walk::Run(arguments->Map, script, std::cout, std::cerr);
            }};
}

} // namespace Commands

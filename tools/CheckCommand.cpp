// dunmere-tool check MAP... [--quiet]
#include "tools/Check.h"
#include "tools/Commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace Commands {

Command AddCheck(CLI::App& app)
{
    struct Arguments {
        std::vector<std::string> Maps;
        bool Quiet = false;
    };
    const auto arguments = std::make_shared<Arguments>();
    CLI::App* check = app.add_subcommand(
        "check", "Read each MAP with the game's own loader and report what the game will do with it, as "
                 "FILE:LINE:COL: error|warning: text, then a summary line per map. Exit status: 0 no errors, 1 "
                 "errors, 2 a map cannot be read or the arguments are wrong.");
    check->add_option("MAP", arguments->Maps, "the map files")->required();
    check->add_flag("--quiet", arguments->Quiet, "print only the errors");

    return {check, [arguments] { return Check::Run(arguments->Maps, arguments->Quiet, std::cout, std::cerr); }};
}

} // namespace Commands

// dunmere-tool: companion commands for map authors and for the tests.
#include "tools/Commands.h"

#include <CLI/CLI.hpp>

#include <clocale>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    CLI::App app{"Dunmere Demo companion tool: runs a map headless or renders it for map authors."};
    app.require_subcommand(1);
    const Commands::Command commands[] = {Commands::AddWalk(app), Commands::AddShot(app), Commands::AddBench(app),
                                          Commands::AddCheck(app), Commands::AddPlan(app),
                                          Commands::AddPlay(app)};

    // Wrong arguments end with status 2.
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }

    for (const Commands::Command& command : commands)
        if (command.Subcommand->parsed())
            return command.Run();
    return 0;
}

// dunmere-tool play MAP [--size WxH] [--depth 16|32] [--full-screen] [--at X Y Z YAW PITCH]
//                       [--record FILE | --replay FILE] [--log FILE]
#include "tools/Commands.h"
#include "tools/Play.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <vector>

namespace Commands {

Command AddPlay(CLI::App& app)
{
    struct Arguments {
        Play::Options Options;
        std::string Size = "640x480";
        std::vector<float> At;
    };
    const auto arguments = std::make_shared<Arguments>();
    Play::Options& play = arguments->Options;
    CLI::App* playCommand = app.add_subcommand(
        "play", "Play MAP as the game does, in a window, with the textures under Textures/ beside the map; F12 "
                "saves screenshots beside the map. Saving the map or one of its textures (or F5) loads it again "
                "where the player stands; a save with check errors keeps the world and shows the first error. "
                "Escape prints X Y Z Yaw Pitch; the log goes to standard error or --log. Exit status: 0 after "
                "Escape, 1 the map has check errors or the window cannot open, 2 wrong arguments or script.");
    playCommand->add_option("MAP", play.MapPath, "the map file")->required();
    playCommand->add_option("--size", arguments->Size, "window size WxH")->default_str("640x480");
    playCommand->add_option("--depth", play.Depth, "colour depth")->check(CLI::IsMember({16, 32}))->default_str("32");
    playCommand->add_flag("--full-screen", play.FullScreen, "full screen instead of a borderless window");
    playCommand->add_option("--at", arguments->At, "start at X Y Z looking along YAW PITCH instead of the spawn")
        ->expected(5);
    CLI::Option* record =
        playCommand->add_option("--record", play.RecordPath, "write the run to FILE as a walk script");
    playCommand->add_option("--replay", play.ReplayPath, "play the walk script FILE back, then hand over")
        ->excludes(record);
    playCommand->add_option("--log", play.LogPath, "write the log to FILE instead of standard error");

    return {playCommand, [arguments] {
                Play::Options& options = arguments->Options;
                if (!ReadSize(arguments->Size, options.Width, options.Height))
                    return 2;
                if (arguments->At.size() == 5) {
                    options.At.emplace();
                    std::copy(arguments->At.begin(), arguments->At.end(), options.At->begin());
                }
                return Play::Run(options);
            }};
}

} // namespace Commands

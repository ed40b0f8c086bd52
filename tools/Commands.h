// The subcommands of dunmere-tool. Each one adds itself to the command line with its options,
// their defaults and help texts, and gives back what runs it once the line has been parsed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace CLI {
class App;
}

namespace Commands {

struct Command {
    CLI::App* Subcommand = nullptr;
    std::function<int()> Run; // returns the tool's exit status
};

// In the order they are listed by --help.
Command AddWalk(CLI::App& app);
Command AddShot(CLI::App& app);
Command AddBench(CLI::App& app);
Command AddCheck(CLI::App& app);
Command AddPlan(CLI::App& app);
Command AddPlay(CLI::App& app);

// Reads a --size of WxH within what a back buffer can be; false, with a message on standard
// error, otherwise.
bool ReadSize(const std::string& text, std::int32_t& width, std::int32_t& height);

} // namespace Commands

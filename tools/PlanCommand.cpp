// dunmere-tool plan MAP OUT [--size N]
#include "tools/Commands.h"
#include "tools/Plan.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace Commands {

Command AddPlan(CLI::App& app)
{
    const auto plan = std::make_shared<Plan::Request>();
    CLI::App* planCommand = app.add_subcommand(
        "plan", "Draw MAP from above into OUT (.png or .svg): floors shaded by height, walls with a tick on the "
                "side they are seen from (dashed where the player steps over or walks under them), the spawn "
                "point with its heading, a scale bar and a height legend.");
    planCommand->add_option("MAP", plan->MapPath, "the map file")->required();
    planCommand->add_option("OUT", plan->OutPath, "the picture to write, .png or .svg")->required();
    planCommand->add_option("--size", plan->Size, "pixels on the longer side")
        ->check(CLI::Range(Plan::MinSize, Plan::MaxSize))
        ->default_str(std::to_string(plan->Size));

    return {planCommand, [plan] { return Plan::Run(*plan, std::cerr); }};
}

} // namespace Commands

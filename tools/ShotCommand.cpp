// dunmere-tool shot MAP OUT --eye X Y Z --yaw DEG --pitch DEG [options]
#include "tools/Commands.h"
#include "tools/Shot.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <memory>
#include <vector>

namespace Commands {

Command AddShot(CLI::App& app)
{
    struct Arguments {
        Shot::Request Request;
        std::string Size = "640x480";
        std::vector<float> Eye;
    };
    const auto arguments = std::make_shared<Arguments>();
    Shot::Request& shot = arguments->Request;
    CLI::App* shotCommand = app.add_subcommand(
        "shot", "Render one frame of MAP exactly as the game draws it (the read-out shows FPS: 0) and write it "
                "to OUT as PNG. Textures are looked up in the map's folder.");
    shotCommand->add_option("MAP", shot.MapPath, "the map file")->required();
    shotCommand->add_option("OUT", shot.OutPath, "the PNG file to write")->required();
    shotCommand->add_option("--eye", arguments->Eye, "the eye position X Y Z (z grows downward)")
        ->expected(3)
        ->required();
    shotCommand->add_option("--yaw", shot.Yaw, "heading in degrees (0 faces +y, 90 faces +x)")->required();
    shotCommand->add_option("--pitch", shot.Pitch, "view elevation in degrees (positive looks down)")->required();
    shotCommand->add_option("--size", arguments->Size, "picture size WxH")->default_str("640x480");
    shotCommand->add_option("--depth", shot.Depth, "colour depth")->check(CLI::IsMember({16, 32}))->default_str("32");
    shotCommand->add_option("--fill", shot.Fill, "fill mode")
        ->check(CLI::IsMember({"solid", "wire", "point"}))
        ->default_str("solid");
    shotCommand->add_flag("--no-textures", shot.NoTextures, "draw without textures");

    return {shotCommand, [arguments] {
                Shot::Request& request = arguments->Request;
                if (!ReadSize(arguments->Size, request.Width, request.Height))
                    return 2;
                std::copy(arguments->Eye.begin(), arguments->Eye.end(), request.Eye);
                return Shot::Run(request);
            }};
}

} // namespace Commands

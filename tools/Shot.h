// dunmere-tool shot: one frame of a map rendered exactly as the game renders it, saved as PNG.
#pragma once

#include <cstdint>
#include <string>

namespace Shot {

struct Request {
    std::string MapPath;
    std::string OutPath;
    float Eye[3] = {0, 0, 0};
    float Yaw = 0;
    float Pitch = 0;
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 32;
    std::string Fill = "solid"; // solid, wire or point
    bool NoTextures = false;
};

// Exit codes: 0 the picture was written, 1 something could not be loaded, started or written.
int Run(const Request& request);

} // namespace Shot

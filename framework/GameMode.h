// The display mode a game runs in, as the launcher hands it to the game's start.
#pragma once

#include <cstdint>

struct GameMode {
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 16;
    bool Windowed = false; // "Fake Fullscreen"
};

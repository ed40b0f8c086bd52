// The start of a game: the main window, the graphics device in the chosen mode, the world from
// the map file, and the main loop, which ends the program.
#pragma once

#include <cstdint>
#include <functional>

namespace StartSequence {

struct GameMode {
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 16;
    bool Windowed = false; // "Fake Fullscreen"
};

// Shows the main window, starts the device in mode, runs afterStart (the launcher closes
// itself there), creates the device, loads the map and runs the game. A failure on the way ends
// the program in order. Never returns.
[[noreturn]] void RunGame(const GameMode& mode, const std::function<void()>& afterStart = {});

// Runs body; an error that escapes it ends the program in order: a log line, a message box
// naming the error, and the shutdown (log saved). Never returns when body ends the program.
void EndOnUnexpectedError(const std::function<void()>& body);

} // namespace StartSequence

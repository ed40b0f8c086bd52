// Player movement: one 15 ms game tick at a time.
#pragma once

#include "world/Player.h"

namespace mdlGameLoop {

inline constexpr float EyeHeight = 15;
inline constexpr float FloorProbeOffset = 5;
inline constexpr float FallStep = 1;
inline constexpr float RiseFactor = 0.25f;
inline constexpr float CollisionRadius = 3.0f;

// One tick: follow the floor under the player (fall 1 a tick, rise a quarter of the gap), turn
// by YawRate, walk Speed along the heading (the pitch never counts), slide along the walls.
// A height or position that would leave the range of 32-bit floats raises std::overflow_error
// (the position is then left as it was), which ends the game as an unexpected error.
void UpdatePlayer();

} // namespace mdlGameLoop

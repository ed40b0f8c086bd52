// Wall collision: a proposed move is held one radius off every wall line it would come closer
// to, keeping the part of the move that runs along the wall.
#pragma once

#include "world/Player.h"
#include "world/mdlWalls.h"

namespace mdlSlipping {

// The module's state at its start-of-program value.
struct ModuleState {
    // The displacement of the current tick, set by the movement code before the test and applied
    // after it.
    float MoveX = 0;
    float MoveY = 0;

    friend bool operator==(const ModuleState&, const ModuleState&) = default;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& MoveX = State.MoveX;
inline constexpr auto& MoveY = State.MoveY;

// Puts the state back to its start-of-program value.
void ResetState();

// Whether a prepared wall's height band reaches an eye at height z: from 5 above its top edge to 1
// below its bottom edge (z grows downward). With the eye 15 above the floor, a wall standing on
// the floor blocks only when it is at least 10 high; lower ones are stepped over, and walls
// whose bottom edge is more than 1 above the eye are walked under.
inline bool ReachesEye(const mdlWalls::Wall& wall, float z)
{
    const float top = wall.MinZ - 5.0f;
    const float bottom = wall.MaxZ + 1.0f;
    return top <= z && z <= bottom;
}

// Stores each live wall's height band (MinZ, MaxZ) and unit plan normal.
void PrepareWalls();

// Rewrites MoveX and MoveY so that the player at (X, Y) with eye height Z keeps radius r from
// the walls whose height band reaches the eye. At most one wall is handled a pass and at most
// 15 hits a call. Walls whose ends coincide take no part.
void SlideAgainstWalls(const PlayerRecord& player, const float& r);

} // namespace mdlSlipping

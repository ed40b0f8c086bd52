// Wall collision: a proposed move is held one radius off every wall line it would come closer
// to, keeping the part of the move that runs along the wall.
#pragma once

#include "world/Player.h"

namespace mdlSlipping {

// The displacement of the current tick, set by the movement code before the test and applied
// after it.
inline float MoveX = 0;
inline float MoveY = 0;

// Stores each live wall's height band (MinZ, MaxZ) and unit plan normal.
void PrepareWalls();

// Rewrites MoveX and MoveY so that the player at (X, Y) with eye height Z keeps radius r from
// the walls whose height band reaches the eye. At most one wall is handled a pass and at most
// 15 hits a call. Walls whose ends coincide take no part.
void SlideAgainstWalls(const PlayerRecord& player, const float& r);

} // namespace mdlSlipping

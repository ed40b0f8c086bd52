// Putting the world stores and the player back to their start values between runs of a test or
// a fuzz input.
#pragma once

// Empties the texture, wall, floor and entity stores (with their leftovers) and zeroes the player.
void ResetWorldState();

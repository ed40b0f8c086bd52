// Putting the world stores and the player back to their start values between runs of a test or
// a fuzz input.
#pragma once

// A fresh world and a fresh player: ResetWorld, then ResetPlayer.
void ResetWorldState();

// The game as a whole: the state of the game modules, apart from the world (world/World.h) and
// the graphics framework (DirectX_Framework::ResetState).
#pragma once

#include "game/frmMain.h"
#include "game/mdlInput.h"
#include "game/mdlRender.h"
#include "game/mdlVars.h"

// Puts every game module back to its start-of-program state: the renderer and the loop, the
// mouse look, the shared flags and the main window (closed). Every game module with state has
// its ResetState called here.
inline void ResetGame()
{
    mdlRender::ResetState();
    mdlInput::ResetState();
    mdlVars::ResetState();
    frmMain::ResetState();
}

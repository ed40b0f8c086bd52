// The world as a whole: the stores a map is loaded into, apart from the player who walks in it.
#pragma once

#include "world/Player.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

// Puts every world module back to its start-of-program state: the texture table, the wall,
// floor and entity stores and the wall collision's move; textures and vertex buffers are
// released. The player stays where it is, so that a map can be loaded again under a player who
// goes on playing; ResetPlayer puts the player back too. Every world module with state has its
// ResetState called here.
inline void ResetWorld()
{
    mdlTextures::ResetState();
    mdlWalls::ResetState();
    mdlFloors::ResetState();
    mdlEntities::ResetState();
    mdlSlipping::ResetState();
}

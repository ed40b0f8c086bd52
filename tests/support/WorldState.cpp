#include "tests/support/WorldState.h"

#include "world/Player.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlSlipping.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

void ResetWorldState()
{
    mdlTextures::ClearTextures();
    mdlWalls::ClearWalls();
    mdlWalls::WallCount = 0;
    mdlWalls::Walls = {};
    mdlWalls::WallVertices = {};
    mdlWalls::WallBatchTextures = {};
    mdlFloors::ClearFloors();
    mdlFloors::FloorCount = 0;
    mdlFloors::Floors = {};
    mdlFloors::FloorVertices = {};
    mdlFloors::FloorBatchTextures = {};
    mdlEntities::EntityCount = 0;
    mdlEntities::Entities = {};
    mdlSlipping::MoveX = 0;
    mdlSlipping::MoveY = 0;
    Player = PlayerRecord{};
}

#include "tests/support/WorldState.h"

#include "world/World.h"

void ResetWorldState()
{
    ResetWorld();
    ResetPlayer();
}

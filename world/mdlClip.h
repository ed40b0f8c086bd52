// The floor-height query: which floor lies under a point, preferring the floor underfoot to one
// overhead.
#pragma once

#include "world/mdlFloors.h"

namespace mdlClip {

// The height of the chosen floor under (x, y), or 1000 when none is chosen. A floor above
// referenceZ counts a hundred times its distance; among equal distances the first floor wins.
float FloorHeight(float x, float y, float referenceZ);

// Whether (x, y) lies in the floor's triangle seen from above. A point on the line through two
// of its corners counts as inside; a floor without area contains no point.
bool PointInFloor(float x, float y, const mdlFloors::Floor& floor);

// Whether the floor's triangle has an area as the query sees it: false when two corners are
// equal or all three lie on a line (and for the sizes at which the unit normal of its plan
// comes out zero, see mdlClip.cpp).
bool FloorHasArea(const mdlFloors::Floor& floor);

} // namespace mdlClip

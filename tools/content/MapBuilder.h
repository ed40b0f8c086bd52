// Builds the map file from a level description. Every area becomes floor triangles (merged
// into as few rectangles as its neighbours allow) and a ceiling facing down; every edge of an
// area gets the walls it needs, each showing its one visible face toward the area:
//   - toward nothing (the outside, a solid block): a wall from the floor to the ceiling;
//   - toward a higher floor: a riser from this floor up to the neighbour's;
//   - toward a lower ceiling: a lintel from the neighbour's ceiling up to this one.
// The entries are written grouped by texture so that the loader closes as few drawing batches
// as possible while it reads, and the map is checked against the loader's capacities.
#pragma once

#include "tools/content/LevelDescription.h"

#include <string>
#include <vector>

namespace Content {

// One WALL entry, fields in the map file's order.
struct MapWall {
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    float Z1 = 0, Z2 = 0;
    float TUSpan = 0, TVSpan = 0;
    int Texture = 0;
    float TUOffset = 0, TVOffset = 0;
};

// One FLOOR entry, fields in the map file's order.
struct MapFloor {
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0;
    float Z = 0;
    int Texture = 0;
    float TU1 = 0, TV1 = 0, TU2 = 0, TV2 = 0, TU3 = 0, TV3 = 0;
};

struct MapData {
    std::vector<std::string> TextureFiles; // texture n is TextureFiles[n - 1]
    std::vector<MapWall> Walls;
    std::vector<MapFloor> Floors; // the walkable floors first, then the ceilings
    float SpawnX = 0, SpawnY = 0, SpawnZ = 0;
};

// What the loader will make of a map: counts and the batches closed while reading (a batch is
// closed at every change of texture from one entry to the next in file order, when the first
// entry's texture is not 1, and once more at the end).
struct MapFigures {
    int Walls = 0;
    int Floors = 0;
    int Textures = 0;
    int WallBatchClosings = 0;
    int FloorBatchClosings = 0;
    int MostWallsOfOneTexture = 0;
    int LongestFloorRun = 0;
};

// The loader's capacities.
inline constexpr int MaximumWalls = 249;
inline constexpr int MaximumFloors = 499;
inline constexpr int MaximumWallsOfOneTexture = 83;
inline constexpr int MaximumFloorRun = 166;
inline constexpr int MaximumBatchClosings = 100;
inline constexpr int MaximumTextureNumber = 100;

// Throws LevelError when the level is not closed or sound (the spawn outside every area) or
// when the map would not fit the loader's capacities.
MapData BuildMap(const LevelDescription& level);
MapFigures Measure(const MapData& map);
// The map file's text: TEXTURE, ENTITY, WALL and FLOOR entries, one a line, CR LF line ends.
std::string WriteMap(const MapData& map);
// A number in plain decimal notation, as short as reads back to the same 32-bit float.
std::string FormatNumber(float value);

} // namespace Content

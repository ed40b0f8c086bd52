// The level description: the readable source from which the map file is built. It names the
// textures and lays the level out as rectangular areas on a grid, each with its floor and
// ceiling heights and the textures of its floor, ceiling, walls and sides; walls, risers and
// floor triangles are worked out from it (see MapBuilder.h). The format: one statement a line
// (a line that begins with a blank goes on with the statement before it), "#" to the end of a
// line is a comment:
//
//   map FILE                          the map file to write, e.g. e1m1-double.dnmap
//   grid UNITS                        every area corner lies on a multiple of UNITS
//   texture NAME FILE SCALE           a texture under Textures/, repeating every SCALE world units
//   area NAME at X0 Y0 X1 Y1 floor Z TEXTURE ceiling Z TEXTURE walls TEXTURE sides TEXTURE
//   stairs NAME at X0 Y0 X1 Y1 climbing DIRECTION steps N floor Z TEXTURE rise R
//          ceiling Z TEXTURE walls TEXTURE sides TEXTURE
//   solid NAME at X0 Y0 X1 Y1         a solid block (a pillar): no floor, walls all round
//   spawn at X Y Z                    where the player starts (the PLAYERSPAWN entity)
//
// Coordinates are world units: x east, y north, z down (a smaller z is higher). Later areas
// replace earlier ones where they overlap. "walls" is the texture of the walls that close the
// area; "sides" is the texture of the faces that rise from a lower neighbour up to this area's
// floor. A staircase is N areas of equal depth climbing toward DIRECTION (north, south, east or
// west); the first step's floor is at Z and each further step R units higher.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace Content {

// A fault in a level description, with the place: "NAME:LINE: message".
class LevelError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TextureDefinition {
    std::string Name;
    std::string FileName;
    float Scale = 0; // world units per repeat of the picture
};

// Textures are referred to by their index in LevelDescription::Textures; the map numbers them
// from 1 in the same order.
struct AreaDefinition {
    std::string Name;
    int Line = 0;
    bool Solid = false;
    int X0 = 0;
    int Y0 = 0;
    int X1 = 0;
    int Y1 = 0;
    float Floor = 0;
    float Ceiling = 0;
    int FloorTexture = 0;
    int CeilingTexture = 0;
    int WallTexture = 0;
    int SideTexture = 0;
};

struct SpawnDefinition {
    float X = 0;
    float Y = 0;
    float Z = 0;
    int Line = 0;
};

struct LevelDescription {
    std::string MapFile;
    int Grid = 0;
    std::vector<TextureDefinition> Textures;
    std::vector<AreaDefinition> Areas;
    std::optional<SpawnDefinition> Spawn;
};

// The smallest clearance between an area's floor and its ceiling: less would let the player's
// floor probe take the ceiling for a floor.
inline constexpr float MinimumHeadroom = 40;

// Reads a level description; sourceName names it in error messages. Throws LevelError.
LevelDescription ParseLevel(const std::string& text, const std::string& sourceName);

} // namespace Content

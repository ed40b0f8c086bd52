// A fixture with a scripted device created and every world store emptied.
#pragma once

#include "tests/support/FrameworkFixture.h"
#include "tests/support/WorldState.h"

#include <random>
#include <string>
#include <utility>

class WorldTest : public FrameworkTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a map file into the program folder and loads it.
    void LoadMapText(const std::string& text);
    // Creates an (empty) texture file under the program's Textures folder.
    void MakeTexture(const std::string& name);
    // Loads the demo's own map from the assets folder, which becomes the program folder, and
    // readies its walls for collision.
    void LoadShippedMap(const std::string& assetsFolder);
};

// A 200 x 200 floor at height 0 with the spawn in its middle and a wall across at y = 50; its
// texture file is named in another case than the map's "floor.png" (WorldTest::MakeTexture).
inline constexpr char SquareRoomMap[] = "TEXTURE,1,floor.png\r\n"
                                        "FLOOR,-100,-100,100,-100,100,100,0,1,0,0,1,0,1,1\r\n"
                                        "FLOOR,-100,-100,100,100,-100,100,0,1,0,0,1,1,0,1\r\n"
                                        "WALL,-100,50,100,50,0,-40,1,1,1,0,0\r\n"
                                        "ENTITY,PlayerSpawn,0,0,-10\r\n";

// Coordinates for comparing two ways of answering over many random maps: small whole numbers
// (shared corners, points on lines, coincident ends), ordinary values, and extremes at which
// squared lengths underflow or overflow in single precision.
class MapValues {
public:
    explicit MapValues(unsigned seed) : random_(seed) {}
    float Next();
    // A point of the line through (x1, y1) and (x2, y2): an end, between the two, or beyond.
    std::pair<float, float> OnLine(float x1, float y1, float x2, float y2);
    int Below(int n) { return static_cast<int>(random_() % static_cast<unsigned>(n)); }

private:
    std::mt19937 random_;
};

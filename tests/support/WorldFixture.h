// A fixture with a scripted device created and every world store emptied.
#pragma once

#include "tests/support/FrameworkFixture.h"
#include "tests/support/WorldState.h"

#include <string>

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

// A world with a scripted device, the main window made and the entity model ready to load.
#pragma once

#include "tests/support/WorldFixture.h"
#include "world/Player.h"
#include "world/mdlEntities.h"

#include <functional>

class GameTest : public WorldTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the main loop until it ends the process. Before each pass's first event delivery,
    // the clock advances by the next entry of passMs (the last entry repeats); eachPass runs
    // there too with the pass number (from 1) and may queue events.
    void RunLoop(std::vector<std::uint32_t> passMs, const std::function<void(int pass)>& eachPass);

    int Frames() const { return static_cast<int>(graphics->CallsStartingWith("Present").size()); }

    ScriptedWindow* window = nullptr;
};

// The start of the tools that draw a map on the real device (shot, bench): the windowing system,
// and the folders the world's files come from.
#pragma once

#include "framework/Desktop.h"
#include "framework/Platform.h"

#include <memory>
#include <string>

struct OnScreen {
    std::unique_ptr<DesktopSystem> Desktop;
    std::unique_ptr<RelocatedPlatform> Platform;
};

// Opens the windowing system and installs a platform whose program folder is the map's own, so
// textures and the model are looked up beside the map as the game looks them up beside itself.
// Desktop is null, after a message on standard error, when no window can be opened.
OnScreen OpenBesideMap(const std::string& mapPath);

// The folder of the entity model for a map: models/ beside the map when it holds the model, else
// models/ beside the program.
std::string ModelFolderFor(const std::string& mapPath);

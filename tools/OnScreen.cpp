#include "tools/OnScreen.h"

#include "framework/FilePaths.h"

#include <filesystem>
#include <iostream>

OnScreen OpenBesideMap(const std::string& mapPath)
{
    OnScreen screen;
    std::string error;
    screen.Desktop = DesktopSystem::Start(false, error);
    if (!screen.Desktop) {
        std::cerr << "dunmere-tool: cannot open a window: " << error << '\n';
        return screen;
    }
    const std::string folder = std::filesystem::absolute(mapPath).parent_path().string();
    screen.Platform = std::make_unique<RelocatedPlatform>(screen.Desktop->Windows(), folder);
    InstallPlatform(screen.Platform.get());
    return screen;
}

std::string ModelFolderFor(const std::string& mapPath)
{
    const std::filesystem::path besideMap = std::filesystem::absolute(mapPath).parent_path() / "models";
    std::error_code error;
    if (std::filesystem::is_regular_file(ResolveFilePath((besideMap / "entitycube.x").string()), error))
        return besideMap.string();
    return JoinPath(ExecutableFolder(), "\\models");
}

// Dunmere Demo: starts the windowing system and the OpenGL back end, then the game.
#include "framework/Desktop.h"
#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "game/StartSequence.h"

#include <clocale>
#include <cstdio>

int main()
{
    std::setlocale(LC_ALL, "");

    std::string error;
    std::unique_ptr<DesktopSystem> desktop = DesktopSystem::Start(true, error);
    if (!desktop) {
        // No window can show this: standard error and the log file say it.
        std::fprintf(stderr, "%s: cannot start: %s\n", DirectX_Framework::ApplicationTitle, error.c_str());
        DirectX_Framework::LogLine("Could not start the windowing system: " + error);
        try {
            DirectX_Framework::SaveLog(JoinPath(ExecutableFolder(), "Log.txt"));
        } catch (const std::exception&) {
        }
        return 1;
    }
    InstallPlatform(&desktop->Windows());
    DirectX_Framework::DirectXFactory = desktop->Graphics();

    // Until the launcher chooses the mode, the game starts in a 640 x 480 window at the
    // screen's corner.
    StartSequence::EndOnUnexpectedError([] { StartSequence::RunGame(StartSequence::GameMode{640, 480, 32, true}); });
    return 1;
}

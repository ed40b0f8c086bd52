#include "tools/Play.h"

#include "framework/Desktop.h"
#include "framework/DirectX_Framework.h"
#include "game/Game.h"
#include "game/StartSequence.h"
#include "tools/Check.h"
#include "tools/Headless.h"
#include "tools/OnScreen.h"
#include "tools/PlaySession.h"
#include "world/Player.h"
#include "world/World.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace Play {

using namespace DirectX_Framework;

namespace {

// The check dunmere-tool check makes, on the headless device, before anything opens: its errors
// on standard error. Leaves the program's state as it was at its start.
int CheckFirst(const std::string& mapPath)
{
    int result = 2;
    {
        ScriptedPlatform platform;
        const auto graphics = std::make_shared<ScriptedGraphics>();
        if (Headless::StartDevice(platform, graphics, std::cerr))
            result = Check::CheckMap(mapPath, platform, *graphics, true, std::cerr, std::cerr);
        ResetWorld();
        ResetPlayer();
        ResetGame();
        DirectX_Framework::ResetState();
    }
    InstallPlatform(nullptr);
    return result;
}

bool ReadScript(const std::string& path, std::vector<Walk::Command>& out)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "dunmere-tool: cannot open the script " << path << '\n';
        return false;
    }
    Walk::ScriptReader reader(in);
    Walk::Command command;
    for (Walk::ScriptReader::Result result; (result = reader.Next(command)) != Walk::ScriptReader::Result::End;) {
        if (result == Walk::ScriptReader::Result::Unreadable) {
            std::cerr << "dunmere-tool: " << path << ": script line " << reader.Line() << ": cannot understand \""
                      << reader.Text() << "\"\n";
            return false;
        }
        out.push_back(command);
    }
    return true;
}

} // namespace

int Run(const Options& options)
{
    std::vector<Walk::Command> script;
    if (!options.ReplayPath.empty() && !ReadScript(options.ReplayPath, script))
        return 2;
    if (CheckFirst(options.MapPath) != 0)
        return 1;
    std::ofstream record;
    if (!options.RecordPath.empty()) {
        record.open(options.RecordPath, std::ios::binary | std::ios::trunc);
        if (!record) {
            std::cerr << "dunmere-tool: cannot write the recording " << options.RecordPath << '\n';
            return 1;
        }
    }

    const OnScreen screen = OpenBesideMap(options.MapPath);
    if (!screen.Desktop)
        return 1;
    DirectXFactory = screen.Desktop->Graphics();
    KeepLogInMemory = true;
    WritePlaces.Screenshots = std::filesystem::absolute(options.MapPath).parent_path().string();
    ExitCode = 1; // a failure on the way ends the process with 1

    Recorder recorder(record);
    Replay replay(std::move(script));
    Session session(options, options.RecordPath.empty() ? nullptr : &recorder,
                    options.ReplayPath.empty() ? nullptr : &replay);
    // The process ends in the shutdown, without unwinding: what the run owes its caller is
    // written there.
    BeforeProcessEnds = [&] {
        record.flush();
        if (session.Ready() && ExitCode == 0)
            std::cout << Walk::Position() << '\n' << std::flush;
        const std::string log = LogText();
        if (options.LogPath.empty()) {
            std::cerr << log << std::flush;
        } else {
            std::ofstream file(options.LogPath, std::ios::binary | std::ios::trunc);
            file << log;
            if (!file.flush())
                std::cerr << "dunmere-tool: cannot write the log " << options.LogPath << '\n';
        }
    };

    StartSequence::WorldRequest world;
    world.Mode = GameMode{options.Width, options.Height, options.Depth, !options.FullScreen};
    world.MapPath = options.MapPath;
    world.ModelFolder = ModelFolderFor(options.MapPath);
    std::chrono::steady_clock::time_point loadStart;
    world.DeviceStarted = [&] {
        session.TakeKeys(*frmMain::Form);
        session.WatchFiles();
    };
    world.DeviceCreated = [&] { loadStart = std::chrono::steady_clock::now(); };
    world.WorldLoaded = [&] {
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - loadStart;
        std::cerr << "dunmere-tool: " << options.MapPath << " loaded in " << took.count() << " ms\n";
    };
    const StartSequence::OpeningResult opened = StartSequence::OpenWorld(world);
    if (opened.Outcome != StartSequence::Opening::Opened) {
        std::cerr << "dunmere-tool: " << (opened.Error.empty() ? "the game could not start" : opened.Error) << '\n';
        DestroyDirectX();
    }
    ExitCode = 0;
    mdlRender::State.Observer = &session;
    EndOnUnexpectedError([] { mdlRender::RunMainLoop(); });
    return 1; // the main loop ends the process
}

} // namespace Play

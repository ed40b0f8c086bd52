#include "tools/Walk.h"

#include "framework/DirectX_Framework.h"
#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "game/mdlRender.h"
#include "world/Player.h"
#include "world/WorldErrors.h"
#include "world/mdlEntities.h"
#include "world/mdlMap.h"
#include "world/mdlSlipping.h"

#include <charconv>
#include <filesystem>
#include <sstream>
#include <vector>

namespace Walk {

using namespace DirectX_Framework;

std::string ShortestFloat(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

namespace {

bool ParseInt(const std::string& word, long long low, long long high, long long& out)
{
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, out);
    return error == std::errc() && end == last && out >= low && out <= high;
}

// Runs one script line; false when it cannot be parsed.
bool RunLine(const std::vector<std::string>& words, std::ostream& out)
{
    const std::string& command = words[0];
    long long a = 0;
    long long b = 0;
    if ((command == "down" || command == "up") && words.size() == 2 &&
        ParseInt(words[1], frmMain::VK_LEFT, frmMain::VK_DOWN, a)) {
        if (command == "down")
            frmMain::Form_KeyDown(static_cast<int>(a), 0);
        else
            frmMain::Form_KeyUp(static_cast<int>(a), 0);
        return true;
    }
    if (command == "key" && words.size() == 2) {
        if (words[1] == "esc") {
            frmMain::Form_KeyPress(frmMain::KeyEscape);
            return true;
        }
        if (words[1].size() == 1) {
            frmMain::Form_KeyPress(static_cast<unsigned char>(words[1][0]));
            return true;
        }
        return false;
    }
    if (command == "look" && words.size() == 3 && ParseInt(words[1], INT32_MIN, INT32_MAX, a) &&
        ParseInt(words[2], INT32_MIN, INT32_MAX, b)) {
        mdlRender::ApplyMouseLook(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b));
        return true;
    }
    if (command == "tick" && words.size() == 2 && ParseInt(words[1], 0, 100000000, a)) {
        for (long long i = 0; i < a; ++i)
            mdlGameLoop::UpdatePlayer();
        return true;
    }
    if (command == "print" && words.size() == 1) {
        out << ShortestFloat(Player.X) << ' ' << ShortestFloat(Player.Y) << ' ' << ShortestFloat(Player.Z) << ' '
            << ShortestFloat(Player.Yaw) << ' ' << ShortestFloat(Player.Pitch) << '\n';
        return true;
    }
    return false;
}

// Loads the map with a device that keeps geometry but draws nothing. Textures are looked up
// in the map's folder, as the game looks them up in its own.
int LoadWorld(const std::string& mapPath, ScriptedPlatform& platform, std::ostream& err)
{
    auto graphics = std::make_shared<ScriptedGraphics>();
    graphics->Modes = {D3DDISPLAYMODE{640, 480, 60, D3DFMT_X8R8G8B8}};
    graphics->DepthFormats = {D3DFMT_D16};
    DirectXFactory = ScriptedDirectXFactory(graphics);
    KeepLogInMemory = true;
    const std::filesystem::path folder = std::filesystem::absolute(mapPath).parent_path();
    platform.AppFolder = folder.string();

    static ScriptedWindow window("frmMain", platform.Journal);
    StartDirectX();
    if (!StartDirect3D(&window, 640, 480, 32, true)) {
        err << "dunmere-tool: the headless device could not be started\n";
        return 1;
    }
    CreateGraphicsDevice(&window);
    try {
        mdlMap::LoadMap(mapPath);
    } catch (const MapFileError& error) {
        err << "dunmere-tool: " << error.what() << '\n';
        return 1;
    } catch (const ProcessExit&) {
        err << "dunmere-tool: " << mapPath << ": a texture could not be loaded";
        const auto& log = EngineLog;
        for (int i = log.LogLineCount - 1; i >= 0; --i) {
            const std::string& line = log.LogLines[static_cast<std::size_t>(i)];
            if (line.rfind("Loading texture from file ", 0) == 0) {
                err << " (" << line.substr(26) << ")";
                break;
            }
        }
        err << '\n';
        return 1;
    }
    for (int i = 0; i < EngineLog.LogLineCount; ++i) {
        const std::string& line = EngineLog.LogLines[static_cast<std::size_t>(i)];
        if (line.rfind("Map reading stopped", 0) == 0)
            err << mapPath << ": warning: " << line << '\n';
    }
    mdlSlipping::PrepareWalls();
    mdlEntities::SpawnPlayer();
    return 0;
}

} // namespace

int Run(const std::string& mapPath, std::istream& script, std::ostream& out, std::ostream& err)
{
    ScriptedPlatform platform;
    InstallPlatform(&platform);
    const int loaded = LoadWorld(mapPath, platform, err);
    if (loaded != 0)
        return loaded;

    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::istringstream split(line);
        std::vector<std::string> words;
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.empty())
            continue;
        try {
            if (!RunLine(words, out)) {
                err << "dunmere-tool: script line " << number << ": cannot understand \"" << line << "\"\n";
                return 2;
            }
        } catch (const std::exception& error) {
            out.flush();
            err << "dunmere-tool: script line " << number << ": the game would end here: " << error.what() << '\n';
            return 3;
        }
    }
    out.flush();
    return 0;
}

} // namespace Walk

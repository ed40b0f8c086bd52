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

void ReportStoppedReading(const std::string& mapPath, std::ostream& err)
{
    for (int i = 0; i < EngineLog.LogLineCount; ++i) {
        const std::string& line = EngineLog.LogLines[static_cast<std::size_t>(i)];
        if (line.rfind("Map reading stopped", 0) == 0)
            err << mapPath << ": warning: " << line << '\n';
    }
}

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

bool Parse(const std::vector<std::string>& words, Command& out)
{
    using Kind = Command::Kind;
    const std::string& command = words[0];
    if ((command == "down" || command == "up") && words.size() == 2 &&
        ParseInt(words[1], frmMain::VK_LEFT, frmMain::VK_DOWN, out.A)) {
        out.What = command == "down" ? Kind::KeyDown : Kind::KeyUp;
        return true;
    }
    if (command == "key" && words.size() == 2 && (words[1] == "esc" || words[1].size() == 1)) {
        out.What = Kind::KeyPress;
        out.A = words[1] == "esc" ? frmMain::KeyEscape : static_cast<unsigned char>(words[1][0]);
        return true;
    }
    if (command == "look" && words.size() == 3 && ParseInt(words[1], INT32_MIN, INT32_MAX, out.A) &&
        ParseInt(words[2], INT32_MIN, INT32_MAX, out.B)) {
        out.What = Kind::Look;
        return true;
    }
    if (command == "tick" && words.size() == 2 && ParseInt(words[1], 0, 100000000, out.A)) {
        out.What = Kind::Tick;
        return true;
    }
    if (command == "print" && words.size() == 1) {
        out.What = Kind::Print;
        return true;
    }
    return false;
}

} // namespace

ScriptReader::Result ScriptReader::Next(Command& out)
{
    while (std::getline(in_, text_)) {
        ++line_;
        const std::size_t hash = text_.find('#');
        if (hash != std::string::npos)
            text_.erase(hash);
        std::istringstream split(text_);
        std::vector<std::string> words;
        for (std::string word; split >> word;)
            words.push_back(word);
        if (words.empty())
            continue;
        out = Command{};
        return Parse(words, out) ? Result::Read : Result::Unreadable;
    }
    return Result::End;
}

void Apply(const Command& command, std::ostream& out)
{
    using Kind = Command::Kind;
    switch (command.What) {
    case Kind::KeyDown: frmMain::Form_KeyDown(static_cast<int>(command.A), 0); break;
    case Kind::KeyUp: frmMain::Form_KeyUp(static_cast<int>(command.A), 0); break;
    case Kind::KeyPress: frmMain::Form_KeyPress(static_cast<int>(command.A)); break;
    case Kind::Look:
        mdlRender::ApplyMouseLook(static_cast<std::int32_t>(command.A), static_cast<std::int32_t>(command.B));
        break;
    case Kind::Tick:
        for (long long i = 0; i < command.A; ++i)
            mdlGameLoop::UpdatePlayer();
        break;
    case Kind::Print:
        out << ShortestFloat(Player.X) << ' ' << ShortestFloat(Player.Y) << ' ' << ShortestFloat(Player.Z) << ' '
            << ShortestFloat(Player.Yaw) << ' ' << ShortestFloat(Player.Pitch) << '\n';
        break;
    }
}

namespace {

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
    ReportStoppedReading(mapPath, err);
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

    ScriptReader reader(script);
    Command command;
    for (ScriptReader::Result result; (result = reader.Next(command)) != ScriptReader::Result::End;) {
        if (result == ScriptReader::Result::Unreadable) {
            err << "dunmere-tool: script line " << reader.Line() << ": cannot understand \"" << reader.Text() << "\"\n";
            return 2;
        }
        Apply(command, out);
    }
    out.flush();
    return 0;
}

} // namespace Walk

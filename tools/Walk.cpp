#include "tools/Walk.h"

#include "framework/DirectX_Framework.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "game/mdlRender.h"
#include "tools/Headless.h"
#include "world/Player.h"
#include "world/mdlEntities.h"
#include "world/mdlSlipping.h"

#include <charconv>
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

} // namespace

int Run(const std::string& mapPath, std::istream& script, std::ostream& out, std::ostream& err)
{
    ScriptedPlatform platform;
    if (!Headless::StartDevice(platform, std::make_shared<ScriptedGraphics>(), err) ||
        !Headless::LoadMap(mapPath, platform, err))
        return 1;
    Headless::ReportStops(mapPath, err);
    mdlSlipping::PrepareWalls();
    mdlEntities::SpawnPlayer();

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

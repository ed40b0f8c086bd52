#include "tools/Walk.h"

#include "framework/DirectX_Framework.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "game/mdlRender.h"
#include "tools/Headless.h"
#include "world/Player.h"
#include "world/mdlEntities.h"

#include <charconv>
#include <cmath>
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

std::string Position()
{
    return ShortestFloat(Player.X) + ' ' + ShortestFloat(Player.Y) + ' ' + ShortestFloat(Player.Z) + ' ' +
           ShortestFloat(Player.Yaw) + ' ' + ShortestFloat(Player.Pitch);
}

namespace {

// A finite 32-bit float, read exactly as written (the text print writes reads back to the bit).
bool ParseFloat(const std::string& word, float& out)
{
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (first != last && *first == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, last, out);
    return error == std::errc() && end == last && std::isfinite(out);
}

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
    if (command == "at" && words.size() == 6) {
        for (std::size_t i = 0; i < 5; ++i)
            if (!ParseFloat(words[i + 1], out.Place[i]))
                return false;
        out.What = Kind::At;
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
    case Kind::Print: out << Position() << '\n'; break;
    case Kind::At:
        Player.X = command.Place[0];
        Player.Y = command.Place[1];
        Player.Z = command.Place[2];
        Player.Yaw = command.Place[3];
        Player.Pitch = command.Place[4];
        break;
    }
}

int Run(const std::string& mapPath, std::istream& script, std::ostream& out, std::ostream& err)
{
    ScriptedPlatform platform;
    if (!Headless::StartDevice(platform, std::make_shared<ScriptedGraphics>(), err) ||
        !Headless::LoadMap(mapPath, platform, err))
        return 1;
    Headless::ReportStops(mapPath, err);
    mdlEntities::SpawnPlayer();

    ScriptReader reader(script);
    Command command;
    for (ScriptReader::Result result; (result = reader.Next(command)) != ScriptReader::Result::End;) {
        if (result == ScriptReader::Result::Unreadable) {
            err << "dunmere-tool: script line " << reader.Line() << ": cannot understand \"" << reader.Text() << "\"\n";
            return 2;
        }
        try {
            Apply(command, out);
        } catch (const std::exception& error) {
            out.flush();
            err << "dunmere-tool: script line " << reader.Line() << ": the game would end here: " << error.what() << '\n';
            return 3;
        }
    }
    out.flush();
    return 0;
}

} // namespace Walk

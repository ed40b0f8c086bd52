// The headless movement simulation of dunmere-tool: a map loaded as the game loads it, the
// player spawned, and a script of key and mouse commands run against the game's own handlers.
// The bench replays the same scripts as its routes.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace Walk {

// One script command. Lines hold one each; # starts a comment.
//   down CODE | up CODE   an arrow key (37 to 40) goes down or up
//   key C | key esc       a key press (one character, or Escape)
//   look DX DY            the pointer moves by DX, DY pixels (a tenth of a degree each)
//   tick N                N game ticks run
//   print                 the player's X Y Z Yaw Pitch
//   at X Y Z YAW PITCH    the player placed there, with that view (a run started elsewhere
//                         than the spawn)
struct Command {
    enum class Kind { KeyDown, KeyUp, KeyPress, Look, Tick, Print, At };
    Kind What = Kind::Print;
    long long A = 0; // key code, character, DX or tick count
    long long B = 0; // DY
    float Place[5] = {0, 0, 0, 0, 0}; // at: X Y Z Yaw Pitch
};

// Reads a script command by command, skipping blank lines and comments.
class ScriptReader {
public:
    explicit ScriptReader(std::istream& in) : in_(in) {}
    enum class Result { Read, End, Unreadable };
    Result Next(Command& out);
    // The number and text of the line read last.
    int Line() const { return line_; }
    const std::string& Text() const { return text_; }

private:
    std::istream& in_;
    int line_ = 0;
    std::string text_;
};

// Runs a command other than tick through the game's handlers; print writes to out.
void Apply(const Command& command, std::ostream& out);

// Exit codes: 0 success, 1 the map or one of its textures cannot be loaded, 2 a script line
// that cannot be parsed, 3 a script line at which the game would end with an error (a player
// carried beyond the range of 32-bit floats).
int Run(const std::string& mapPath, std::istream& script, std::ostream& out, std::ostream& err);

// The shortest decimal text that reads back as the same 32-bit float.
std::string ShortestFloat(float value);

// The player's X Y Z Yaw Pitch in ShortestFloat's form, separated by spaces (what print writes,
// without the line end).
std::string Position();

} // namespace Walk

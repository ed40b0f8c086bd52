// What dunmere-tool play adds to the game's main loop: a run written as a walk script (--record),
// a walk script played back (--replay), and the map loaded again when it is saved (or on F5).
#pragma once

#include "game/mdlRender.h"
#include "tools/Reload.h"
#include "tools/Walk.h"

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Play {

// The key that loads the map again at once (it does nothing in the game).
inline constexpr int VK_F5 = 116;

// The command line of dunmere-tool play.
struct Options {
    std::string MapPath;
    std::int32_t Width = 640;
    std::int32_t Height = 480;
    std::int32_t Depth = 32;
    bool FullScreen = false;
    std::optional<std::array<float, 5>> At; // X Y Z Yaw Pitch instead of the spawn
    std::string RecordPath;
    std::string ReplayPath;
    std::string LogPath; // empty: standard error
};

// Writes a run as a walk script, in the order the main loop handles it: the keys of the events
// let through, the ticks a pass runs, the pass's mouse look. Only the arrow keys and the typed
// characters a script can hold are written (the others change nothing in the game), and a mouse
// look that turns nothing is left out.
class Recorder {
public:
    explicit Recorder(std::ostream& out) : out_(out) {}
    bool Recording() const { return recording_; }
    // The start of a run placed elsewhere than the spawn: the player where it now stands.
    void At();
    void KeyDown(int code);
    void KeyUp(int code);
    void KeyPress(int character);
    void Ticks(std::int32_t count);
    void Look(std::int32_t deltaX, std::int32_t deltaY);
    // Ends the recording with a comment saying why; nothing is written after it.
    void End(const std::string& why);

private:
    std::ostream& out_;
    bool recording_ = true;
};

// Plays a walk script back a pass at a time: the commands up to and through the pass's due
// ticks.
class Replay {
public:
    explicit Replay(std::vector<Walk::Command> commands) : commands_(std::move(commands)) {}
    bool Playing() const { return next_ < commands_.size() || ticksLeft_ > 0; }
    // Applies the commands in order until due ticks have run (Escape and print are skipped);
    // the ticks left once the script has ended run as the game runs them.
    void Run(std::int32_t due);

private:
    std::vector<Walk::Command> commands_;
    std::size_t next_ = 0;
    long long ticksLeft_ = 0;
};

// The run: what the main loop's passes and the main window's keys do beyond the game. Keys reach
// the game only once the scene is ready (a key before the spawn would be lost to a recording);
// during a replay only Escape and F12 do.
class Session final : public mdlRender::LoopObserver {
public:
    // The recorder and the replay may be null.
    Session(const Options& options, Recorder* recorder, Replay* replay)
        : options_(options), recorder_(recorder), replay_(replay)
    {
    }

    // Puts the session between the main window's key handlers and the game's.
    void TakeKeys(Window& form);
    // Looks at the map's files before the world is first read from them.
    void WatchFiles();

    void SceneReady() override;
    bool Ticks(std::int32_t due) override;
    void Look(std::int32_t& deltaX, std::int32_t& deltaY) override;
    // Loads the map again when its files have been saved, or on F5; sets the note line.
    void PassEnded() override;

    bool Ready() const { return ready_; }

private:
    bool Replaying() const { return replay_ != nullptr && replay_->Playing(); }
    void Note(std::string text);
    void LoadAgain();

    const Options& options_;
    Recorder* recorder_;
    Replay* replay_;
    Reload::FileWatch watch_;
    Reload::Snapshot shown_; // the files as they were before the world on screen was read
    bool ready_ = false;
    bool reloadAsked_ = false;
    std::uint32_t lastLook_ = 0;
    std::string error_;
    std::string note_;
    std::uint32_t noteStart_ = 0;
};

} // namespace Play

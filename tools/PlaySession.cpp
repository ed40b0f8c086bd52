#include "tools/PlaySession.h"

#include "framework/DirectX_Framework.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "game/mdlRender.h"
#include "world/Player.h"
#include "world/World.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace Play {

void Recorder::At()
{
    if (recording_)
        out_ << "at " << Walk::Position() << '\n';
}

void Recorder::KeyDown(int code)
{
    if (recording_ && code >= frmMain::VK_LEFT && code <= frmMain::VK_DOWN)
        out_ << "down " << code << '\n';
}

void Recorder::KeyUp(int code)
{
    if (recording_ && code >= frmMain::VK_LEFT && code <= frmMain::VK_DOWN)
        out_ << "up " << code << '\n';
}

void Recorder::KeyPress(int character)
{
    if (!recording_)
        return;
    // The game acts on Escape and on letters only; blanks and '#' could not be written anyway.
    if (character == frmMain::KeyEscape)
        out_ << "key esc\n";
    else if (character > ' ' && character < 0x7F && character != '#')
        out_ << "key " << static_cast<char>(character) << '\n';
}

void Recorder::Ticks(std::int32_t count)
{
    if (recording_ && count > 0)
        out_ << "tick " << count << '\n';
}

void Recorder::Look(std::int32_t deltaX, std::int32_t deltaY)
{
    // No travel turns nothing unless the pitch is beyond the limit the look holds it to.
    if (recording_ && (deltaX != 0 || deltaY != 0 || std::fabs(Player.Pitch) > mdlRender::PitchLimit))
        out_ << "look " << deltaX << ' ' << deltaY << '\n';
}

void Recorder::End(const std::string& why)
{
    if (!recording_)
        return;
    out_ << "# " << why << '\n';
    out_.flush();
    recording_ = false;
}

void Replay::Run(std::int32_t due)
{
    using Kind = Walk::Command::Kind;
    long long left = due;
    for (;;) {
        if (ticksLeft_ > 0 && left > 0) {
            const long long run = std::min(ticksLeft_, left);
            for (long long i = 0; i < run; ++i)
                mdlGameLoop::UpdatePlayer();
            ticksLeft_ -= run;
            left -= run;
            continue;
        }
        if (ticksLeft_ > 0 || next_ == commands_.size())
            break;
        const Walk::Command& command = commands_[next_];
        if (command.What == Kind::Tick && left == 0)
            break; // the next pass's
        ++next_;
        if (command.What == Kind::Tick)
            ticksLeft_ = command.A;
        else if (command.What != Kind::Print && !(command.What == Kind::KeyPress && command.A == frmMain::KeyEscape))
            Walk::Apply(command, std::cout);
    }
    for (; left > 0; --left) // the script has ended: the player's own ticks
        mdlGameLoop::UpdatePlayer();
}

namespace {

// How often the map's files are looked at, and how long a passing note stays on screen.
constexpr std::uint32_t WatchEveryMs = 50;
constexpr std::uint32_t NoteMs = 4000;

std::uint32_t Now() { return ThePlatform().GetTickCount(); }

} // namespace

void Session::TakeKeys(Window& form)
{
    WindowHandlers& handlers = form.Handlers;
    handlers.KeyDown = [this, game = handlers.KeyDown](int code, int shift) {
        if (!ready_)
            return;
        if (code == VK_F5) {
            reloadAsked_ = true;
            return;
        }
        if (Replaying() && code != frmMain::VK_F12)
            return;
        if (recorder_)
            recorder_->KeyDown(code);
        game(code, shift);
    };
    handlers.KeyUp = [this, game = handlers.KeyUp](int code, int shift) {
        if (!ready_ || Replaying())
            return;
        if (recorder_)
            recorder_->KeyUp(code);
        game(code, shift);
    };
    handlers.KeyPress = [this, game = handlers.KeyPress](int character) {
        if (!ready_ || (Replaying() && character != frmMain::KeyEscape))
            return;
        if (recorder_)
            recorder_->KeyPress(character);
        game(character);
    };
}

void Session::WatchFiles()
{
    shown_ = Reload::Snapshot(Reload::FilesOf(options_.MapPath));
    watch_.Watch(shown_, Now());
}

void Session::SceneReady()
{
    if (options_.At) {
        const std::array<float, 5>& at = *options_.At;
        Player.X = at[0];
        Player.Y = at[1];
        Player.Z = at[2];
        Player.Yaw = at[3];
        Player.Pitch = at[4];
        if (recorder_)
            recorder_->At();
    }
    ready_ = true;
    if (Replaying())
        Note("replaying " + options_.ReplayPath);
}

bool Session::Ticks(std::int32_t due)
{
    if (Replaying()) {
        replay_->Run(due);
        if (!Replaying()) {
            std::cerr << "dunmere-tool: the replay of " << options_.ReplayPath << " has ended\n";
            Note("the replay has ended: the controls are yours");
        }
        return false;
    }
    if (recorder_)
        recorder_->Ticks(due);
    return true;
}

void Session::Look(std::int32_t& deltaX, std::int32_t& deltaY)
{
    if (Replaying()) {
        deltaX = 0;
        deltaY = 0;
    } else if (recorder_) {
        recorder_->Look(deltaX, deltaY);
    }
}

void Session::PassEnded()
{
    const std::uint32_t now = Now();
    if (now - lastLook_ >= WatchEveryMs) {
        lastLook_ = now;
        reloadAsked_ = watch_.Settled(now) || reloadAsked_;
    }
    if (reloadAsked_)
        LoadAgain();
    mdlRender::ReadoutNote = !error_.empty() ? error_ : now - noteStart_ < NoteMs ? note_ : std::string();
}

void Session::Note(std::string text)
{
    note_ = std::move(text);
    noteStart_ = Now();
}

void Session::LoadAgain()
{
    reloadAsked_ = false;
    const std::string& map = options_.MapPath;
    const std::uint32_t start = Now();
    Reload::Outcome outcome = Reload::LoadAgain(map, shown_);
    // Watched as the files were before the reading, so that a save during it is seen.
    watch_.Watch(outcome.Files, start);
    if (!outcome.Loaded) {
        for (const std::string& line : outcome.Errors)
            std::cerr << line << '\n';
        std::cerr << "dunmere-tool: " << map << " did not load cleanly: the world stays as it was\n";
        error_ = outcome.Errors.empty() ? map + ": error: the map did not load" : outcome.Errors.front();
        return;
    }
    shown_ = std::move(outcome.Files);
    error_.clear();
    std::cerr << "dunmere-tool: " << map << " reloaded in " << outcome.Milliseconds << " ms ("
              << outcome.TexturesRead << (outcome.TexturesRead == 1 ? " texture file" : " texture files")
              << " read)\n";
    DirectX_Framework::LogLine("Reloaded the map " + map);
    if (recorder_ && recorder_->Recording()) {
        recorder_->End("the recording ends here: " + map + " was reloaded, the rest of the run is not in this file");
        Note("recording ended: the map was reloaded");
    }
}

} // namespace Play

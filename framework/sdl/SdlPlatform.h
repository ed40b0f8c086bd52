// The windowing services on SDL2: windows and their events, a window's placing for a graphics
// device, letting pending events through, message boxes, the mouse cursor, the tick counter,
// the program folder and ending the process.
//
// Message boxes: every box's title and text are also written to standard error, and a box that
// cannot be shown counts as answered with OK. Setting the environment variable
// DUNMERE_NO_MESSAGE_BOXES=1 (or SdlPlatformOptions::ShowMessageBoxes = false) keeps every box
// off the screen, so that nothing can wait for a person (automated runs). While a box is up the
// mouse cursor is shown and the pointer free, whatever the game window had made of them.
//
// The tick counter counts milliseconds since the machine started (suspended time included),
// kept to 32 bits, so it wraps after about 49.7 days of uptime.
//
// Signals: SDL is told not to catch SIGINT and SIGTERM, so they end the program as usual.
#pragma once

#include "framework/Platform.h"
#include "framework/sdl/SdlGlContext.h"

#include <SDL2/SDL.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class SdlSession;

// What the graphics back end needs to know of a window; shared so that it can tell when the
// window has been closed.
struct SdlWindowNative {
    SDL_Window* Handle = nullptr; // null once the window is unloaded
    Uint32 Id = 0;
    bool BlackBackground = false;
    bool PresentedByDevice = false; // a graphics device draws every frame of it
};

// Hands the window to a graphics device that draws every frame of it. Windowed ("Fake
// Fullscreen"): a borderless window of width x height at the screen's top-left corner. Full
// screen: the whole desktop of the window's display, in SDL's desktop full-screen mode.
void PlaceDeviceWindow(SdlWindowNative& window, bool fullScreen, int width, int height);
// Takes the window back from its device: a full-screen window leaves full screen (keeping the
// place and size it had there), and no device draws it any more.
void ReleaseDeviceWindow(SdlWindowNative& window, bool fullScreen);

class SdlWindow final : public Window {
public:
    SdlWindow(std::shared_ptr<SdlSession> session, SDL_Window* handle, const WindowOptions& options);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    void Show() override;
    void Hide() override;
    void SetFocus() override;
    void Unload() override;
    bool IsLoaded() const override { return native_->Handle != nullptr; }
    bool HasFocus() const override;
    int Left() const override;
    int Top() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;

    SDL_Window* Handle() const { return native_->Handle; }
    const std::shared_ptr<SdlWindowNative>& Native() const { return native_; }

    // Sees every SDL event of this window before its handlers do (a toolkit drawn in it).
    std::function<void(const SDL_Event&)> RawEvents;

    // Hands one event of this window to RawEvents and the handlers.
    void Deliver(const SDL_Event& event);

private:
    void Remember();

    std::shared_ptr<SdlSession> session_;
    std::shared_ptr<SdlWindowNative> native_;
    // Expires when the window object goes, so delivery can stop if a handler destroys it.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
};

struct SdlPlatformOptions {
    bool ShowMessageBoxes = true;
    // Shows the box; SDL's own message box when empty.
    MessageBoxPresenter PresentMessageBox;
};

class SdlPlatform final : public Platform {
public:
    // Starts SDL's video; on failure (no display, or a platform already running) returns null
    // and a text for the user in error.
    static std::unique_ptr<SdlPlatform> Create(SdlPlatformOptions options, std::string& error);
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    void MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title) override;
    int ShowCursor(bool show) override;
    void SetCursorPos(int x, int y) override;
    void DoEvents() override;
    std::uint32_t GetTickCount() override;
    std::string AppPath() const override;
    std::time_t Now() override;
    std::unique_ptr<Window> CreateWindow(const WindowOptions& options) override;
    [[noreturn]] void EndProcess(int exitCode) override;

    // The program's OpenGL context, made on first use; null with a reason when there is none.
    std::shared_ptr<SdlGlContext> GlContext(std::string& error);

private:
    SdlPlatform(std::shared_ptr<SdlSession> session, SdlPlatformOptions options);

    std::shared_ptr<SdlSession> session_;
    SdlPlatformOptions options_;
    int cursorCounter_ = 0;
};

// SDL's own message box with one OK button and the information or error icon.
bool ShowSdlMessageBox(std::string_view title, std::string_view text, MessageBoxIcon icon);

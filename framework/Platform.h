// The windowing services the program uses: windows and their events, letting pending events
// through, message boxes, the mouse cursor, the millisecond tick counter, the program folder,
// the clock, and ending the process. The SDL implementation is the real one; tests install a
// scripted one. Nothing above framework/ talks to the windowing system any other way.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class MessageBoxIcon { Information, Critical };

// Shows a message box with one OK button and waits for it; false when it could not be shown.
using MessageBoxPresenter = std::function<bool(std::string_view title, std::string_view text, MessageBoxIcon icon)>;

// Event handlers of a window. The platform calls them only while events are let through.
struct WindowHandlers {
    std::function<void(int keyCode, int shift)> KeyDown;
    std::function<void(int keyCode, int shift)> KeyUp;
    std::function<void(int character)> KeyPress; // 0 to 255; Escape is 27
    std::function<void(int button, int shift, float x, float y)> MouseMove;
    std::function<void()> QueryUnload; // the user asked to close the window
    std::function<void(bool focused)> FocusChanged;
};

class Window {
public:
    virtual ~Window() = default;

    virtual void Show() = 0; // not modal
    virtual void Hide() = 0;
    virtual void SetFocus() = 0;
    virtual void Unload() = 0; // closes the window for good; later calls do nothing
    virtual bool IsLoaded() const = 0;
    virtual bool HasFocus() const = 0;

    // Position of the client area on the screen and its size, in pixels.
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;

    WindowHandlers Handlers;
};

// How a new top-level window looks and where it stands.
struct WindowOptions {
    std::string Title;
    int Width = 640; // client area, pixels
    int Height = 480;
    bool Borderless = false;     // no border and no title bar
    bool AtScreenCorner = false; // client area at the screen's top-left corner
    bool BlackBackground = false;
    std::string IconPath;        // optional window icon image
};

// Thrown by a platform whose "end the process" must not really end it (the test double).
// It does not derive from std::exception, so handlers for ordinary errors let it pass.
struct ProcessExit {
    int Code;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Shows a modal box with an OK button. Its title and text also go to standard error, and
    // when the box cannot be shown the program carries on as if OK had been pressed.
    virtual void MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title) = 0;
    // Shows (true) or hides (false) the mouse cursor; returns the new display counter. The
    // cursor is visible while the counter is 0 or more.
    virtual int ShowCursor(bool show) = 0;
    // Moves the pointer to a point of the screen, in pixels.
    virtual void SetCursorPos(int x, int y) = 0;
    // Lets pending window events through: each goes to the handlers of its window.
    virtual void DoEvents() = 0;
    // Milliseconds since an arbitrary start (the real platform: since the machine started),
    // wrapping at 2^32.
    virtual std::uint32_t GetTickCount() = 0;
    // The folder that holds the program, without a trailing separator.
    virtual std::string AppPath() const = 0;
    // The current calendar time.
    virtual std::time_t Now() = 0;
    // Creates a top-level window (not yet shown). Its events reach its Handlers. Throws
    // std::runtime_error when the windowing system cannot make it.
    virtual std::unique_ptr<Window> CreateWindow(const WindowOptions& options) = 0;
    // Ends the process at once: no further events run, no handlers, no destructors.
    [[noreturn]] virtual void EndProcess(int exitCode) = 0;
};

// A platform that passes everything to another one but reports a different program folder: the
// tools use it to run a map from wherever it lies, as the game runs its own from its folder.
class RelocatedPlatform final : public Platform {
public:
    RelocatedPlatform(Platform& inner, std::string folder) : inner_(inner), folder_(std::move(folder)) {}
    void MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title) override
    {
        inner_.MessageBox(text, icon, title);
    }
    int ShowCursor(bool show) override { return inner_.ShowCursor(show); }
    void SetCursorPos(int x, int y) override { inner_.SetCursorPos(x, y); }
    void DoEvents() override { inner_.DoEvents(); }
    std::uint32_t GetTickCount() override { return inner_.GetTickCount(); }
    std::string AppPath() const override { return folder_; }
    std::time_t Now() override { return inner_.Now(); }
    std::unique_ptr<Window> CreateWindow(const WindowOptions& options) override
    {
        return inner_.CreateWindow(options);
    }
    [[noreturn]] void EndProcess(int exitCode) override;

private:
    Platform& inner_;
    std::string folder_;
};

// The installed platform. Installing does not take ownership; the caller keeps it alive.
Platform& ThePlatform();
void InstallPlatform(Platform* platform);
// The installed platform's clock, or the system's when none is installed yet (a start that
// failed before the windowing system came up).
std::time_t CurrentTime();

// Calls ShowCursor(true) until the display counter is at least atLeast, or ShowCursor(false)
// until it is below zero, however often the cursor was hidden or shown before.
void ShowCursorUntil(int atLeast);
void HideCursorCompletely();

// Local time ("%X", with seconds) and short date ("%x") in the user's locale.
std::string FormatLocalTime(std::time_t when);
std::string FormatLocalDate(std::time_t when);

// The folder of the running executable, without a trailing separator.
std::string ExecutableFolder();

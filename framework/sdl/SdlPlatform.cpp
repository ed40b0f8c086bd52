#include "framework/sdl/SdlPlatform.h"

#include "framework/EndSignals.h"
#include "framework/sdl/KeyCodes.h"
#include "framework/sdl/SdlSession.h"

#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

bool platformRunning = false;

// Text for a message box or a terminal: CR LF line ends become LF.
std::string PlainLines(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

// The window an event belongs to, 0 for events of no window.
Uint32 EventWindowId(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT: return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return event.key.windowID;
    case SDL_TEXTINPUT: return event.text.windowID;
    case SDL_TEXTEDITING: return event.edit.windowID;
    case SDL_MOUSEMOTION: return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return event.button.windowID;
    case SDL_MOUSEWHEEL: return event.wheel.windowID;
    default: return 0;
    }
}

// Calls a copy of handler: a handler may replace or destroy the one it was called through.
template <typename Function, typename... Arguments>
void Call(const Function& handler, Arguments... arguments)
{
    if (handler) {
        Function copy = handler;
        copy(arguments...);
    }
}

} // namespace

// ---- SdlWindow -----------------------------------------------------------------

SdlWindow::SdlWindow(std::shared_ptr<SdlSession> session, SDL_Window* handle, const WindowOptions& options)
    : session_(std::move(session)), native_(std::make_shared<SdlWindowNative>())
{
    native_->Handle = handle;
    native_->Id = SDL_GetWindowID(handle);
    native_->BlackBackground = options.BlackBackground;
    session_->Windows[native_->Id] = this;
    Remember();
}

SdlWindow::~SdlWindow() { Unload(); }

void SdlWindow::Remember()
{
    if (native_->Handle == nullptr)
        return;
    SDL_GetWindowPosition(native_->Handle, &left_, &top_);
    SDL_GetWindowSize(native_->Handle, &width_, &height_);
}

void SdlWindow::Show()
{
    if (native_->Handle == nullptr)
        return;
    SDL_ShowWindow(native_->Handle);
    if (native_->BlackBackground && !native_->PresentedByDevice) {
        std::string ignored;
        if (auto context = session_->GlContext(ignored))
            context->PaintBlack(native_->Handle);
    }
}

void SdlWindow::Hide()
{
    if (native_->Handle != nullptr)
        SDL_HideWindow(native_->Handle);
}

void SdlWindow::SetFocus()
{
    if (native_->Handle == nullptr)
        return;
    SDL_RaiseWindow(native_->Handle);
    SDL_SetWindowInputFocus(native_->Handle);
}

void SdlWindow::Unload()
{
    if (native_->Handle == nullptr)
        return;
    Remember();
    session_->Windows.erase(native_->Id);
    SDL_Window* handle = native_->Handle;
    native_->Handle = nullptr;
    native_->PresentedByDevice = false;
    SDL_DestroyWindow(handle);
}

bool SdlWindow::HasFocus() const
{
    return native_->Handle != nullptr && (SDL_GetWindowFlags(native_->Handle) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

int SdlWindow::Left() const
{
    int x = left_;
    if (native_->Handle != nullptr)
        SDL_GetWindowPosition(native_->Handle, &x, nullptr);
    return x;
}

int SdlWindow::Top() const
{
    int y = top_;
    if (native_->Handle != nullptr)
        SDL_GetWindowPosition(native_->Handle, nullptr, &y);
    return y;
}

int SdlWindow::ClientWidth() const
{
    int width = width_;
    if (native_->Handle != nullptr)
        SDL_GetWindowSize(native_->Handle, &width, nullptr);
    return width;
}

int SdlWindow::ClientHeight() const
{
    int height = height_;
    if (native_->Handle != nullptr)
        SDL_GetWindowSize(native_->Handle, nullptr, &height);
    return height;
}

void SdlWindow::Deliver(const SDL_Event& event)
{
    const std::weak_ptr<char> alive = alive_;
    const auto gone = [&] { return alive.expired() || native_->Handle == nullptr; };

    Call(RawEvents, event);
    if (gone())
        return;

    switch (event.type) {
    case SDL_KEYDOWN: {
        const int keyCode = VirtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode);
        if (keyCode != 0)
            Call(Handlers.KeyDown, keyCode, ShiftState(event.key.keysym.mod));
        if (gone())
            return;
        // Keys that type a control character: SDL reports no text for them.
        if (const int character = ControlCharacter(event.key.keysym.sym); character != 0)
            Call(Handlers.KeyPress, character);
        break;
    }
    case SDL_KEYUP: {
        const int keyCode = VirtualKeyCode(event.key.keysym.sym, event.key.keysym.scancode);
        if (keyCode != 0)
            Call(Handlers.KeyUp, keyCode, ShiftState(event.key.keysym.mod));
        break;
    }
    case SDL_TEXTINPUT:
        for (const int character : Latin1Characters(event.text.text)) {
            Call(Handlers.KeyPress, character);
            if (gone())
                return;
        }
        break;
    case SDL_MOUSEMOTION:
        Call(Handlers.MouseMove, MouseButtons(event.motion.state), ShiftState(SDL_GetModState()),
             static_cast<float>(event.motion.x), static_cast<float>(event.motion.y));
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: Call(Handlers.FocusChanged, true); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: Call(Handlers.FocusChanged, false); break;
        case SDL_WINDOWEVENT_CLOSE:
            // Without a handler of its own a window closes when asked to.
            if (Handlers.QueryUnload)
                Call(Handlers.QueryUnload);
            else
                Unload();
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            if (native_->BlackBackground && !native_->PresentedByDevice) {
                std::string ignored;
                if (auto context = session_->GlContext(ignored))
                    context->PaintBlack(native_->Handle);
            }
            break;
        default: break;
        }
        break;
    default: break;
    }
}

void PlaceDeviceWindow(SdlWindowNative& window, bool fullScreen, int width, int height)
{
    SDL_Window* handle = window.Handle;
    if (!fullScreen) {
        SDL_SetWindowFullscreen(handle, 0);
        SDL_SetWindowBordered(handle, SDL_FALSE);
        SDL_SetWindowSize(handle, width, height);
        SDL_SetWindowPosition(handle, 0, 0);
    } else {
        // Without a window manager (a bare X server) the full-screen request alone changes
        // nothing, so the window is also made to cover its display by itself.
        const int display = std::max(SDL_GetWindowDisplayIndex(handle), 0);
        SDL_Rect bounds{};
        if (SDL_GetDisplayBounds(display, &bounds) == 0) {
            SDL_SetWindowBordered(handle, SDL_FALSE);
            SDL_SetWindowPosition(handle, bounds.x, bounds.y);
            SDL_SetWindowSize(handle, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(handle, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    window.PresentedByDevice = true;
}

void ReleaseDeviceWindow(SdlWindowNative& window, bool fullScreen)
{
    window.PresentedByDevice = false;
    if (fullScreen && window.Handle != nullptr)
        SDL_SetWindowFullscreen(window.Handle, 0);
}

// ---- SdlPlatform ----------------------------------------------------------------

std::unique_ptr<SdlPlatform> SdlPlatform::Create(SdlPlatformOptions options, std::string& error)
{
    if (platformRunning) {
        error = "the windowing system is already in use";
        return nullptr;
    }
    std::shared_ptr<SdlVideo> video = SdlVideo::Start(error);
    if (!video)
        return nullptr;
    const char* quiet = std::getenv("DUNMERE_NO_MESSAGE_BOXES");
    if (quiet != nullptr && std::strcmp(quiet, "1") == 0)
        options.ShowMessageBoxes = false;
    if (!options.PresentMessageBox)
        options.PresentMessageBox = ShowSdlMessageBox;
    SDL_StartTextInput();
    platformRunning = true;
    return std::unique_ptr<SdlPlatform>(new SdlPlatform(std::make_shared<SdlSession>(std::move(video)), std::move(options)));
}

SdlPlatform::SdlPlatform(std::shared_ptr<SdlSession> session, SdlPlatformOptions options)
    : session_(std::move(session)), options_(std::move(options))
{
}

SdlPlatform::~SdlPlatform()
{
    if (cursorCounter_ < 0)
        SDL_ShowCursor(SDL_ENABLE);
    platformRunning = false;
}

void SdlPlatform::MessageBox(std::string_view text, MessageBoxIcon icon, std::string_view title)
{
    const std::string plain = PlainLines(text);
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(title.size()), title.data(), plain.c_str());
    std::fflush(stderr);
    if (!options_.ShowMessageBoxes)
        return;
    // The game window may hold the pointer and hide the cursor: the user needs both for the box.
    SDL_SetRelativeMouseMode(SDL_FALSE);
    if (SDL_Window* grabbing = SDL_GetGrabbedWindow())
        SDL_SetWindowGrab(grabbing, SDL_FALSE);
    SDL_ShowCursor(SDL_ENABLE);
    // A box that cannot be shown counts as answered: the program carries on as after OK.
    options_.PresentMessageBox(title, plain, icon);
    if (cursorCounter_ < 0)
        SDL_ShowCursor(SDL_DISABLE);
}

bool ShowSdlMessageBox(std::string_view title, std::string_view text, MessageBoxIcon icon)
{
    const std::string titleText(title);
    const std::string bodyText(text);
    SDL_MessageBoxButtonData ok{};
    ok.flags = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    ok.buttonid = 1;
    ok.text = "OK";
    SDL_MessageBoxData box{};
    box.flags = icon == MessageBoxIcon::Critical ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    box.window = SDL_GetKeyboardFocus();
    box.title = titleText.c_str();
    box.message = bodyText.c_str();
    box.numbuttons = 1;
    box.buttons = &ok;
    int pressed = 0;
    return SDL_ShowMessageBox(&box, &pressed) == 0;
}

int SdlPlatform::ShowCursor(bool show)
{
    const bool wasVisible = cursorCounter_ >= 0;
    cursorCounter_ += show ? 1 : -1;
    const bool visible = cursorCounter_ >= 0;
    if (visible != wasVisible)
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
    return cursorCounter_;
}

void SdlPlatform::SetCursorPos(int x, int y)
{
    // The display server reports the move as a mouse-move event of the window under the pointer.
    SDL_WarpMouseGlobal(x, y);
}

void SdlPlatform::DoEvents()
{
    // Only the events waiting now: those that handlers cause wait for the next call.
    SDL_PumpEvents();
    std::vector<SDL_Event> events;
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
        events.push_back(event);
    // A signal that asks the program to end reaches every window as a close request (while
    // there are none, the request waits for whoever shows one).
    if (!session_->Windows.empty() && EndSignals::TakeRequest())
        for (const auto& [id, window] : session_->Windows) {
            SDL_Event close{};
            close.type = SDL_WINDOWEVENT;
            close.window.event = SDL_WINDOWEVENT_CLOSE;
            close.window.windowID = id;
            events.push_back(close);
        }
    for (const SDL_Event& each : events) {
        if (each.type == SDL_DROPFILE || each.type == SDL_DROPTEXT) {
            SDL_free(each.drop.file);
            continue;
        }
        const Uint32 id = EventWindowId(each);
        if (id == 0)
            continue;
        const auto window = session_->Windows.find(id);
        if (window != session_->Windows.end())
            window->second->Deliver(each);
    }
}

std::uint32_t SdlPlatform::GetTickCount()
{
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return SDL_GetTicks();
    const auto milliseconds =
        static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds); // wraps at 2^32
}

std::string SdlPlatform::AppPath() const { return ExecutableFolder(); }

std::time_t SdlPlatform::Now() { return std::time(nullptr); }

std::unique_ptr<Window> SdlPlatform::CreateWindow(const WindowOptions& options)
{
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
    if (options.Borderless)
        flags |= SDL_WINDOW_BORDERLESS;
    const int x = options.AtScreenCorner ? 0 : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    const int y = options.AtScreenCorner ? 0 : static_cast<int>(SDL_WINDOWPOS_CENTERED);
    SDL_Window* handle = SDL_CreateWindow(options.Title.c_str(), x, y, options.Width, options.Height, flags);
    if (handle == nullptr) {
        // Without OpenGL the window still works for everything but drawing with the device,
        // whose creation then fails with its own message.
        handle = SDL_CreateWindow(options.Title.c_str(), x, y, options.Width, options.Height,
                                  flags & ~static_cast<Uint32>(SDL_WINDOW_OPENGL));
    }
    SDL_Rect screen{};
    if (handle == nullptr && SDL_GetDisplayBounds(0, &screen) == 0 &&
        (options.Width > screen.w || options.Height > screen.h)) {
        // A size beyond the largest window the system makes (a mode from a settings file that no
        // screen offers): the window is made as large as the screen instead, and the device's
        // start refuses the mode with its own message.
        handle = SDL_CreateWindow(options.Title.c_str(), x, y, std::min(options.Width, screen.w),
                                  std::min(options.Height, screen.h), flags);
    }
    if (handle == nullptr)
        throw std::runtime_error(std::string("cannot open the window \"") + options.Title + "\": " + SDL_GetError());
    if (!options.IconPath.empty()) {
        if (SDL_Surface* icon = IMG_Load(options.IconPath.c_str())) {
            SDL_SetWindowIcon(handle, icon);
            SDL_FreeSurface(icon);
        }
    }
    return std::make_unique<SdlWindow>(session_, handle, options);
}

void SdlPlatform::EndProcess(int exitCode)
{
    // No destructors and no handlers: the windows and the graphics go with the process.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

std::shared_ptr<SdlGlContext> SdlPlatform::GlContext(std::string& error) { return session_->GlContext(error); }

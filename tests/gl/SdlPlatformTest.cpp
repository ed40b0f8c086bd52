// The SDL platform under a real X server: events reaching their window's handlers, the cursor
// counter, message boxes, pointer moves through the display server, and what the screen shows.
// (Typing through the display server is exercised end to end, tests/e2e.)
#include "tests/gl/GlTestSupport.h"

#include <gmock/gmock.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class SdlPlatformTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        platform = MakeTestPlatform(error);
        ASSERT_TRUE(platform) << error;
    }

    std::unique_ptr<Window> Open(const std::string& title, bool corner, int width = 200, int height = 150)
    {
        WindowOptions options = MainWindowOptions(width, height);
        options.Title = title;
        options.Borderless = options.AtScreenCorner = corner;
        return platform->CreateWindow(options);
    }

    // Handlers that write what they receive into the journal, prefixed with the window's name.
    void Record(Window& window, const std::string& name)
    {
        window.Handlers.KeyDown = [this, name](int key, int) { journal.push_back(name + " down " + std::to_string(key)); };
        window.Handlers.KeyUp = [this, name](int key, int) { journal.push_back(name + " up " + std::to_string(key)); };
        window.Handlers.KeyPress = [this, name](int c) { journal.push_back(name + " press " + std::to_string(c)); };
    }

    static Uint32 IdOf(Window& window) { return SDL_GetWindowID(dynamic_cast<SdlWindow&>(window).Handle()); }

    static void PushKey(Uint32 type, Uint32 window, SDL_Keycode key, SDL_Scancode scancode)
    {
        SDL_Event event{};
        event.type = type;
        event.key.windowID = window;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = key;
        event.key.keysym.scancode = scancode;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    static void PushText(Uint32 window, const char* utf8)
    {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = window;
        std::snprintf(event.text.text, sizeof event.text.text, "%s", utf8);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    static void PushWindowEvent(Uint32 window, SDL_WindowEventID what)
    {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = window;
        event.window.event = static_cast<Uint8>(what);
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    // Lets events through until done says so, for at most three seconds.
    bool DeliverUntil(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (std::chrono::steady_clock::now() < deadline) {
            platform->DoEvents();
            if (done())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    std::unique_ptr<SdlPlatform> platform;
    std::vector<std::string> journal;
};

TEST_F(SdlPlatformTest, KeysReachTheirOwnWindowAsVirtualKeyCodesAndLatin1Characters)
{
    auto main = Open("main", true);
    auto other = Open("other", false);
    Record(*main, "main");
    Record(*other, "other");
    const Uint32 m = IdOf(*main);
    PushKey(SDL_KEYDOWN, m, SDLK_LEFT, SDL_SCANCODE_LEFT);
    PushKey(SDL_KEYUP, m, SDLK_LEFT, SDL_SCANCODE_LEFT);
    PushKey(SDL_KEYDOWN, IdOf(*other), SDLK_a, SDL_SCANCODE_A);
    PushKey(SDL_KEYDOWN, m, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    PushText(m, "wW");
    PushKey(SDL_KEYDOWN, 999999, SDLK_b, SDL_SCANCODE_B); // a window that does not exist
    platform->DoEvents();
    EXPECT_THAT(journal, ElementsAre("main down 37", "main up 37", "other down 65", "main down 27", "main press 27",
                                     "main press 119", "main press 87"));
}

TEST_F(SdlPlatformTest, AHandlerMayCloseItsOwnWindowAndEventsItCausesWaitForTheNextDelivery)
{
    auto main = Open("main", true);
    const Uint32 id = IdOf(*main);
    main->Handlers.KeyDown = [&](int key, int) {
        journal.push_back("down " + std::to_string(key));
        if (key == 65) // typing "a" causes another key event
            PushKey(SDL_KEYDOWN, id, SDLK_b, SDL_SCANCODE_B);
        if (key == 27)
            main.reset(); // the window object goes while its event is being delivered
    };
    main->Handlers.KeyPress = [&](int c) { journal.push_back("press " + std::to_string(c)); };
    PushKey(SDL_KEYDOWN, id, SDLK_a, SDL_SCANCODE_A);
    platform->DoEvents();
    EXPECT_THAT(journal, ElementsAre("down 65"));
    platform->DoEvents();
    EXPECT_THAT(journal, ElementsAre("down 65", "down 66"));

    PushKey(SDL_KEYDOWN, id, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
    PushKey(SDL_KEYDOWN, id, SDLK_c, SDL_SCANCODE_C);
    platform->DoEvents();
    EXPECT_EQ(main, nullptr);
    EXPECT_THAT(journal, ElementsAre("down 65", "down 66", "down 27")) << "nothing after the window went";
}

TEST_F(SdlPlatformTest, MouseMovesFocusAndCloseRequestsReachTheirHandlers)
{
    auto main = Open("main", true);
    auto dialog = Open("dialog", false);
    main->Handlers.MouseMove = [&](int button, int, float x, float y) {
        journal.push_back("move " + std::to_string(button) + " " + std::to_string(static_cast<int>(x)) + "," +
                          std::to_string(static_cast<int>(y)));
    };
    main->Handlers.FocusChanged = [&](bool focused) { journal.push_back(focused ? "focus" : "blur"); };
    dialog->Handlers.QueryUnload = [&] { journal.push_back("asked to close"); };
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = IdOf(*main);
    motion.motion.x = 17;
    motion.motion.y = 23;
    motion.motion.state = SDL_BUTTON_LMASK | SDL_BUTTON_RMASK;
    ASSERT_EQ(SDL_PushEvent(&motion), 1);
    PushWindowEvent(IdOf(*main), SDL_WINDOWEVENT_FOCUS_GAINED);
    PushWindowEvent(IdOf(*main), SDL_WINDOWEVENT_FOCUS_LOST);
    PushWindowEvent(IdOf(*dialog), SDL_WINDOWEVENT_CLOSE);
    PushWindowEvent(IdOf(*main), SDL_WINDOWEVENT_CLOSE);
    platform->DoEvents();
    EXPECT_THAT(journal, ElementsAre("move 3 17,23", "focus", "blur", "asked to close"));
    EXPECT_TRUE(dialog->IsLoaded()) << "its handler decides";
    EXPECT_FALSE(main->IsLoaded()) << "a window without a close handler closes";
    main->Show(); // harmless once unloaded
    main->Unload();
}

TEST_F(SdlPlatformTest, TheCursorHidesBelowZeroAndShowsAgainAtZero)
{
    const std::tuple<bool, int, bool> steps[] = {{false, -1, false}, {false, -2, false}, {true, -1, false},
                                                 {true, 0, true},    {true, 1, true},    {false, 0, true}};
    for (const auto& [show, counter, visible] : steps) {
        EXPECT_EQ(platform->ShowCursor(show), counter);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE, visible) << counter;
    }
}

TEST_F(SdlPlatformTest, TheTickCounterCountsMillisecondsSinceTheMachineStarted)
{
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    const auto expected = static_cast<std::uint32_t>(static_cast<std::uint64_t>(uptime * 1000));
    EXPECT_LT(platform->GetTickCount() - expected, 1000u); // wrap-safe difference
}

TEST(SdlMessageBoxes, GoToStandardErrorShowTheCursorAndCarryOnWhenTheBoxCannotBeShown)
{
    std::vector<std::string> shown;
    bool canShow = true;
    SdlPlatformOptions options;
    options.PresentMessageBox = [&](std::string_view title, std::string_view text, MessageBoxIcon icon) {
        shown.push_back(std::string(title) + "|" + std::string(text) + "|" +
                        (icon == MessageBoxIcon::Critical ? "critical" : "information") +
                        (SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE ? "|cursor" : ""));
        return canShow;
    };
    std::string error;
    auto platform = SdlPlatform::Create(options, error);
    ASSERT_TRUE(platform) << error;

    ::testing::internal::CaptureStderr();
    platform->ShowCursor(false); // the game hid the cursor: the box shows it while it is up
    platform->MessageBox("Line one\r\nLine two", MessageBoxIcon::Critical, "Error starting DirectX");
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    canShow = false;
    platform->MessageBox("Carry on", MessageBoxIcon::Information, "Notice");
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(shown, ElementsAre("Error starting DirectX|Line one\nLine two|critical|cursor",
                                   "Notice|Carry on|information|cursor"));
    EXPECT_THAT(written, HasSubstr("Error starting DirectX: Line one\nLine two\n"));
    EXPECT_THAT(written, HasSubstr("Notice: Carry on\n"));
    platform.reset();

    // Switched off (as in automated runs), boxes only go to standard error.
    setenv("DUNMERE_NO_MESSAGE_BOXES", "1", 1);
    platform = SdlPlatform::Create(options, error);
    unsetenv("DUNMERE_NO_MESSAGE_BOXES");
    ASSERT_TRUE(platform) << error;
    ::testing::internal::CaptureStderr();
    platform->MessageBox("Quietly", MessageBoxIcon::Critical, "Silent");
    EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("Silent: Quietly\n"));
    EXPECT_EQ(shown.size(), 2u);
}

TEST(SdlPlatformStart, FailsWithAReasonWithoutADisplayAndRunsOnlyOnce)
{
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    std::string error;
    // (A fallback driver that draws nowhere counts as no display: tests/e2e, game_without_a_display.)
    setenv("SDL_VIDEODRIVER", "x11", 1);
    auto none = MakeTestPlatform(error);
    unsetenv("SDL_VIDEODRIVER");
    if (display != nullptr)
        setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_THAT(error, HasSubstr("no display"));

    auto first = MakeTestPlatform(error);
    ASSERT_TRUE(first) << error;
    auto second = MakeTestPlatform(error);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(error.empty());
}

TEST_F(SdlPlatformTest, WindowsStandAtTheCornerOrCentredAndMeasureTheirClientArea)
{
    auto corner = Open("corner", true, 320, 200);
    auto centred = Open("centred", false, 100, 80);
    corner->Show();
    centred->Show();
    platform->DoEvents();
    EXPECT_EQ(corner->Left(), 0);
    EXPECT_EQ(corner->Top(), 0);
    EXPECT_EQ(corner->ClientWidth(), 320);
    EXPECT_EQ(corner->ClientHeight(), 200);
    EXPECT_EQ(centred->Left(), (1280 - 100) / 2);
    EXPECT_EQ(centred->Top(), (1024 - 80) / 2);
    centred->Unload();
    EXPECT_FALSE(centred->IsLoaded());
    EXPECT_EQ(centred->ClientWidth(), 100) << "an unloaded window keeps its last measures";
    // Wider than any window the system makes: as wide as the screen, not refused.
    auto huge = Open("huge", true, 20000, 480);
    EXPECT_EQ(huge->ClientWidth(), 1280);
    EXPECT_EQ(huge->ClientHeight(), 480);
}

TEST_F(SdlPlatformTest, MovingThePointerReportsAMouseMoveAtThatPoint)
{
    auto main = Open("main", true, 300, 200);
    main->Show();
    float lastX = -1;
    float lastY = -1;
    main->Handlers.MouseMove = [&](int, int, float x, float y) {
        lastX = x;
        lastY = y;
    };
    platform->DoEvents();
    platform->SetCursorPos(150, 100);
    EXPECT_TRUE(DeliverUntil([&] { return lastX == 150 && lastY == 100; }));
    platform->SetCursorPos(37, 81);
    EXPECT_TRUE(DeliverUntil([&] { return lastX == 37 && lastY == 81; })) << lastX << "," << lastY;
}

// ---- what the screen shows -----------------------------------------------------

class ScreenTest : public GlDeviceTest {};

TEST_F(ScreenTest, AWindowWithABlackBackgroundIsBlackBeforeAnythingIsDrawnInIt)
{
    // A red picture underneath: a window without a background would show it through.
    MakeDevice(200, 100);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(), D3D_OK);
    platform->DoEvents();
    ASSERT_EQ(PixelAt(Screenshot(folder), 100, 50) & 0xFFFFFF, 0xFF0000u);

    auto main = platform->CreateWindow(MainWindowOptions(200, 100));
    main->Show();
    platform->DoEvents();
    const ImageARGB screen = Screenshot(folder);
    int lit = 0;
    for (UINT y = 0; y < 100; ++y)
        for (UINT x = 0; x < 200; ++x)
            lit += (PixelAt(screen, x, y) & 0xFFFFFF) != 0;
    EXPECT_EQ(lit, 0);
}

TEST_F(ScreenTest, AFullScreenDeviceFillsTheScreenKeepingItsAspectRatio)
{
    window = platform->CreateWindow(MainWindowOptions());
    window->Show();
    params = PresentParameters(window.get(), 320, 200, D3DFMT_R5G6B5, D3DFMT_D16, false);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.get(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, params, device),
              D3D_OK);
    for (int i = 0; i < 5; ++i) {
        platform->DoEvents();
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Present(), D3D_OK);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(window->ClientWidth(), 1280);
    EXPECT_EQ(window->ClientHeight(), 1024);

    const ImageARGB screen = Screenshot(folder);
    ASSERT_EQ(screen.Width, 1280u);
    const auto at = [&](UINT x, UINT y) { return PixelAt(screen, x, y) & 0xFFFFFF; };
    // 320 x 200 scaled four times is 1280 x 800: black bands of 112 rows above and below.
    EXPECT_EQ(at(640, 50), 0u);
    EXPECT_EQ(at(640, 111), 0u);
    EXPECT_EQ(at(640, 112), 0xFF0000u);
    EXPECT_EQ(at(0, 512), 0xFF0000u);
    EXPECT_EQ(at(1279, 911), 0xFF0000u);
    EXPECT_EQ(at(640, 912), 0u);
}

} // namespace

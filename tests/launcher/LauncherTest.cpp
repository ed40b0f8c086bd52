// The launcher's logic on the scripted adapter, with a view that only holds the controls' state.
#include "game/StartSequence.h"
#include "framework/WriteFolders.h"
#include "game/frmMain.h"
#include "tests/launcher/FakeConfigView.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

#include <csignal>
#include <map>
#include <optional>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace DirectX_Framework;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::StartsWith;
using namespace std::string_literals;

namespace {

class LauncherTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        graphics->Modes = {Mode(320, 200, 60, D3DFMT_R5G6B5), Mode(640, 480, 60, D3DFMT_R5G6B5),
                           Mode(800, 600, 60, D3DFMT_X8R8G8B8), Mode(800, 600, 72, D3DFMT_X8R8G8B8),
                           Mode(800, 600, 85, D3DFMT_X8R8G8B8), Mode(640, 480, 60, D3DFMT_R5G6B5),
                           Mode(1024, 768, 60, D3DFMT_X1R5G5B5)};
    }
    void TearDown() override
    {
        frmMain::Form.reset();
        FrameworkTest::TearDown();
    }

    // The message boxes shown, as "title: text", and forgotten.
    std::vector<std::string> TakeBoxes()
    {
        std::vector<std::string> shown;
        for (const RecordedMessageBox& box : platform.MessageBoxes)
            shown.push_back(box.Title + ": " + box.Text);
        platform.MessageBoxes.clear();
        return shown;
    }

    FakeConfigView view{journal};
    frmConfig form{view, StartSequence::RunGame};
    std::string config = folder / "CONFIG.CFG";
};

const auto ModeChange = StartsWith("Screenmode changed to ");
const std::string ReadError =
    "Either this is the first time you have run this game, or else your configuration file has become corrupted. In "
    "any case, the program will lock into a low-quality graphics mode as default - it is recommended that you change "
    "this!";
const std::string WriteError = "Error writing configuration file to disk! Possible causes: you are running the disk "
                               "off read-only media (such as CD-ROM) or the disk is full.";

TEST_F(LauncherTest, TheSettingsFileIsReadLikeThisAndWrittenBackWhole)
{
    const Settings fallback{640, 480, 16, 0};
    const struct {
        std::optional<std::string> file;
        Settings read;
        const char* selected;
    } cases[] = {
        {std::nullopt, fallback, "640x480 in 16-bit"},
        {"800,600,32,1\r\n", {800, 600, 32, 1}, "800x600 in 32-bit"},
        {"800,600,32,5", fallback, "640x480 in 16-bit"},
        {"800,600,32,2", {800, 600, 32, 2}, "800x600 in 32-bit"},
        {" 800\r\n600\n32 \r\n1", {800, 600, 32, 1}, "800x600 in 32-bit"},
        {"320,200,16,0 and then,some,text\0\xff"s, {320, 200, 16, 0}, "320x200 in 16-bit"},
        {"800x600,32,1,0", fallback, "640x480 in 16-bit"},
        // Extreme and negative numbers are taken (and no mode matches them), numbers too far in
        // are not; the fuzzer's seeds below hold more refused ones.
        {"800,600,32,99999999999", fallback, "640x480 in 16-bit"},
        {"2147483647,0000000768,32,0", {2147483647, 768, 32, 0}, ""},
        {"-800,-600,-32,0", {-800, -600, -32, 0}, ""},
        {std::string(70000, '\n') + "800,600,32,1", fallback, "640x480 in 16-bit"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file->substr(0, 40) : "(no file)");
        std::filesystem::remove(config);
        if (c.file)
            WriteWholeFile(config, *c.file);
        TakeBoxes();
        form.FillResModes();
        const Settings& got = form.Config;
        EXPECT_EQ(std::tie(got.Width, got.Height, got.Depth, got.Windowed, view.Windowed),
                  std::tie(c.read.Width, c.read.Height, c.read.Depth, c.read.Windowed, c.read.Windowed));
        EXPECT_EQ(view.SelectedText(), c.selected);
        const bool defaulted = c.read.Width == 640 && c.read.Depth == 16;
        EXPECT_EQ(TakeBoxes(), defaulted ? std::vector{"No Configuration File: " + ReadError} : std::vector<std::string>{});
        view.window.Handlers.QueryUnload(); // the user closes the launcher
        EXPECT_EQ(ReadWholeFile(config), std::to_string(got.Width) + "," + std::to_string(got.Height) + "," +
                                             std::to_string(got.Depth) + "," + std::to_string(got.Windowed) + "\r\n");
    }
    // The fuzzer's seeds: ok-* files are read, bad-* ones (beyond 32 bits, binary bytes, ...) refused.
    for (const auto& seed : std::filesystem::directory_iterator(DUNMERE_FUZZ_CORPUS "/config")) {
        const std::string name = seed.path().filename();
        if (!name.starts_with("ok-") && !name.starts_with("bad-"))
            continue;
        SCOPED_TRACE(name);
        platform.MessageBoxes.clear();
        form.LoadConfig(seed.path());
        EXPECT_EQ(platform.MessageBoxes.size(), name.starts_with("bad-") ? 1u : 0u);
    }
}

TEST_F(LauncherTest, NotesTxtIsShownUpToTheLimitAndAPipeCountsAsMissing)
{
    const std::string notes = folder / "Notes.txt", text(frmConfig::InfoTextLimit - 1, 'a');
    // Up to the limit it is whole; where the limit falls inside the two bytes of an accented e,
    // it is cut before them; UTF-16 gets its last line in UTF-16.
    const std::string utf16 = "\xff\xfe" + text.substr(1);
    const std::pair<std::string, std::string> cases[] = {{text + "b", text + "b"},
                                                         {text + "\xc3\xa9 and more", text + "\r\n..."},
                                                         {utf16 + "a\0b\0", utf16 + "\r\0\n\0.\0.\0.\0"s}};
    for (const auto& [file, shown] : cases) {
        WriteWholeFile(notes, file);
        form.Form_Load();
        EXPECT_EQ(view.Info, shown);
    }
    // UTF-16 in both byte orders with a surrogate pair (U+1F600) just inside the limit, and one
    // that the limit splits: that one goes whole to the cut.
    const std::size_t limit = frmConfig::InfoTextLimit;
    for (const bool bigEndian : {false, true}) {
        const auto encoded = [&](std::initializer_list<unsigned> units, std::size_t repeat = 1) {
            std::string bytes;
            for (std::size_t i = 0; i < repeat; ++i)
                for (const unsigned unit : units)
                    bytes += bigEndian ? std::string{char(unit >> 8), char(unit)} : std::string{char(unit), char(unit >> 8)};
            return bytes;
        };
        const std::string tail = encoded({'\r', '\n', '.', '.', '.'}), pair = encoded({0xD83D, 0xDE00});
        for (const std::size_t pairStart : {limit - 4, limit - 2}) {
            SCOPED_TRACE(std::string(bigEndian ? "big" : "little") + "-endian, pair at " + std::to_string(pairStart));
            const std::string file = encoded({0xFEFF}) + encoded({'a'}, (pairStart - 2) / 2) + pair + encoded({'b'}, 3);
            WriteWholeFile(notes, file);
            form.Form_Load();
            EXPECT_EQ(view.Info, file.substr(0, pairStart == limit - 4 ? limit : limit - 2) + tail);
        }
    }
    // A pipe that no one writes to: opening it must not wait for a writer.
    std::filesystem::remove(notes);
    ASSERT_EQ(::mkfifo(notes.c_str(), 0644), 0);
    form.Form_Load();
    EXPECT_EQ(view.Info, "Erk! You're missing the file:\r\n" + notes);
}

TEST_F(LauncherTest, TheListMergesOnlyAdjacentRepeatsAndSelectsTheSavedModeOnce)
{
    WriteWholeFile(config, "800,600,32,0");
    form.Form_Load();
    EXPECT_EQ(view.Info, "Erk! You're missing the file:\r\n" + (folder / "Notes.txt"));
    EXPECT_THAT(view.Modes, ElementsAre("320x200 in 16-bit", "640x480 in 16-bit", "800x600 in 32-bit",
                                        "640x480 in 16-bit", "1024x768 in 16-bit"));
    EXPECT_THAT(form.ModeListPosition, ElementsAre(1, 2, 3, 0, 0, 4, 5));
    EXPECT_THAT(Log(), Contains(ModeChange).Times(1));
    EXPECT_THAT(Log(), Contains("Screenmode changed to 800x600x32"));
    EXPECT_EQ(DirectX8, nullptr); // the root object goes, the adapter stays
    EXPECT_NE(D3D, nullptr);

    // Format 24 reads as 16-bit, but a saved depth of 16 looks only for format 23.
    WriteWholeFile(config, "1024,768,16,0");
    form.FillResModes();
    EXPECT_EQ(view.Selected, -1);
    // A scroll of the list with nothing selected leaves the settings alone.
    view.Events.cmbResModes_Scroll();
    EXPECT_EQ(form.Config.Width, 1024);
    EXPECT_THAT(Log(), Contains(ModeChange).Times(1));
    view.SelectMode(4);
    EXPECT_EQ(Log().back(), "Screenmode changed to 1024x768x16");
}

TEST_F(LauncherTest, GoStartsInOrderClosingTheLauncherBeforeTheDeviceAndGreyMeansFullScreen)
{
    WriteWholeFile(config, "800,600,32,2");
    form.Form_Load();
    platform.AppFolder = "/proc"; // a folder that takes no new file: the settings cannot be saved
    journal->clear();
    EXPECT_EQ(RunToExit([&] { view.Events.cmdGo_Click(); }), 1); // nor is there a map
    std::vector<std::string> steps;
    for (const std::string& call : *journal)
        if (call.starts_with("Show") || call.starts_with("Unload") || call.starts_with("CreateDevice") ||
            call.starts_with("MessageBox") || call.starts_with("GetAdapterModeCount"))
            steps.push_back(call);
    EXPECT_THAT(steps, ElementsAre("Show Main", "ShowCursor(0) -> -1", "GetAdapterModeCount(0)",
                                   "MessageBox No Configuration File", "Unload frmConfig", "CreateDevice(0, 1, 0x20)",
                                   "Show Main", "MessageBox Error loading map", "Unload Main", "ShowCursor(1) -> 0",
                                   "ShowCursor(1) -> 1"));
    EXPECT_THAT(TakeBoxes(), ElementsAre("No Configuration File: " + WriteError,
                                         "Error loading map: The map file /proc/e1m1-double.dnmap could not be opened. "
                                         "Please reinstall the game."));
    EXPECT_EQ(graphics->CreatedWith.Windowed, 0);
    EXPECT_EQ(graphics->CreatedWith.BackBufferWidth, 800u);
    EXPECT_EQ(graphics->CreatedWith.BackBufferFormat, D3DFMT_X8R8G8B8);
}

TEST_F(LauncherTest, AStartTheAdapterRefusesEndsTheProgramAtLoadOrOnGoBeforeTheSettingsAreSaved)
{
    // On four lines, so that a save would show as the file rewritten on one.
    const std::string saved = "20000\r\n480\r\n32\r\n0\r\n";
    const std::vector<D3DDISPLAYMODE> modes = graphics->Modes;
    const std::string initialisation = "Error in initialisation! Quitting...";
    const struct {
        const char* name;
        bool onGo; // the launcher loads, then "Go!" meets the failure
        std::function<void()> adapter;
        const char* title;
        std::string text;
        const char* logged;
    } cases[] = {
        {"no 320x200 at 16 bits to list the modes with", false,
         [&] { graphics->Modes.erase(graphics->Modes.begin()); }, "Error starting DirectX",
         "Error: The display mode 320x200 in 16-bit colour mode is not supported by your hardware!\r\n"
         "Please change the settings.",
         "Bad Display mode: Quitting at 12:34:56"},
        {"a failing mode read while listing", false, [&] { graphics->ModeReadFailures[0] = D3DERR_INVALIDCALL; },
         "DX8 Error", initialisation, "Failed to set up the device."},
        {"the saved mode, which the adapter lacks", true, [] {}, "Error starting DirectX",
         "Error: The display mode 20000x480 in 32-bit colour mode is not supported by your hardware!\r\n"
         "Please change the settings.",
         "Bad Display mode: Quitting at 12:34:56"},
        {"a failing mode read on Go", true, [&] { graphics->ModeReadFailures[0] = D3DERR_INVALIDCALL; }, "DX8 Error",
         initialisation, "Failed to set up the device."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetState();
        graphics->Modes = modes;
        graphics->ModeReadFailures.clear();
        journal->clear();
        WriteWholeFile(config, saved);
        FakeConfigView launcher{journal};
        frmConfig launcherForm{launcher, StartSequence::RunGame}; // "Go!" goes once per launcher
        if (c.onGo)
            launcherForm.Form_Load();
        c.adapter();
        EXPECT_EQ(RunToExit([&] { c.onGo ? launcher.Events.cmdGo_Click() : launcherForm.Form_Load(); }), 1);
        EXPECT_THAT(TakeBoxes(), ElementsAre(std::string(c.title) + ": " + c.text));
        const std::vector<std::string> log = SplitCrLfLines(ReadWholeFile(folder / "Log.txt"));
        EXPECT_THAT(log, Contains(c.logged));
        EXPECT_THAT(log, Contains("Destroyed DirectX at 12:34:56"));
        EXPECT_EQ(ReadWholeFile(config), saved);
        EXPECT_THAT(*journal, Not(Contains("Unload frmConfig")));
        EXPECT_THAT(*journal, Not(Contains(StartsWith("CreateDevice"))));
    }
}

TEST_F(LauncherTest, ASaveReplacesOnlyAWritableFileKeepingItsLinkAndPermissionsAndClearsLeftovers)
{
    namespace fs = std::filesystem;
    const std::string old = "800,600,32,0\r\n", saved = "1024,768,32,1\r\n";
    const fs::path real = folder.Path() / "real", target = real / "settings.cfg";
    fs::create_directory(real);
    const mode_t umask = ::umask(027);
    form.Config = {1024, 768, 32, 1};
    const auto file = [&](const fs::path& path, fs::perms mode) {
        WriteWholeFile(path, old);
        fs::permissions(path, mode);
    };
    const auto link = [&] { fs::create_symlink("real/settings.cfg", config); };
    const auto octal = [](fs::perms mode) { return (std::ostringstream() << std::oct << unsigned(mode)).str(); };
    const struct {
        const char* name;
        std::function<void()> prepare;
        fs::path written;  // the file that holds the line afterwards
        std::string line;  // the line it holds
        fs::perms mode;    // its permissions
        bool refused;      // the write-error message shown
    } cases[] = {
        {"a first save: 0666 less the umask", [] {}, config, saved, fs::perms(0640), false},
        {"permissions that the umask would change", [&] { file(config, fs::perms(0604)); }, config, saved,
         fs::perms(0604), false},
        // Root may write any file: the owner's write bit decides.
        {"read-only", [&] { file(config, fs::perms(0444)); }, config, old, fs::perms(0444), true},
        {"a link", [&] { file(target, fs::perms(0600)), link(); }, target, saved, fs::perms(0600), false},
        {"a link to a read-only file", [&] { file(target, fs::perms(0400)), link(); }, target, old, fs::perms(0400),
         true},
        {"a link to no file yet", link, target, saved, fs::perms(0640), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(config), fs::remove(target);
        c.prepare();
        const bool linked = fs::is_symlink(config);
        form.Form_QueryUnload();
        EXPECT_EQ(ReadWholeFile(c.written), c.line);
        EXPECT_EQ(octal(fs::status(c.written).permissions()), octal(c.mode));
        EXPECT_EQ(fs::is_symlink(config), linked);
        EXPECT_EQ(TakeBoxes(), c.refused ? std::vector{"No Configuration File: " + WriteError} : std::vector<std::string>{});
    }
    ::umask(umask);

    // A save killed before its rename left its temporary file behind: the next save removes it,
    // but not one of a process still running (pid 1), nor a file not named like them.
    const std::string dead = "999999999"; // above any process number Linux gives out
    for (const std::string& name : {config + "." + dead + ".tmp", target.string() + "." + dead + ".tmp",
                                     config + ".1.tmp", config + ".old.tmp"})
        WriteWholeFile(name, old);
    form.Form_QueryUnload(); // through the link
    fs::remove(config);
    form.Form_QueryUnload();
    std::vector<std::string> left;
    for (const fs::path& f : {folder.Path(), real})
        for (const auto& entry : fs::directory_iterator(f))
            left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_THAT(left, ElementsAre("CONFIG.CFG", "CONFIG.CFG.1.tmp", "CONFIG.CFG.old.tmp", "real", "settings.cfg"));
}

TEST_F(LauncherTest, AnInterruptedWriteKeepsTheOldFileWholeAndSaysSo)
{
    WriteWholeFile(config, "800,600,32,1\r\n");
    form.Form_Load();
    form.Config.Windowed = 0;
    // The write is cut short by a file-size limit.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit tiny{4, saved.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &tiny);
    form.Form_QueryUnload();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(ReadWholeFile(config), "800,600,32,1\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1); // no leftovers
    ASSERT_EQ(platform.MessageBoxes.size(), 1u);
    EXPECT_EQ(platform.MessageBoxes[0].Text, WriteError);
}

TEST_F(LauncherTest, AProgramFolderThatTakesNoFilesSendsTheFilesToTheUsersFolders)
{
    using Env = std::map<std::string, std::string>;
    const struct {
        bool programFolder, configFile;
        Env env;
        WriteFolders chosen;
    } cases[] = {
        {true, false, {{"HOME", "/h"}}, {}},
        {false, false, {{"HOME", "/h"}},
         {"/h/.config/dunmere", "/h/.local/state/dunmere", "/h/.local/share/dunmere/screenshots"}},
        {false, false, {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/c/"}, {"XDG_STATE_HOME", "/s"}, {"XDG_DATA_HOME", "/d"}},
         {"/c/dunmere", "/s/dunmere", "/d/dunmere/screenshots"}},
        // A variable without an absolute path counts as unset; so does a home without one.
        {false, false, {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "c"}}, {"/h/.config/dunmere", "/h/.local/state/dunmere",
                                                                    "/h/.local/share/dunmere/screenshots"}},
        {false, false, {{"HOME", "h"}, {"XDG_STATE_HOME", "/s"}}, {"", "/s/dunmere", ""}},
        {false, false, {}, {}},
        // A settings file of the user's own in a shared copy's folder is kept there.
        {false, true, {{"HOME", "/h"}}, {"", "/h/.local/state/dunmere", "/h/.local/share/dunmere/screenshots"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const FolderFacts facts{[&](const char* name) { return c.env.contains(name) ? c.env.at(name) : ""; },
                                [&](const std::string& path) {
                                    return path == "/opt/game" ? c.programFolder
                                                               : path == "/opt/game/CONFIG.CFG" && c.configFile;
                                }};
        const WriteFolders got = ChooseWriteFolders("/opt/game", facts);
        EXPECT_EQ(std::tie(got.Settings, got.Log, got.Screenshots),
                  std::tie(c.chosen.Settings, c.chosen.Log, c.chosen.Screenshots));
    }
    // The system's answers: a file without its owner's write bit is read-only even for root.
    WriteWholeFile(config, "");
    const FolderFacts system = SystemFolderFacts();
    EXPECT_TRUE(system.MayWrite(folder.Path()));
    EXPECT_TRUE(system.MayWrite(config));
    std::filesystem::permissions(config, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    EXPECT_FALSE(system.MayWrite(config));
    EXPECT_FALSE(system.MayWrite(folder / "missing"));

    // A first run: the read error, then the user's folders made as the files are written, for
    // the user only, and the settings read back from there. A user folder that cannot be made
    // (beneath a file) brings the write error and no log, as a program folder that takes no files does.
    for (const bool usable : {true, false}) {
        SCOPED_TRACE(usable);
        ResetState();
        const std::string home = folder / (usable ? "home" : "CONFIG.CFG");
        WritePlaces = {home + "/.config/dunmere", home + "/.local/state/dunmere", home + "/.local/share/dunmere/screenshots"};
        EXPECT_EQ(WriteFoldersLine(), "The program's folder takes no files: settings in " + home +
                                          "/.config/dunmere, log in " + home + "/.local/state/dunmere, screenshots in " +
                                          home + "/.local/share/dunmere/screenshots");
        TakeBoxes();
        form.FillResModes();
        form.Config.Width = 800;
        view.window.Handlers.QueryUnload();
        std::vector<std::string> boxes{"No Configuration File: " + ReadError};
        if (!usable)
            boxes.push_back("No Configuration File: " + WriteError);
        EXPECT_EQ(TakeBoxes(), boxes);
        form.FillResModes();
        EXPECT_EQ(TakeBoxes().size(), usable ? 0u : 1u);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunToExit([] { DestroyDirectX(); }), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStderr().empty(), usable);
        EXPECT_EQ(std::filesystem::exists(WritePlaces.Log + "/Log.txt"), usable);
        if (usable) {
            EXPECT_EQ(ReadWholeFile(WritePlaces.Settings + "/CONFIG.CFG"), "800,480,16,0\r\n");
            for (const std::string made : {"home/.config", "home/.config/dunmere", "home/.local/state/dunmere"})
                EXPECT_EQ(std::filesystem::status(folder / made).permissions(), std::filesystem::perms::owner_all) << made;
            EXPECT_FALSE(std::filesystem::exists(folder / "home/.local/share")); // no screenshot yet
        }
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2); // nothing beside the program
}

} // namespace

// The launcher's logic on the scripted adapter, with a view that only holds the controls' state.
#include "game/frmMain.h"
#include "launcher/frmConfig.h"
#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

#include <csignal>
#include <sys/resource.h>

using namespace DirectX_Framework;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

struct FakeView final : ConfigView {
    explicit FakeView(std::shared_ptr<Journal> journal) : window("frmConfig", std::move(journal)) {}
    Window& Form() override { return window; }
    void SetInfoText(const std::string& text) override { Info = text; }
    void ClearModes() override { Modes.clear(), Selected = -1; }
    void AddMode(const std::string& text) override { Modes.push_back(text); }
    int ModeCount() const override { return static_cast<int>(Modes.size()); }
    int SelectedMode() const override { return Selected; }
    void SelectMode(int index) override { Selected = index, Events.cmbResModes_Click(); }
    bool SetWindowedValue(int value) override
    {
        if (value < 0 || value > 2)
            return false;
        Windowed = value, Events.chkWindowed_Click();
        return true;
    }
    int WindowedValue() const override { return Windowed; }

    ScriptedWindow window;
    std::string Info;
    std::vector<std::string> Modes;
    int Selected = -1;
    int Windowed = 0;
};

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
    std::vector<std::string> ModeChanges() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : Log())
            if (line.starts_with("Screenmode changed to "))
                lines.push_back(line);
        return lines;
    }
    std::string Selected() const { return view.Selected < 0 ? "" : view.Modes.at(std::size_t(view.Selected)); }

    FakeView view{journal};
    frmConfig form{view};
    std::string config = folder / "CONFIG.CFG";
};

TEST_F(LauncherTest, TheSettingsFileIsReadLikeThisAndWrittenBackWhole)
{
    struct Case {
        const char* file; // null: no file
        Settings read;
        int boxes;
        const char* selected;
        const char* written;
    } const cases[] = {
        {nullptr, {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
        {"", {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
        {"640,480", {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
        {"800,600,32,1\r\n", {800, 600, 32, 1}, 0, "800x600 in 32-bit", "800,600,32,1\r\n"},
        {"800,600,32,5", {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
        {"800,600,32,2", {800, 600, 32, 2}, 0, "800x600 in 32-bit", "800,600,32,2\r\n"},
        {" 800\r\n600\n32 \r\n1", {800, 600, 32, 1}, 0, "800x600 in 32-bit", "800,600,32,1\r\n"},
        {"320,200,16,0 and then,some,text", {320, 200, 16, 0}, 0, "320x200 in 16-bit", "320,200,16,0\r\n"},
        {"800x600,32,1,0", {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
        {"800,600,32,99999999999", {640, 480, 16, 0}, 1, "640x480 in 16-bit", "640,480,16,0\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(no file)");
        std::filesystem::remove(config);
        if (c.file)
            WriteWholeFile(config, c.file);
        platform.MessageBoxes.clear();
        form.FillResModes();
        EXPECT_EQ(std::tie(form.Config.Width, form.Config.Height, form.Config.Depth, form.Config.Windowed),
                  std::tie(c.read.Width, c.read.Height, c.read.Depth, c.read.Windowed));
        EXPECT_EQ(view.Windowed, c.read.Windowed);
        EXPECT_EQ(Selected(), c.selected);
        EXPECT_EQ(platform.MessageBoxes.size(), std::size_t(c.boxes));
        for (const RecordedMessageBox& box : platform.MessageBoxes)
            EXPECT_EQ(box.Text, frmConfig::ReadErrorText);
        view.window.Handlers.QueryUnload(); // the user closes the launcher
        EXPECT_EQ(ReadWholeFile(config), c.written);
    }
}

TEST_F(LauncherTest, TheListMergesOnlyAdjacentRepeatsAndSelectsTheSavedModeOnce)
{
    WriteWholeFile(config, "800,600,32,0");
    form.Form_Load();
    EXPECT_EQ(view.Info, "Erk! You're missing the file:\r\n" + (folder / "Notes.txt"));
    EXPECT_THAT(view.Modes, ElementsAre("320x200 in 16-bit", "640x480 in 16-bit", "800x600 in 32-bit",
                                        "640x480 in 16-bit", "1024x768 in 16-bit"));
    EXPECT_THAT(form.ModeListPosition, ElementsAre(1, 2, 3, 0, 0, 4, 5));
    EXPECT_THAT(ModeChanges(), ElementsAre("Screenmode changed to 800x600x32"));
    EXPECT_EQ(DirectX8, nullptr); // the root object goes, the adapter stays
    EXPECT_NE(D3D, nullptr);
    EXPECT_THAT(Log(), ::testing::Contains(StartsWith("Enumerating display modes")));

    // Format 24 reads as 16-bit, but a saved depth of 16 looks only for format 23.
    WriteWholeFile(config, "1024,768,16,0");
    form.FillResModes();
    EXPECT_EQ(view.Selected, -1);
    EXPECT_EQ(ModeChanges().size(), 1u);
    // A scroll of the list with nothing selected leaves the settings alone.
    view.Events.cmbResModes_Scroll();
    EXPECT_EQ(form.Config.Width, 1024);
    EXPECT_EQ(ModeChanges().size(), 1u);
    view.SelectMode(4);
    EXPECT_THAT(ModeChanges(), ElementsAre(StartsWith("Screenmode"), "Screenmode changed to 1024x768x16"));
}

TEST_F(LauncherTest, GoStartsInOrderClosingTheLauncherBeforeTheDeviceAndGreyMeansFullScreen)
{
    WriteWholeFile(config, "800,600,32,2");
    form.Form_Load();
    journal->clear();
    EXPECT_EQ(RunToExit([&] { view.Events.cmdGo_Click(); }), 1); // no map in the folder
    std::vector<std::string> steps;
    for (const std::string& call : *journal)
        if (call.starts_with("Show") || call.starts_with("Unload") || call.starts_with("CreateDevice") ||
            call.starts_with("MessageBox") || call.starts_with("GetAdapterModeCount"))
            steps.push_back(call);
    EXPECT_THAT(steps, ElementsAre("Show Main", "ShowCursor(0) -> -1", "GetAdapterModeCount(0)", "Unload frmConfig",
                                   "CreateDevice(0, 1, 0x20)", "Show Main", "MessageBox Error loading map",
                                   "Unload Main", "ShowCursor(1) -> 0", "ShowCursor(1) -> 1"));
    EXPECT_EQ(graphics->CreatedWith.Windowed, 0);
    EXPECT_EQ(graphics->CreatedWith.BackBufferWidth, 800u);
    EXPECT_EQ(graphics->CreatedWith.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(ReadWholeFile(config), "800,600,32,2\r\n");
}

TEST_F(LauncherTest, AFailedWriteKeepsTheOldFileSaysSoAndTheGameStillStarts)
{
    // A write cut short (here by a file-size limit) leaves the earlier file whole.
    WriteWholeFile(config, "800,600,32,1\r\n");
    form.Form_Load();
    form.Config.Windowed = 0;
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

    // A folder that takes no new file: the message at every closing; "Go!" still starts.
    platform.AppFolder = "/proc";
    form.Form_QueryUnload();
    EXPECT_EQ(RunToExit([&] { form.cmdGo_Click(); }), 1);
    ASSERT_EQ(platform.MessageBoxes.size(), 4u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(platform.MessageBoxes[std::size_t(i)].Text, frmConfig::WriteErrorText);
    EXPECT_EQ(platform.MessageBoxes[3].Title, "Error loading map");
    EXPECT_EQ(graphics->CreatedWith.BackBufferWidth, 800u);
}

} // namespace

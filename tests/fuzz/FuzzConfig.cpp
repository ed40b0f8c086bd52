// The settings file as the launcher reads it while it loads (LoadConfig, with a check box that
// takes only 0, 1 and 2) and writes it when it closes (SaveConfig): any content gives either the
// four numbers or the read-error message with the defaults, and what was taken is written back
// and reads again to the same values.
#include "tests/fuzz/FuzzHarness.h"

#include "tests/launcher/FakeConfigView.h"

namespace {

bool Same(const Settings& a, const Settings& b)
{
    return a.Width == b.Width && a.Height == b.Height && a.Depth == b.Depth && a.Windowed == b.Windowed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ScriptedPlatform& platform = Fuzz::StartPlatform();
    const std::string path = Fuzz::WriteFile("CONFIG.CFG", data, size);
    FakeConfigView view(std::make_shared<std::vector<std::string>>());
    view.Windowed = -1;
    frmConfig form(view, [](const GameMode&, const std::function<void()>&) {}); // "Go!" is never pressed
    form.Config = Settings{1, 2, 3, 4}; // not the defaults: LoadConfig must set every field
    form.LoadConfig(path);
    const Settings got = form.Config;

    const std::optional<Settings> read = ReadSettingsFile(path);
    FUZZ_CHECK(got.Windowed >= 0 && got.Windowed <= 2 && view.Windowed == got.Windowed);
    if (read && read->Windowed >= 0 && read->Windowed <= 2) {
        FUZZ_CHECK(platform.MessageBoxes.empty() && Same(got, *read));
    } else {
        FUZZ_CHECK(platform.MessageBoxes.size() == 1 && platform.MessageBoxes[0].Text == frmConfig::ReadErrorText);
        FUZZ_CHECK(Same(got, Settings{}));
    }

    const std::size_t boxes = platform.MessageBoxes.size();
    form.SaveConfig(path);
    const std::optional<Settings> again = ReadSettingsFile(path);
    FUZZ_CHECK(platform.MessageBoxes.size() == boxes && again && Same(*again, got));
    return 0;
}

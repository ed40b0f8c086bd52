#include "launcher/frmConfig.h"

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "framework/WriteFolders.h"

#include <string_view>
#include <utility>

using namespace DirectX_Framework;

frmConfig::frmConfig(ConfigView& view, GameStarter startGame) : view_(view), startGame_(std::move(startGame))
{
    view_.Events.cmbResModes_Click = [this] { cmbResModes_Click(); };
    view_.Events.cmbResModes_Scroll = [this] { cmbResModes_Scroll(); };
    view_.Events.chkWindowed_Click = [this] { chkWindowed_Click(); };
    view_.Events.cmdGo_Click = [this] { cmdGo_Click(); };
    view_.Form().Handlers.QueryUnload = [this] { Form_QueryUnload(); };
}

std::string frmConfig::ConfigPath() const { return JoinPath(SettingsFolder(), "\\CONFIG.CFG"); }

void frmConfig::Form_Load()
{
    const std::string notes = JoinPath(ThePlatform().AppPath(), "\\Notes.txt");
    std::optional<std::string> text = ReadFileStart(notes, InfoTextLimit);
    if (text && text->size() > InfoTextLimit) {
        // Cut before the character that the limit would split, and add a last line "..." in the
        // file's own encoding. UTF-16 (a file with its byte-order mark) is cut at a whole 16-bit
        // unit, as the limit is even, and before a first half of a surrogate pair (D800 to DBFF)
        // whose second half lies beyond; in UTF-8 up to three continuation bytes (10xxxxxx) go
        // with the character they belong to.
        const bool littleEndian = text->starts_with("\xff\xfe"), bigEndian = text->starts_with("\xfe\xff");
        std::size_t end = InfoTextLimit;
        if (littleEndian || bigEndian) {
            const auto lastUnitHigh = static_cast<unsigned char>((*text)[littleEndian ? end - 1 : end - 2]);
            if ((lastUnitHigh & 0xFC) == 0xD8)
                end -= 2;
        } else {
            for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>((*text)[end]) & 0xC0) == 0x80; ++i)
                --end;
        }
        text->resize(end);
        for (const char c : std::string_view("\r\n..."))
            *text += littleEndian ? std::string{c, '\0'} : bigEndian ? std::string{'\0', c} : std::string{c};
    }
    view_.SetInfoText(text ? *text : "Erk! You're missing the file:\r\n" + notes);
    FillResModes();
}

void frmConfig::FillResModes()
{
    StartDirectX();
    if (!StartDirect3D(&view_.Form(), 320, 200, 16, false)) {
        ExitCode = 1;
        DestroyDirectX();
    }
    EnumerateDisplayModes();

    ModeListPosition.assign(static_cast<std::size_t>(LastDisplayMode + 1), 0);
    view_.ClearModes();
    D3DDISPLAYMODE previous{};
    for (std::size_t i = 0; i < DisplayModes.size(); ++i) {
        const D3DDISPLAYMODE& mode = DisplayModes[i];
        if (mode.Width != previous.Width || mode.Height != previous.Height || mode.Format != previous.Format) {
            view_.AddMode(std::to_string(mode.Width) + "x" + std::to_string(mode.Height) + " in " +
                          std::to_string(DepthLabel(mode.Format)) + "-bit");
            ModeListPosition[i] = view_.ModeCount();
        }
        previous = mode;
    }

    LoadConfig(ConfigPath());

    const D3DFORMAT wanted = Config.Depth == 32 ? D3DFMT_X8R8G8B8 : D3DFMT_R5G6B5;
    for (std::size_t i = 0; i < DisplayModes.size(); ++i) {
        const D3DDISPLAYMODE& mode = DisplayModes[i];
        if (static_cast<std::int64_t>(mode.Width) == Config.Width &&
            static_cast<std::int64_t>(mode.Height) == Config.Height && mode.Format == wanted) {
            view_.SelectMode(ModeListPosition[i] - 1);
            break;
        }
    }
    DirectX8.reset();
}

void frmConfig::LoadConfig(const std::string& ConfigFile)
{
    bool defaulted = false;
    const auto useDefaults = [&] {
        ThePlatform().MessageBox(ReadErrorText, MessageBoxIcon::Information, ConfigTitle);
        Config = Settings{};
        defaulted = true;
    };
    if (const std::optional<Settings> read = ReadSettingsFile(ConfigFile))
        Config = *read;
    else
        useDefaults();
    if (!view_.SetWindowedValue(Config.Windowed)) {
        if (!defaulted)
            useDefaults();
        view_.SetWindowedValue(0);
    }
}

void frmConfig::SaveConfig(const std::string& ConfigFile)
{
    CreateUserFolder(WritePlaces.Settings);
    if (!WriteSettingsFile(ConfigFile, Config))
        ThePlatform().MessageBox(WriteErrorText, MessageBoxIcon::Information, ConfigTitle);
}

void frmConfig::cmbResModes_Click()
{
    // With no entry selected there is nothing to take over (modes without an entry of their own
    // carry position 0, which must not be read as "entry -1").
    const int selected = view_.SelectedMode();
    if (selected < 0)
        return;
    for (std::size_t i = 0; i < ModeListPosition.size() && i < DisplayModes.size(); ++i) {
        if (ModeListPosition[i] != selected + 1)
            continue;
        const D3DDISPLAYMODE& mode = DisplayModes[i];
        Config.Width = static_cast<std::int32_t>(mode.Width);
        Config.Height = static_cast<std::int32_t>(mode.Height);
        Config.Depth = DepthLabel(mode.Format);
        LogLine("Screenmode changed to " + std::to_string(Config.Width) + "x" + std::to_string(Config.Height) + "x" +
                std::to_string(Config.Depth));
    }
}

void frmConfig::cmbResModes_Scroll() { cmbResModes_Click(); }

void frmConfig::chkWindowed_Click() { Config.Windowed = view_.WindowedValue(); }

void frmConfig::cmdGo_Click()
{
    // A second press while the game starts (from inside one of its message boxes) does nothing.
    if (gameStarting_)
        return;
    gameStarting_ = true;
    const GameMode mode{Config.Width, Config.Height, Config.Depth, Config.Windowed == 1};
    EndOnUnexpectedError([&] {
        startGame_(mode, [this] {
            Form_QueryUnload();
            view_.Form().Unload();
        });
    });
}

void frmConfig::Form_QueryUnload() { SaveConfig(ConfigPath()); }

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "framework/Loading.h"
#include "framework/WriteFolders.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace DirectX_Framework {

void ResetState()
{
    DirectX8.reset();
    D3DX.reset();
    D3DDevice.reset();
    D3D.reset();
    AdapterFormat = 0;
    PresentParams = D3DPRESENT_PARAMETERS{};
    DeviceCaps = D3DCAPS8{};
    ViewMatrix = D3DMATRIX{};
    WorldMatrix = D3DMATRIX{};
    ProjectionMatrix = D3DMATRIX{};
    StandardMaterial = D3DMATERIAL8{};
    DisplayModes.clear();
    LastDisplayMode = -1;
    MainWindow = nullptr;
    Statistics = RunStatistics{};
    KeepLogInMemory = false;
    WritePlaces = WriteFolders{};
    ExitCode = 0;
    BeforeProcessEnds = nullptr;
    TextureFailureRaises = false;
    ClearLog();
}

namespace {

std::string FolderOrProgramFolder(const std::string& folder)
{
    return folder.empty() ? ThePlatform().AppPath() : folder;
}

} // namespace

std::string SettingsFolder() { return FolderOrProgramFolder(WritePlaces.Settings); }
std::string LogFolder() { return FolderOrProgramFolder(WritePlaces.Log); }
std::string ScreenshotFolder() { return FolderOrProgramFolder(WritePlaces.Screenshots); }

void CreateGraphicsDevice(Window* window)
{
    LogLine("Creating device...");
    try {
        if (!D3D)
            throw GraphicsError(D3DERR_NOTAVAILABLE, "CreateDevice (no graphics adapter object)");
        DWORD behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
        if ((DeviceCaps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0) {
            LogLine("Hardware Transform and lighting supported");
            behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        } else {
            LogLine("Hardware Transform and lighting is not supported");
        }
        std::unique_ptr<IDirect3DDevice8> device;
        ThrowIfFailed(D3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, behaviour, PresentParams, device),
                      "CreateDevice");
        if (!device)
            throw GraphicsError(E_FAIL, "CreateDevice (no device returned)");
        D3DDevice = std::move(device);
        LogLine("Created device!");
        ApplyStandardSetup();
        ThePlatform().DoEvents();
        if (window != nullptr) {
            window->Show();
            window->SetFocus();
        }
        ThePlatform().DoEvents();
    } catch (const GraphicsError&) {
        LogLine("Error Creating device - quitting.");
        if (PresentParams.Windowed != 0)
            LogLine("Windowed mode was active.");
        ThePlatform().MessageBox(
            "Error creating device: check your resolution and colour depth settings, especially if your are in "
            "Fake fullscreen mode: you cannot use a colour depth which is different to the one your desktop uses.",
            MessageBoxIcon::Critical, "Error creating device.");
        ExitCode = 1;
        DestroyDirectX();
    }
}

std::optional<std::string> FormatRounded2(double value)
{
    const double hundredths = value * 100.0;
    // Beyond 2^53 hundredths the result is no longer a whole number of hundredths.
    if (!std::isfinite(hundredths) || std::fabs(hundredths) > 9.0e15)
        return std::nullopt;
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const long long rounded = static_cast<long long>(std::nearbyint(hundredths));
    const unsigned long long magnitude =
        rounded < 0 ? 0ULL - static_cast<unsigned long long>(rounded) : static_cast<unsigned long long>(rounded);
    std::string text = rounded < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    const unsigned fraction = static_cast<unsigned>(magnitude % 100);
    if (fraction != 0) {
        const std::lconv* conventions = std::localeconv();
        text += (conventions != nullptr && conventions->decimal_point != nullptr && *conventions->decimal_point != '\0')
                    ? conventions->decimal_point
                    : ".";
        text += static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0)
            text += static_cast<char>('0' + fraction % 10);
    }
    return text;
}

void DestroyDirectX()
{
    Platform& platform = ThePlatform();
    platform.DoEvents();

    DirectX8.reset();
    D3DX.reset();
    D3DDevice.reset();
    D3D.reset();

    if (MainWindow != nullptr)
        MainWindow->Unload();
    platform.DoEvents();

    // Show the cursor however many times it was hidden.
    ShowCursorUntil(1);

    // From here on failures are skipped; the process ends whatever happens.
    try {
        LogLine("Destroyed DirectX at " + FormatLocalTime(platform.Now()));
        LogLine("");
        LogLine("Statistics:");
        const RunStatistics& s = Statistics;
        // A statistic whose division has a zero divisor is left out.
        const auto ratio = [](double numerator, double denominator) -> std::optional<double> {
            if (denominator == 0.0)
                return std::nullopt;
            return numerator / denominator;
        };
        if (const auto a = ratio(s.Frames, s.LoopSeconds))
            if (const auto text = FormatRounded2(*a))
                LogLine("Average FPS: " + *text);
        if (const auto p = ratio(s.TicksRun, s.TicksCalledFor))
            if (const auto text = FormatRounded2(100.0 * *p))
                LogLine("Performance: " + *text + "%");
        if (const auto r = ratio(s.LoopSeconds * 1000.0 / 15.0, s.Passes))
            if (const auto inverse = ratio(1.0, *r))
                if (const auto text = FormatRounded2(*inverse * 100.0))
                    LogLine("Game loop resolution: " + *text + "%");
    } catch (const std::exception&) {
    }
    try {
        if (!KeepLogInMemory) {
            CreateUserFolder(WritePlaces.Log);
            SaveLog(JoinPath(LogFolder(), "Log.txt"));
        }
    } catch (const std::exception& error) {
        // The program still ends; a user at a terminal learns why there is no log.
        std::fprintf(stderr, "%s: the log could not be saved: %s\n", ApplicationTitle, error.what());
    }
    if (BeforeProcessEnds) {
        try {
            BeforeProcessEnds();
        } catch (const std::exception&) {
        }
    }
    platform.EndProcess(ExitCode);
    std::abort(); // a platform's EndProcess never returns
}

void FailAndQuit(const std::string& logLine, const std::string& title, const std::string& text)
{
    LogLine(logLine);
    ThePlatform().MessageBox(text, MessageBoxIcon::Critical, title);
    ExitCode = 1;
    DestroyDirectX();
}

void EndOnUnexpectedError(const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& error) {
        FailAndQuit(std::string("Unexpected error - Quitting: ") + error.what(), ApplicationTitle,
                    std::string("The game stopped because of an unexpected error:\r\n") + error.what());
    }
}

} // namespace DirectX_Framework

// The graphics framework's module state and procedures: start-up, the standard device set-up,
// per-frame helpers, display modes, device creation and the shutdown that ends every run.
#pragma once

#include "framework/D3D8Types.h"
#include "framework/Device.h"
#include "framework/EngineLog.h"
#include "framework/MathHelpers.h"
#include "framework/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace DirectX_Framework {

// What the main loop measures for the shutdown's statistics block.
struct RunStatistics {
    double Frames = 0;         // frames rendered by the main loop
    double LoopSeconds = 0;    // real time spent in the main loop
    double TicksRun = 0;       // game ticks actually run
    double TicksCalledFor = 0; // game ticks that real time called for (15 ms each)
    double Passes = 0;         // passes of the main loop; average pass length = loop time / passes
};

// ---- module state -----------------------------------------------------------
// Makes the root object of the graphics back end; installed by the program (OpenGL) or a test.
inline std::function<std::unique_ptr<IDirectX8>()> DirectXFactory;

inline std::unique_ptr<IDirectX8> DirectX8;        // the root object
inline std::unique_ptr<IDirect3D8> D3D;            // the adapter object
inline std::unique_ptr<ID3DX8> D3DX;               // the helper object
inline std::unique_ptr<IDirect3DDevice8> D3DDevice; // the one device; empty until created

inline D3DFORMAT AdapterFormat = 0;
inline D3DPRESENT_PARAMETERS PresentParams{};
inline D3DCAPS8 DeviceCaps{};
inline D3DMATRIX ViewMatrix{};
inline D3DMATRIX WorldMatrix{};
inline D3DMATRIX ProjectionMatrix{};
inline D3DMATERIAL8 StandardMaterial{};

inline std::vector<D3DDISPLAYMODE> DisplayModes;
inline std::int32_t LastDisplayMode = -1;

// The main game window, unloaded by the shutdown; set by whoever creates it.
inline Window* MainWindow = nullptr;

inline RunStatistics Statistics;
// Headless tools keep the log in memory: their shutdown writes no Log.txt.
inline bool KeepLogInMemory = false;

// The folders this run writes its files into: the settings file, the log, the screenshots. An
// empty one is the program's folder, where the game keeps them. The executable's start or a tool
// sets them before the files are first written.
struct WriteFolders {
    std::string Settings;
    std::string Log;
    std::string Screenshots;
};
inline WriteFolders WritePlaces;
// The folder each kind of file goes to this run: the one set above, else the program's folder.
std::string SettingsFolder();
std::string LogFolder();
std::string ScreenshotFolder();
// Exit status of the process: failure paths set 1 before they shut down.
inline int ExitCode = 0;
// Run by the shutdown after the log, just before the process ends: a tool that keeps the log in
// memory writes it here, and anything else it owes its caller.
inline std::function<void()> BeforeProcessEnds;

// Puts every piece of module state back to its start-of-program value (the log included).
void ResetState();

// ---- display modes ----------------------------------------------------------
// The depth label of a display format: 32 for X8R8G8B8, 16 for everything else.
int DepthLabel(D3DFORMAT format);
// Whether a mode of this format satisfies a request for depth bits per pixel.
bool FormatMatchesDepth(D3DFORMAT format, std::int32_t depth);

void EnumerateDisplayModes();
D3DFORMAT FindDisplayMode(std::int32_t width, std::int32_t height, std::int32_t depth);

// ---- start-up and per-frame helpers ---------------------------------------
void StartDirectX();
bool StartDirect3D(Window* window, std::int32_t width, std::int32_t height, std::int32_t depth, bool windowed);
void ApplyStandardSetup();
void ClearFrame(D3DCOLOR colour);
void PresentFrame();
void SetAmbientLight(std::int16_t red, std::int16_t green, std::int16_t blue);

// ---- device creation and shutdown -----------------------------------------
void CreateGraphicsDevice(Window* window);
[[noreturn]] void DestroyDirectX();

// Logs line, shows a critical-stop box and ends the program through the shutdown.
[[noreturn]] void FailAndQuit(const std::string& logLine, const std::string& title, const std::string& text);

// Runs body; an error that escapes it ends the program in order: a log line, a message box
// naming the error, and the shutdown (log saved). Never returns when body ends the program.
void EndOnUnexpectedError(const std::function<void()>& body);

// A number rounded to 2 decimals (halves to even) in its shortest plain form with the locale's
// decimal separator: 59.5, 60, 0.01. Empty when the number is not finite.
std::optional<std::string> FormatRounded2(double value);

} // namespace DirectX_Framework

#include "framework/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

Platform* installedPlatform = nullptr;

std::string FormatTime(std::time_t when, const char* format)
{
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr)
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &parts);
    return std::string(text, length);
}

} // namespace

Platform& ThePlatform()
{
    if (installedPlatform == nullptr) {
        std::fputs("internal error: no platform installed\n", stderr);
        std::abort();
    }
    return *installedPlatform;
}

void InstallPlatform(Platform* platform) { installedPlatform = platform; }

std::time_t CurrentTime() { return installedPlatform != nullptr ? installedPlatform->Now() : std::time(nullptr); }

void RelocatedPlatform::EndProcess(int exitCode)
{
    inner_.EndProcess(exitCode);
    std::abort(); // a platform's EndProcess never returns
}

// The bound only guards against a platform whose counter never moves.
constexpr int MaxCursorCalls = 100000;

void ShowCursorUntil(int atLeast)
{
    for (int call = 0; call < MaxCursorCalls && ThePlatform().ShowCursor(true) < atLeast; ++call) {
    }
}

void HideCursorCompletely()
{
    for (int call = 0; call < MaxCursorCalls && ThePlatform().ShowCursor(false) >= 0; ++call) {
    }
}

std::string FormatLocalTime(std::time_t when) { return FormatTime(when, "%X"); }

std::string FormatLocalDate(std::time_t when) { return FormatTime(when, "%x"); }

std::string ExecutableFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return std::filesystem::current_path(error).string();
    return exe.parent_path().string();
}

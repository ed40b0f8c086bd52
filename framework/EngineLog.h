// The engine log: the program's one diagnostic channel. Lines are kept in memory for the whole
// run and written to the log file once, at shutdown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace DirectX_Framework {

inline constexpr const char* ApplicationTitle = "Dunmere Demo";
// The project's version, set by the build (CMakeLists.txt).
inline constexpr int VersionMajor = DUNMERE_VERSION_MAJOR;
inline constexpr int VersionMinor = DUNMERE_VERSION_MINOR;
inline constexpr int VersionRevision = DUNMERE_VERSION_PATCH;

struct EngineLogStore {
    // Slot i holds line i; the slot just past the last line is always empty. Only as many
    // slots as lines are kept: the rest are empty by definition.
    std::vector<std::string_view> LogLines;
    // The number of lines added so far, a signed 16-bit counter: once it reaches 32767, further
    // lines are dropped.
    std::int16_t LogLineCount = 0;

    // The lines' text, one after the other in blocks of at least TextBlockBytes that never move.
    // A line of its own on the heap would settle among whatever the program frees around it and
    // keep those pages from going back to the system: over a long run, megabytes of them.
    struct TextBlock {
        std::unique_ptr<char[]> Bytes;
        std::size_t Size = 0;
        std::size_t Capacity = 0;
    };
    static constexpr std::size_t TextBlockBytes = 64 * 1024;
    std::vector<TextBlock> Text;
};

extern EngineLogStore EngineLog;

void LogLine(std::string_view text);

// The log's text: the header and an empty line, the lines and the empty slot after them, an
// empty line and the footer, every line ended by CR LF.
std::string LogText();

// Writes LogText to path, replacing any earlier file. Throws std::runtime_error when the file
// cannot be written.
void SaveLog(const std::string& path);

// The header text: title, version, " - logging at ", local time, " on ", local date.
std::string LogHeader(const std::string& time, const std::string& date);

// Empties the log (used where a fresh run is simulated).
void ClearLog();

} // namespace DirectX_Framework

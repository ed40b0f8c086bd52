#include "framework/EngineLog.h"

#include "framework/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace DirectX_Framework {

EngineLogStore EngineLog;

void LogLine(std::string_view text)
{
    if (EngineLog.LogLineCount == std::numeric_limits<std::int16_t>::max())
        return;
    std::vector<EngineLogStore::TextBlock>& blocks = EngineLog.Text;
    if (blocks.empty() || blocks.back().Capacity - blocks.back().Size < text.size()) {
        const std::size_t capacity = std::max(EngineLogStore::TextBlockBytes, text.size());
        blocks.push_back({std::make_unique_for_overwrite<char[]>(capacity), 0, capacity});
    }
    EngineLogStore::TextBlock& block = blocks.back();
    char* const at = block.Bytes.get() + block.Size;
    std::copy(text.begin(), text.end(), at);
    block.Size += text.size();
    EngineLog.LogLines.emplace_back(at, text.size());
    ++EngineLog.LogLineCount;
}

std::string LogHeader(const std::string& time, const std::string& date)
{
    return std::string(ApplicationTitle) + " " + std::to_string(VersionMajor) + "." + std::to_string(VersionMinor) +
           "." + std::to_string(VersionRevision) + " - logging at " + time + " on " + date;
}

std::string LogText()
{
    const std::time_t now = CurrentTime();
    std::string text = LogHeader(FormatLocalTime(now), FormatLocalDate(now)) + "\r\n\r\n";
    for (int index = 0; index < EngineLog.LogLineCount; ++index)
        text.append(EngineLog.LogLines[static_cast<std::size_t>(index)]).append("\r\n");
    text += "\r\n"; // the empty slot just past the last line
    text += "\r\n...log ends here.\r\n";
    return text;
}

void SaveLog(const std::string& path)
{
    const std::string text = LogText();

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file)
        throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + path);
}

void ClearLog() { EngineLog = EngineLogStore{}; }

} // namespace DirectX_Framework

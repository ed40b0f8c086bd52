#include "framework/EngineLog.h"

#include "framework/Platform.h"

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
    EngineLog.LogLines.emplace_back(text);
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
        text += EngineLog.LogLines[static_cast<std::size_t>(index)] + "\r\n";
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

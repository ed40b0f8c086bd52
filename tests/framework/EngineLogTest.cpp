#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

using namespace DirectX_Framework;

namespace {

class EngineLogTest : public FrameworkTest {
protected:
    std::string SaveAndRead()
    {
        SaveLog(folder / "Log.txt");
        return ReadWholeFile(folder / "Log.txt");
    }
    const std::string header = "Dunmere Demo 1.1.5 - logging at 12:34:56 on 03/14/26\r\n\r\n";
    const std::string footer = "\r\n\r\n...log ends here.\r\n"; // the empty slot past the last line, then the end
};

TEST_F(EngineLogTest, TheFileIsHeaderLinesInOrderEmptySlotAndFooterAndReplacesAnEarlierOne)
{
    EXPECT_EQ(SaveAndRead(), header + footer);
    WriteWholeFile(folder / "Log.txt", std::string(10000, 'x') + "\r\nold run\r\n");
    const std::string longest(100000, 'L'); // longer than the log keeps lines together in
    for (const std::string& line : {std::string("A"), std::string(" "), std::string(), longest, std::string("B")})
        LogLine(line);
    EXPECT_EQ(EngineLog.LogLineCount, 5);
    EXPECT_EQ(SaveAndRead(), header + "A\r\n \r\n\r\n" + longest + "\r\nB\r\n" + footer);
    EXPECT_THROW(SaveLog(folder / "no-such-folder/Log.txt"), std::runtime_error) << "reported to the caller";
}

TEST_F(EngineLogTest, LinesBeyondTheSixteenBitCounterAreDropped)
{
    for (int i = 0; i < 32767; ++i)
        LogLine("line " + std::to_string(i));
    LogLine("one too many");
    EXPECT_EQ(EngineLog.LogLineCount, 32767);
    const std::vector<std::string> lines = SplitCrLfLines(SaveAndRead());
    ASSERT_EQ(lines.size(), 2u + 32767u + 3u);
    EXPECT_EQ(lines[2], "line 0");
    EXPECT_EQ(lines[2 + 32766], "line 32766");
    EXPECT_EQ(lines[2 + 32767], "");
}

} // namespace

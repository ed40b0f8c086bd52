#include "tests/support/FrameworkFixture.h"

#include <gmock/gmock.h>

using namespace DirectX_Framework;
using ::testing::ElementsAre;

namespace {

class EngineLogTest : public FrameworkTest {
protected:
    std::string SaveAndRead()
    {
        const std::string path = folder / "Log.txt";
        SaveLog(path);
        return ReadWholeFile(path);
    }
    const std::string header = "Dunmere Demo 1.1.5 - logging at 12:34:56 on 03/14/26";
};

TEST_F(EngineLogTest, EmptyLogIsHeaderEmptySlotAndFooter)
{
    EXPECT_EQ(SaveAndRead(), header + "\r\n\r\n\r\n\r\n...log ends here.\r\n");
}

TEST_F(EngineLogTest, LinesKeepTheirOrderAndBlankOrEmptyLinesAreLinesToo)
{
    LogLine("A");
    LogLine(" ");
    LogLine("");
    LogLine("B");
    EXPECT_EQ(EngineLog.LogLineCount, 4);
    EXPECT_THAT(SplitCrLfLines(SaveAndRead()),
                ElementsAre(header, "", "A", " ", "", "B", "", "", "...log ends here."));
}

TEST_F(EngineLogTest, SavingReplacesAnEarlierFileCompletely)
{
    const std::string path = folder / "Log.txt";
    WriteWholeFile(path, std::string(10000, 'x') + "\r\nold run\r\n");
    LogLine("new run");
    SaveLog(path);
    EXPECT_EQ(ReadWholeFile(path), header + "\r\n\r\nnew run\r\n\r\n\r\n...log ends here.\r\n");
}

TEST_F(EngineLogTest, LinesBeyondTheSixteenBitCounterAreDropped)
{
    for (int i = 0; i < 32767; ++i)
        LogLine("line " + std::to_string(i));
    LogLine("one too many");
    LogLine("two too many");
    EXPECT_EQ(EngineLog.LogLineCount, 32767);

    const std::vector<std::string> lines = SplitCrLfLines(SaveAndRead());
    ASSERT_EQ(lines.size(), 2u + 32767u + 3u);
    EXPECT_EQ(lines[2], "line 0");
    EXPECT_EQ(lines[2 + 32766], "line 32766");
    EXPECT_EQ(lines[2 + 32767], "");
    EXPECT_EQ(lines.back(), "...log ends here.");
}

TEST_F(EngineLogTest, AFileThatCannotBeWrittenIsReportedToTheCaller)
{
    LogLine("A");
    EXPECT_THROW(SaveLog(folder / "no-such-folder/Log.txt"), std::runtime_error);
}

} // namespace

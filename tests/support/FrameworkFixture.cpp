#include "tests/support/FrameworkFixture.h"

#include "framework/D3DXMath.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
}

std::vector<std::string> SplitCrLfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   std::size_t count)
{
    const auto at = std::find(lines.begin(), lines.end(), first);
    if (at == lines.end() || static_cast<std::size_t>(lines.end() - at) < count)
        return {};
    return {at, at + static_cast<std::ptrdiff_t>(count)};
}

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT refresh, D3DFORMAT format)
{
    return D3DDISPLAYMODE{width, height, refresh, format};
}

void ExpectMapsTo(const D3DMATRIX& m, D3DVECTOR point, D3DVECTOR expected, float tolerance)
{
    float p[4];
    D3DXVec4TransformPoint(&m, &point, p);
    const auto where = ::testing::Message() << "(" << point.x << ", " << point.y << ", " << point.z << ")";
    EXPECT_NEAR(p[0] / p[3], expected.x, tolerance) << where;
    EXPECT_NEAR(p[1] / p[3], expected.y, tolerance) << where;
    EXPECT_NEAR(p[2] / p[3], expected.z, tolerance) << where;
}

GraphicsError RaisedGraphicsError(const std::function<void()>& body)
{
    try {
        body();
    } catch (const GraphicsError& error) {
        return error;
    }
    return GraphicsError(0, "nothing raised");
}

void FrameworkTest::SetUp()
{
    DirectX_Framework::ResetState();
    InstallPlatform(&platform);
    DirectX_Framework::DirectXFactory = ScriptedDirectXFactory(graphics);
    DirectX_Framework::MainWindow = &mainWindow;
    platform.AppFolder = folder.Path().string();
    platform.Clock = FixedNow;
}

void FrameworkTest::TearDown()
{
    DirectX_Framework::ResetState();
    DirectX_Framework::DirectXFactory = nullptr;
    InstallPlatform(nullptr);
}

int FrameworkTest::RunToExit(const std::function<void()>& body)
{
    try {
        body();
    } catch (const ProcessExit& exit) {
        return exit.Code;
    }
    ADD_FAILURE() << "the process did not end";
    return -1;
}

std::vector<std::string> FrameworkTest::Log() const
{
    const auto& log = DirectX_Framework::EngineLog;
    return {log.LogLines.begin(), log.LogLines.begin() + log.LogLineCount};
}

bool FrameworkTest::Start(std::int32_t width, std::int32_t height, std::int32_t depth, bool windowed)
{
    DirectX_Framework::StartDirectX();
    return DirectX_Framework::StartDirect3D(&mainWindow, width, height, depth, windowed);
}

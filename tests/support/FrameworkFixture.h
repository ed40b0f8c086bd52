// A fixture that installs the scripted platform and graphics back end, gives the program a
// fresh folder of its own, and puts the framework's module state back afterwards.
#pragma once

#include "framework/DirectX_Framework.h"
#include "framework/scripted/ScriptedGraphics.h"
#include "framework/scripted/ScriptedPlatform.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
// The lines of a CR LF text, without their line ends.
std::vector<std::string> SplitCrLfLines(const std::string& text);

// count lines of lines from the first one equal to first; empty when there are not so many.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first,
                                   std::size_t count);

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT refresh, D3DFORMAT format);

// Expects the matrix (row vectors, v x M, then divided by w) to take point to expected.
void ExpectMapsTo(const D3DMATRIX& m, D3DVECTOR point, D3DVECTOR expected, float tolerance = 1e-4f);

// The graphics error that body raises; code 0 when it raises none.
GraphicsError RaisedGraphicsError(const std::function<void()>& body);

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs body, which must end the process through the platform; returns the exit code.
    int RunToExit(const std::function<void()>& body);
    // The engine log's lines.
    std::vector<std::string> Log() const;
    // StartDirectX and StartDirect3D for the main window; returns StartDirect3D's result.
    bool Start(std::int32_t width, std::int32_t height, std::int32_t depth, bool windowed);

    std::shared_ptr<ScriptedGraphics> graphics = std::make_shared<ScriptedGraphics>();
    std::shared_ptr<Journal> journal = graphics->Calls;
    ScriptedPlatform platform{journal};
    ScriptedWindow mainWindow{"frmMain", journal};
    TempFolder folder;

    // 2026-03-14 12:34:56 UTC
    static constexpr std::time_t FixedNow = 1773491696;
    static constexpr const char* FixedTime = "12:34:56";
    static constexpr const char* FixedDate = "03/14/26";
};

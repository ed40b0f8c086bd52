#include "tests/game/GameFixture.h"

#include "game/Game.h"

void GameTest::SetUp()
{
    WorldTest::SetUp();
    ResetGame();
    WriteWholeFile(folder / "models/entitycube.x", "xof 0303txt 0032\n");
    graphics->LoadMesh = [](const std::string&, D3DXMaterialBuffer& materials, DWORD& count) {
        materials.Materials.resize(1);
        count = 1;
        return D3D_OK;
    };
    frmMain::Create(640, 480);
    window = platform.CreatedWindows.back();
    DirectX_Framework::MainWindow = frmMain::Form.get();
    journal->clear();
}

void GameTest::TearDown()
{
    ResetGame();
    WorldTest::TearDown();
}

void GameTest::RunLoop(std::vector<std::uint32_t> passMs, const std::function<void(int pass)>& eachPass)
{
    int deliveries = 0;
    platform.OnDoEvents = [&, passMs]() {
        ++deliveries;
        if (deliveries % 2 == 0)
            return; // the second delivery of a pass
        const int pass = (deliveries + 1) / 2;
        const std::size_t index = std::min<std::size_t>(static_cast<std::size_t>(pass - 1), passMs.size() - 1);
        platform.Ticks += passMs[index];
        if (eachPass)
            eachPass(pass);
    };
    const int code = RunToExit([] { mdlRender::RunMainLoop(); });
    EXPECT_EQ(code, 0);
    platform.OnDoEvents = nullptr;
}

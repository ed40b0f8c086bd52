#include "tools/Shot.h"

#include "framework/Desktop.h"
#include "framework/DirectX_Framework.h"
#include "game/StartSequence.h"
#include "game/frmMain.h"
#include "game/mdlRender.h"
#include "tools/Headless.h"
#include "tools/OnScreen.h"

#include <iostream>

namespace Shot {

using namespace DirectX_Framework;

namespace {

DWORD FillMode(const std::string& name)
{
    if (name == "wire")
        return D3DFILL_WIREFRAME;
    if (name == "point")
        return D3DFILL_POINT;
    return D3DFILL_SOLID;
}

} // namespace

int Run(const Request& request)
{
    const OnScreen screen = OpenBesideMap(request.MapPath);
    if (!screen.Desktop)
        return 1;
    DirectXFactory = screen.Desktop->Graphics();
    KeepLogInMemory = true;
    ExitCode = 1; // a failure on the way ends the process with 1

    StartSequence::WorldRequest world;
    world.Mode = GameMode{request.Width, request.Height, request.Depth, true};
    world.MapPath = request.MapPath;
    world.ModelFolder = ModelFolderFor(request.MapPath);
    const StartSequence::OpeningResult opened = StartSequence::OpenWorld(world);
    if (opened.Outcome != StartSequence::Opening::Opened) {
        std::cerr << "dunmere-tool: " << opened.Error << '\n';
        return 1;
    }
    Headless::ReportStops(request.MapPath, std::cerr);
    mdlRender::SetUpScene();
    ThrowIfFailed(D3DDevice->SetRenderState(D3DRS_FILLMODE, FillMode(request.Fill)), "SetRenderState");
    if (request.NoTextures)
        frmMain::Form_KeyPress('b');

    mdlRender::FramesPerSecond = 0;
    mdlRender::RenderFrame(request.Eye[0], request.Eye[1], request.Eye[2], request.Yaw, request.Pitch);
    ImageARGB frame;
    ThrowIfFailed(D3DDevice->GetFrontBufferData(frame), "reading the frame");
    if (Failed(D3DX->SaveImageToPng(request.OutPath, frame))) {
        std::cerr << "dunmere-tool: cannot write " << request.OutPath << '\n';
        return 1;
    }
    return 0;
}

} // namespace Shot

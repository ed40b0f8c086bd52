#include "game/frmMain.h"

#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "framework/WriteFolders.h"
#include "game/mdlInput.h"
#include "game/mdlVars.h"
#include "world/Player.h"
#include "world/mdlTextures.h"

#include <cstdio>
#include <filesystem>

namespace frmMain {

using namespace DirectX_Framework;

namespace {

void SetFillMode(DWORD mode)
{
    if (!D3DDevice)
        return;
    ThrowIfFailed(D3DDevice->SetRenderState(D3DRS_FILLMODE, mode), "SetRenderState(D3DRS_FILLMODE)");
}

} // namespace

Window& Create(int width, int height)
{
    WindowOptions options;
    options.Title = "Main";
    options.Width = width;
    options.Height = height;
    options.Borderless = true;
    options.AtScreenCorner = true;
    options.BlackBackground = true;
    Form = ThePlatform().CreateWindow(options);
    Form->Handlers.KeyDown = Form_KeyDown;
    Form->Handlers.KeyUp = Form_KeyUp;
    Form->Handlers.KeyPress = Form_KeyPress;
    Form->Handlers.MouseMove = Form_MouseMove;
    Form->Handlers.FocusChanged = Form_FocusChanged;
    Form->Handlers.QueryUnload = Form_QueryUnload;
    MainWindow = Form.get();
    return *Form;
}

void Form_Load()
{
    if (Form)
        Form->Show();
    HideCursorCompletely();
}

void Form_KeyDown(int keyCode, int /*shift*/)
{
    switch (keyCode) {
    case VK_LEFT:
        Player.YawRate = -2;
        break;
    case VK_UP:
        Player.Speed = 1;
        break;
    case VK_RIGHT:
        Player.YawRate = 2;
        break;
    case VK_DOWN:
        Player.Speed = -1;
        break;
    case VK_F12:
        SaveScreenshot();
        break;
    default:
        break;
    }
}

void Form_KeyUp(int keyCode, int /*shift*/)
{
    if (keyCode == VK_LEFT || keyCode == VK_RIGHT)
        Player.YawRate = 0;
    else if (keyCode == VK_UP || keyCode == VK_DOWN)
        Player.Speed = 0;
}

void Form_KeyPress(int character)
{
    if (character == KeyEscape)
        mdlVars::QuitRequested = true;
    switch (character) {
    case 'w':
        SetFillMode(D3DFILL_WIREFRAME);
        break;
    case 's':
        SetFillMode(D3DFILL_SOLID);
        break;
    case 'p':
        SetFillMode(D3DFILL_POINT);
        break;
    case 'b':
        for (int i = 1; i <= mdlTextures::MaxTextures; ++i)
            mdlTextures::Textures[static_cast<std::size_t>(i)].reset();
        break;
    case 'f':
        Player.Z = Player.Z - 20;
        break;
    case 'r':
        Player.Yaw = 0;
        Player.Pitch = 0;
        break;
    default:
        break;
    }
}

void Form_MouseMove(int /*button*/, int /*shift*/, float x, float y)
{
    if (!mdlInput::MouseLookActive)
        return;
    mdlInput::MouseX = mdlInput::RoundEven(x);
    mdlInput::MouseY = mdlInput::RoundEven(y);
}

void Form_FocusChanged(bool focused)
{
    if (focused == mdlInput::MouseLookActive)
        return;
    mdlInput::MouseLookActive = focused;
    if (focused) {
        HideCursorCompletely();
        if (Form)
            mdlInput::CentrePointer(*Form);
    } else {
        ShowCursorUntil(0);
    }
}

void Form_QueryUnload() { mdlVars::QuitRequested = true; }

std::string SaveScreenshot()
{
    if (!D3DDevice || !D3DX)
        return {};
    ImageARGB frame;
    if (Failed(D3DDevice->GetFrontBufferData(frame))) {
        LogLine("Could not read the frame for a screenshot.");
        return {};
    }
    CreateUserFolder(WritePlaces.Screenshots);
    const std::string folder = ScreenshotFolder();
    for (int number = 1; number < 1000000; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "screenshot-%04d.png", number);
        const std::string path = JoinPath(folder, name);
        std::error_code error;
        if (std::filesystem::exists(path, error) || error)
            continue;
        if (Failed(D3DX->SaveImageToPng(path, frame))) {
            LogLine(std::string("Could not save screenshot ") + name);
            return {};
        }
        LogLine(std::string("Saved screenshot ") + name);
        return name;
    }
    return {};
}

} // namespace frmMain

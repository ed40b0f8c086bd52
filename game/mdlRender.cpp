#include "game/mdlRender.h"

#include "framework/D3DXMath.h"
#include "framework/DirectX_Framework.h"
#include "framework/FilePaths.h"
#include "game/frmMain.h"
#include "game/mdlGameLoop.h"
#include "game/mdlInput.h"
#include "game/mdlVars.h"
#include "world/Player.h"
#include "world/mdlEntities.h"
#include "world/mdlFloors.h"
#include "world/mdlMap.h"
#include "world/mdlTextures.h"
#include "world/mdlWalls.h"

#include <charconv>
#include <cmath>

namespace mdlRender {

using namespace DirectX_Framework;

namespace {

IDirect3DDevice8& Device()
{
    if (!D3DDevice)
        throw GraphicsError(D3DERR_INVALIDCALL, "drawing a frame (no device)");
    return *D3DDevice;
}

std::string WholeNumberText(float value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 0);
    return std::string(text, result.ptr);
}

} // namespace

void ResetState() { State = ModuleState{}; }

void DrawTextBox(float left, float width, float top, float height, const std::string& text, D3DCOLOR colour,
                 const std::string& fontName, std::int16_t fontSize)
{
    CachedFont& readoutFont = State.ReadoutFont;
    if (!readoutFont.Font || readoutFont.Face != fontName || readoutFont.Size != fontSize) {
        if (!D3DX)
            throw GraphicsError(D3DERR_INVALIDCALL, "CreateFont (no helper object)");
        FontPtr font;
        ThrowIfFailed(D3DX->CreateFont(Device(), fontName, fontSize, font), "CreateFont");
        readoutFont = CachedFont{std::move(font), fontName, fontSize};
    }
    const float right = left + width;
    const float bottom = top + height;
    const RECT rect{static_cast<std::int32_t>(std::nearbyint(left)), static_cast<std::int32_t>(std::nearbyint(top)),
                    static_cast<std::int32_t>(std::nearbyint(right)),
                    static_cast<std::int32_t>(std::nearbyint(bottom))};
    ThrowIfFailed(readoutFont.Font->DrawText(text, rect, 0, colour), "DrawText");
}

D3DMATRIX CameraView(float x, float y, float z, float yaw, float pitch)
{
    const D3DVECTOR eye = MakeVector(x, y, z);
    const D3DVECTOR target = MakeVector(static_cast<float>(x + DirectionX(yaw, pitch)),
                                        static_cast<float>(y + DirectionY(yaw, pitch)),
                                        static_cast<float>(z + DirectionZ(yaw, pitch)));
    const D3DVECTOR up = MakeVector(0, 0, -1);
    D3DMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    return view;
}

void RenderFrame(const float& x, const float& y, const float& z, const float& yaw, const float& pitch)
{
    IDirect3DDevice8& device = Device();
    ClearFrame(0);

    ThrowIfFailed(device.LightEnable(0, 1), "LightEnable(0)");
    ThrowIfFailed(device.SetLight(0, DirectionalLight), "SetLight(0)");
    PlayerLight.Position = MakeVector(x, y, z);
    ThrowIfFailed(device.LightEnable(1, 1), "LightEnable(1)");
    ThrowIfFailed(device.SetLight(1, PlayerLight), "SetLight(1)");

    ThrowIfFailed(device.BeginScene(), "BeginScene");

    ViewMatrix = CameraView(x, y, z, yaw, pitch);
    ThrowIfFailed(device.SetTransform(D3DTS_VIEW, ViewMatrix), "SetTransform(D3DTS_VIEW)");

    D3DXMatrixIdentity(&WorldMatrix);
    ThrowIfFailed(device.SetTransform(D3DTS_WORLD, WorldMatrix), "SetTransform(D3DTS_WORLD)");

    mdlWalls::DrawWalls();
    mdlFloors::DrawFloors();

    DrawTextBox(2, 100, 0, 100, "FPS: " + WholeNumberText(FramesPerSecond), ReadoutColour, "Tahoma", 12);
    if (!ReadoutNote.empty())
        DrawTextBox(2, static_cast<float>(PresentParams.BackBufferWidth) - 4, ReadoutNoteTop, ReadoutNoteHeight,
                    ReadoutNote, ReadoutNoteColour, "Tahoma", 12);

    ThrowIfFailed(device.EndScene(), "EndScene");
    PresentFrame();
}

std::int32_t TakeDueTicks(std::uint32_t now)
{
    // Wrap-safe: the difference of two readings as a signed 32-bit number.
    const auto elapsed = static_cast<std::int32_t>(now - LastUpdateTick);
    const auto due = static_cast<std::int64_t>(std::lround(elapsed / static_cast<double>(GameTickMs)));
    if (due < 0) {
        // The counter went backwards: start counting again from now.
        LastUpdateTick = now;
        return 0;
    }
    if (due > MaxTicksPerPass) {
        LastUpdateTick = now;
        return MaxTicksPerPass;
    }
    LastUpdateTick += static_cast<std::uint32_t>(due) * GameTickMs;
    return static_cast<std::int32_t>(due);
}

void ApplyMouseLook(std::int32_t deltaX, std::int32_t deltaY)
{
    Player.Yaw = static_cast<float>(Player.Yaw + deltaX / MouseDivisor);
    Player.Pitch = static_cast<float>(Player.Pitch + deltaY / MouseDivisor);
    if (Player.Pitch > PitchLimit)
        Player.Pitch = PitchLimit;
    if (Player.Pitch < -PitchLimit)
        Player.Pitch = -PitchLimit;
}

namespace {

constexpr const char* EntityModelFile = "entitycube.x";

std::string ModelFolder()
{
    return EntityModelFolder.empty() ? JoinPath(ThePlatform().AppPath(), "\\models") : EntityModelFolder;
}

void LoadEntityModel()
{
    const std::string modelFolder = ModelFolder();
    try {
        LoadModel(EntityModel, modelFolder, EntityModelFile);
    } catch (const GraphicsError&) {
        const std::string path = JoinPath(modelFolder, EntityModelFile);
        FailAndQuit("Error loading model " + path + " - Quitting.", "Error loading model",
                    "The model file " + path + " could not be loaded. Please reinstall the game.");
    }
}

} // namespace

void PrepareRendering()
{
    IDirect3DDevice8& device = Device();
    D3DXMatrixPerspectiveFovLH(&ProjectionMatrix, static_cast<float>(DegToRad(FieldOfViewDegrees)), AspectRatio,
                               NearPlane, FarPlane);
    ThrowIfFailed(device.SetTransform(D3DTS_PROJECTION, ProjectionMatrix), "SetTransform(D3DTS_PROJECTION)");
    ThrowIfFailed(device.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), "SetRenderState(D3DRS_CULLMODE)");

    DirectionalLight = D3DLIGHT8{};
    DirectionalLight.Diffuse = MakeColourValue(1, 1, 1, 1);
    DirectionalLight.Position = MakeVector(1, 0, 0);
    DirectionalLight.Range = 1.0f;
    DirectionalLight.Direction = MakeVector(static_cast<float>(DirectionX(0, 0)), static_cast<float>(DirectionY(0, 0)),
                                            static_cast<float>(DirectionZ(0, 0)));
    DirectionalLight.Type = D3DLIGHT_DIRECTIONAL;

    PlayerLight = D3DLIGHT8{};
    PlayerLight.Type = D3DLIGHT_POINT;
    PlayerLight.Attenuation0 = 0;
    PlayerLight.Attenuation1 = 0.02f;
    PlayerLight.Attenuation2 = 0;
    PlayerLight.Diffuse = MakeColourValue(1, 1, 1, 1);
    PlayerLight.Range = 300;

    SetAmbientLight(100, 100, 100);
    for (const DWORD filter : {D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_MIPFILTER})
        ThrowIfFailed(device.SetTextureStageState(0, filter, D3DTEXF_LINEAR), "SetTextureStageState");
}

void ReadAhead(const std::string& mapPath)
{
    if (!D3DX)
        return;
    std::vector<std::string> textures;
    for (const std::string& name : mdlMap::TextureFiles(mapPath))
        textures.push_back(mdlTextures::TextureFile(name));
    D3DX->ReadAhead(textures, {ResolveFilePath(JoinPath(ModelFolder(), EntityModelFile))});
}

void SetUpScene()
{
    LoadEntityModel();
    mdlEntities::SpawnPlayer();
    PrepareRendering();
}

void RunMainLoop()
{
    Platform& platform = ThePlatform();
    const std::uint32_t setUpStart = platform.GetTickCount();
    LastUpdateTick = setUpStart;
    SetUpScene();
    if (frmMain::Form)
        mdlInput::CentrePointer(*frmMain::Form);
    LoopObserver none;
    LoopObserver& observer = State.Observer != nullptr ? *State.Observer : none;
    observer.SceneReady();

    const std::uint32_t loopStart = platform.GetTickCount();
    double frames = 0;
    double ticksRun = 0;
    double passes = 0;
    while (!mdlVars::QuitRequested) {
        RenderFrame(Player.X, Player.Y, Player.Z, Player.Yaw, Player.Pitch);
        ++frames;

        CountFrame([&platform] { return platform.GetTickCount(); });

        platform.DoEvents();

        const std::int32_t due = TakeDueTicks(platform.GetTickCount());
        if (observer.Ticks(due))
            for (std::int32_t tick = 0; tick < due; ++tick)
                mdlGameLoop::UpdatePlayer();
        ticksRun += due;

        if (frmMain::Form)
            mdlInput::MouseLook(*frmMain::Form);
        std::int32_t lookX = mdlInput::MouseDeltaX;
        std::int32_t lookY = mdlInput::MouseDeltaY;
        observer.Look(lookX, lookY);
        ApplyMouseLook(lookX, lookY);

        platform.DoEvents();
        observer.PassEnded();
        ++passes;
    }

    const std::uint32_t end = platform.GetTickCount();
    RunStatistics& stats = Statistics;
    stats.Frames = frames;
    stats.LoopSeconds = static_cast<std::uint32_t>(end - loopStart) / 1000.0;
    stats.TicksRun = ticksRun;
    stats.TicksCalledFor = static_cast<std::uint32_t>(end - setUpStart) / static_cast<double>(GameTickMs);
    stats.Passes = passes;
    DestroyDirectX();
}

} // namespace mdlRender

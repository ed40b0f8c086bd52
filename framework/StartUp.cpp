#include "framework/D3DXMath.h"
#include "framework/DirectX_Framework.h"

#include <string>

namespace DirectX_Framework {

namespace {

std::string TimeNow() { return FormatLocalTime(ThePlatform().Now()); }

// Depth-buffer formats in the order they are tried, deepest first, with their bit counts.
struct DepthProbe {
    D3DFORMAT Format;
    int Bits;
};
constexpr DepthProbe DepthProbes[] = {{D3DFMT_D32, 32}, {D3DFMT_D24X8, 24}, {D3DFMT_D16, 16}};

} // namespace

void StartDirectX()
{
    LogLine("Started DirectX 8 at " + TimeNow());
    LogLine(" ");
    if (!DirectXFactory) {
        LogLine("No graphics back end is installed.");
        return;
    }
    DirectX8 = DirectXFactory();
    if (!DirectX8) {
        LogLine("The graphics system could not be started.");
        return;
    }
    D3D = DirectX8->Direct3DCreate8();
    D3DX = DirectX8->D3DXCreate();
}

bool StartDirect3D(Window* window, std::int32_t width, std::int32_t height, std::int32_t depth, bool windowed)
{
    LogLine("Starting Direct3D");
    try {
        if (!D3D)
            throw GraphicsError(D3DERR_NOTAVAILABLE, "Direct3D start-up (no graphics adapter object)");

        AdapterFormat = FindDisplayMode(width, height, depth);
        if (AdapterFormat == 0) {
            LogLine("Bad Display mode: Quitting at " + TimeNow());
            ThePlatform().MessageBox("Error: The display mode " + std::to_string(width) + "x" + std::to_string(height) +
                                         " in " + std::to_string(depth) +
                                         "-bit colour mode is not supported by your hardware!\r\n"
                                         "Please change the settings.",
                                     MessageBoxIcon::Critical, "Error starting DirectX");
            ExitCode = 1;
            DestroyDirectX();
        }

        LogLine("Creating Window");
        if (window == nullptr)
            throw GraphicsError(D3DERR_INVALIDCALL, "Direct3D start-up (no window)");
        PresentParams.BackBufferCount = 1;
        PresentParams.BackBufferFormat = AdapterFormat;
        PresentParams.BackBufferWidth = static_cast<UINT>(width);
        PresentParams.BackBufferHeight = static_cast<UINT>(height);
        PresentParams.hDeviceWindow = window;
        PresentParams.Windowed = windowed ? 1 : 0;

        LogLine("Checking Z-Buffer depths available...");
        bool found = false;
        for (const DepthProbe& probe : DepthProbes) {
            const std::string bits = std::to_string(probe.Bits);
            LogLine("Checking for a " + bits + " bit Z-Buffer: ");
            if (D3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, AdapterFormat, D3DUSAGE_DEPTHSTENCIL,
                                       D3DRTYPE_SURFACE, probe.Format) == D3D_OK) {
                PresentParams.AutoDepthStencilFormat = probe.Format;
                PresentParams.EnableAutoDepthStencil = 1;
                LogLine("Success! Using " + bits + " bit Z-Buffer");
                found = true;
                break;
            }
            LogLine("Failed.");
        }
        if (!found) {
            LogLine("No Z-Buffer available on card: Emulating! This will cause some slowdown...");
            PresentParams.EnableAutoDepthStencil = 0;
        }

        PresentParams.SwapEffect = D3DSWAPEFFECT_FLIP;
        PresentParams.BackBufferFormat = AdapterFormat;
        LogLine("Getting device capibilities.");
    } catch (const GraphicsError&) {
        ThePlatform().MessageBox("Error in initialisation! Quitting...", MessageBoxIcon::Critical, "DX8 Error");
        LogLine("Failed to set up the device.");
        return false;
    }

    // From here on failures are ignored.
    D3DCAPS8 caps{};
    const HRESULT hr = D3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps);
    if (hr == D3D_OK) {
        DeviceCaps = caps;
    } else if (hr == D3DERR_INVALIDDEVICE) {
        D3DCAPS8 reference{};
        if (D3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_REF, reference) == D3D_OK)
            DeviceCaps = reference;
        LogLine("Error whilst getting device capibilities: checked software instead. Possible cause: no 3D card!");
    }

    LogLine("Device set up correctly-- finished initialisation!");
    LogLine(" ");
    return true;
}

void ApplyStandardSetup()
{
    IDirect3DDevice8& device = *D3DDevice;
    // Each step runs whatever the one before it returned.
    device.SetVertexShader(VertexFVF);
    device.SetRenderState(D3DRS_LIGHTING, 1);
    device.SetRenderState(D3DRS_ZENABLE, 1);

    const D3DVECTOR eye = MakeVector(0, 10, 0);
    const D3DVECTOR target = MakeVector(0, 0, 0);
    const D3DVECTOR up = MakeVector(0, 0, 1);
    D3DXMatrixLookAtLH(&ViewMatrix, &eye, &target, &up);
    device.SetTransform(D3DTS_VIEW, ViewMatrix);

    LogLine("Setting up a standard material");
    StandardMaterial = D3DMATERIAL8{};
    StandardMaterial.Ambient = MakeColourValue(1, 1, 1, 1);
    StandardMaterial.Diffuse = MakeColourValue(1, 1, 1, 1);
    device.SetMaterial(StandardMaterial);
}

namespace {

IDirect3DDevice8& Device(const char* operation)
{
    if (!D3DDevice)
        throw GraphicsError(D3DERR_INVALIDCALL, std::string(operation) + " (no device)");
    return *D3DDevice;
}

} // namespace

void ClearFrame(D3DCOLOR colour)
{
    ThrowIfFailed(Device("Clear").Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0), "Clear");
}

void PresentFrame() { ThrowIfFailed(Device("Present").Present(), "Present"); }

void SetAmbientLight(std::int16_t red, std::int16_t green, std::int16_t blue)
{
    ThrowIfFailed(Device("SetRenderState").SetRenderState(D3DRS_AMBIENT, PackColour(red, green, blue)),
                  "SetRenderState(D3DRS_AMBIENT)");
}

} // namespace DirectX_Framework

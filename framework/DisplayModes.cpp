#include "framework/DirectX_Framework.h"

namespace DirectX_Framework {

namespace {

IDirect3D8& Adapter()
{
    if (!D3D)
        throw GraphicsError(D3DERR_NOTAVAILABLE, "reading the display modes (no graphics adapter object)");
    return *D3D;
}

D3DDISPLAYMODE ReadMode(IDirect3D8& adapter, UINT index)
{
    D3DDISPLAYMODE mode{};
    ThrowIfFailed(adapter.EnumAdapterModes(D3DADAPTER_DEFAULT, index, mode), "EnumAdapterModes");
    return mode;
}

} // namespace

int DepthLabel(D3DFORMAT format) { return format == D3DFMT_X8R8G8B8 ? 32 : 16; }

bool FormatMatchesDepth(D3DFORMAT format, std::int32_t depth)
{
    switch (format) {
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_X4R4G4B4:
        return depth == 16;
    case D3DFMT_R8G8B8:
    case D3DFMT_X8R8G8B8:
        return depth == 32;
    default:
        return false;
    }
}

void EnumerateDisplayModes()
{
    IDirect3D8& adapter = Adapter();
    const UINT count = adapter.GetAdapterModeCount(D3DADAPTER_DEFAULT);
    DisplayModes.assign(count, D3DDISPLAYMODE{});
    LastDisplayMode = static_cast<std::int32_t>(count) - 1;

    LogLine("Enumerating display modes available:");
    if (count == 0) {
        FailAndQuit("No display modes available: Quitting at " + FormatLocalTime(ThePlatform().Now()),
                    "Error starting DirectX",
                    "Error: Your graphics adapter reports no display modes, so the game cannot start.\r\n"
                    "Please check your display settings.");
    }
    for (UINT i = 0; i < count; ++i) {
        const D3DDISPLAYMODE mode = ReadMode(adapter, i);
        LogLine(std::to_string(mode.Width) + "x" + std::to_string(mode.Height) + " in " +
                std::to_string(DepthLabel(mode.Format)) + "-bit colour at " + std::to_string(mode.RefreshRate) +
                "Hz");
        DisplayModes[i] = mode;
    }
    LogLine("End of display mode list.");
    LogLine(" ");
}

D3DFORMAT FindDisplayMode(std::int32_t width, std::int32_t height, std::int32_t depth)
{
    IDirect3D8& adapter = Adapter();
    const UINT count = adapter.GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT i = 0; i < count; ++i) {
        const D3DDISPLAYMODE mode = ReadMode(adapter, i);
        if (static_cast<std::int64_t>(mode.Width) == width && static_cast<std::int64_t>(mode.Height) == height &&
            FormatMatchesDepth(mode.Format, depth))
            return mode.Format;
    }
    return 0;
}

} // namespace DirectX_Framework

#include "framework/gl/DisplayModeList.h"

#include <algorithm>
#include <tuple>

namespace {

constexpr ScreenMode CommonModes[] = {
    {320, 200, 0},   {320, 240, 0},   {400, 300, 0},   {512, 384, 0},   {640, 400, 0},
    {640, 480, 0},   {800, 600, 0},   {1024, 768, 0},  {1152, 864, 0},  {1280, 720, 0},
    {1280, 800, 0},  {1280, 960, 0},  {1280, 1024, 0}, {1366, 768, 0},  {1440, 900, 0},
    {1600, 900, 0},  {1600, 1200, 0}, {1680, 1050, 0}, {1920, 1080, 0}, {1920, 1200, 0},
    {2560, 1440, 0}, {2560, 1600, 0}, {3840, 2160, 0},
};

// The start-up probe (320 x 200) and the first run's default (640 x 480) work everywhere.
bool AlwaysOffered(const ScreenMode& mode)
{
    return (mode.Width == 320 && mode.Height == 200) || (mode.Width == 640 && mode.Height == 480);
}

UINT Refresh(int rate) { return rate > 0 ? static_cast<UINT>(rate) : 0; }

} // namespace

std::vector<D3DDISPLAYMODE> BuildAdapterModes(const std::vector<ScreenMode>& displayModes, const ScreenMode& desktop)
{
    std::vector<ScreenMode> sizes;
    for (const ScreenMode& mode : displayModes)
        if (mode.Width > 0 && mode.Height > 0)
            sizes.push_back(mode);
    for (const ScreenMode& common : CommonModes) {
        const bool fits = common.Width <= desktop.Width && common.Height <= desktop.Height;
        const bool listed = std::any_of(sizes.begin(), sizes.end(), [&](const ScreenMode& mode) {
            return mode.Width == common.Width && mode.Height == common.Height;
        });
        if ((fits || AlwaysOffered(common)) && !listed)
            sizes.push_back({common.Width, common.Height, desktop.RefreshRate});
    }

    std::vector<D3DDISPLAYMODE> modes;
    for (const ScreenMode& size : sizes)
        for (const D3DFORMAT format : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
            modes.push_back({static_cast<UINT>(size.Width), static_cast<UINT>(size.Height), Refresh(size.RefreshRate), format});
    // The 16-bit format has the larger code, so it is put first explicitly.
    const auto key = [](const D3DDISPLAYMODE& m) {
        return std::make_tuple(m.Width, m.Height, m.Format == D3DFMT_R5G6B5 ? 0 : 1, m.RefreshRate);
    };
    std::sort(modes.begin(), modes.end(), [&](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) { return key(a) < key(b); });
    modes.erase(std::unique(modes.begin(), modes.end(),
                            [&](const D3DDISPLAYMODE& a, const D3DDISPLAYMODE& b) { return key(a) == key(b); }),
                modes.end());
    return modes;
}
